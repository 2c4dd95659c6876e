#pragma once

#include "model/ProfileSave.h"
#include "shell/DialogButtons.h"

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace quarlo::shell {

class ShellEngine;

// "Save Profile": one name. OK is enabled while the name is not empty and accepts only a
// name that can be a file name in the Profiles folder (the reason is shown otherwise).
class TdlgSaveProfile : public QDialog {
    Q_OBJECT
public:
    TdlgSaveProfile(ShellEngine& engine, const QString& proposedName, QWidget* parent = nullptr);
    ~TdlgSaveProfile() override;

    QLineEdit& nameBox() { return *m_name; }
    QPushButton& okButton() { return *m_buttons.ok; }
    QPushButton& cancelButton() { return *m_buttons.cancel; }
    // After OK: the name to save under and whether such a profile is listed.
    const ProfileSaveTarget& target() const { return m_target; }

    void accept() override;

private:
    ShellEngine& m_engine;
    ProfileSaveTarget m_target;
    QLineEdit* m_name = nullptr;
    OkCancelButtons m_buttons;
};

} // namespace quarlo::shell
