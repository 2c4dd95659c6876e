#pragma once

#include "html/UrlFilterDialog.h"
#include "shell/DialogButtons.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quarlo::shell {

// "Add URL Filter": one text for the include or exclude list. Adding prefixes the text with
// the scope tag; editing shows the entry's whole text and returns the box as it stands.
class TdlgEditURLFilter : public QDialog {
    Q_OBJECT
public:
    // A new entry with the scope tag ("[AL]", "[PL]", "[RL]").
    TdlgEditURLFilter(FilterKind kind, const QString& tag, QWidget* parent = nullptr);
    // An existing entry, opened with the tag that chooses the label.
    TdlgEditURLFilter(FilterKind kind, const QString& tag, const QString& entry,
                      QWidget* parent = nullptr);
    ~TdlgEditURLFilter() override;

    QLabel& label() { return *m_label; }
    QLineEdit& filterBox() { return *m_filter; }
    QPushButton& okButton() { return *m_buttons.ok; }
    QPushButton& cancelButton() { return *m_buttons.cancel; }
    // What the list receives on OK.
    QString entry() const;

private:
    explicit TdlgEditURLFilter(UrlFilterDialog logic, QWidget* parent);
    void textEdited(const QString& text);

    UrlFilterDialog m_logic;
    QLabel* m_label = nullptr;
    QLineEdit* m_filter = nullptr;
    OkCancelButtons m_buttons;
};

} // namespace quarlo::shell
