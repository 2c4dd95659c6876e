#pragma once

class QBoxLayout;
class QDialog;
class QPushButton;

namespace quarlo::shell {

// The OK and Cancel buttons of a small dialog.
struct OkCancelButtons {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

// Adds a row to the layout with OK ("btnOK", the default button) and Cancel ("btnCancel") at
// its right. OK accepts the dialog and Cancel rejects it, through the dialog's own accept()
// and reject() when it overrides them.
OkCancelButtons addOkCancelRow(QDialog& dialog, QBoxLayout& layout);

} // namespace quarlo::shell
