#pragma once

#include "html/FileTypeEdit.h"
#include "shell/DialogButtons.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quarlo::shell {

class ShellEngine;

// "New File Type" / "Edit File Type": a category of the file-type table and its extensions.
// OK writes the category into the table; the dialog stays open when that fails.
class TdlgEditFileType : public QDialog {
    Q_OBJECT
public:
    // An empty category opens the dialog for a new file type.
    TdlgEditFileType(ShellEngine& engine, const QString& category, QWidget* parent = nullptr);
    ~TdlgEditFileType() override;

    QLineEdit& fileTypeBox() { return *m_fileType; }
    QLineEdit& extensionsBox() { return *m_extensions; }
    QPushButton& okButton() { return *m_buttons.ok; }
    QPushButton& cancelButton() { return *m_buttons.cancel; }
    // The name written on OK.
    QString fileType() const;

    void accept() override;

private:
    void updateOk();

    ShellEngine& m_engine;
    FileTypeEdit m_edit;
    QLineEdit* m_fileType = nullptr;
    QLineEdit* m_extensions = nullptr;
    OkCancelButtons m_buttons;
};

} // namespace quarlo::shell
