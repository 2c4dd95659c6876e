#include "shell/DialogButtons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace quarlo::shell {

OkCancelButtons addOkCancelRow(QDialog& dialog, QBoxLayout& layout) {
    OkCancelButtons buttons;
    buttons.ok = new QPushButton(QDialog::tr("&OK"), &dialog);
    buttons.ok->setObjectName(QStringLiteral("btnOK"));
    buttons.ok->setDefault(true);
    buttons.cancel = new QPushButton(QDialog::tr("&Cancel"), &dialog);
    buttons.cancel->setObjectName(QStringLiteral("btnCancel"));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    layout.addLayout(row);
    QObject::connect(buttons.ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(buttons.cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace quarlo::shell
