#include "shell/TdlgUserNamePassword.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quarlo::shell {

TdlgUserNamePassword::TdlgUserNamePassword(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgUserNamePassword"));
    setWindowTitle(tr("Account/Password"));
    m_account = new QLineEdit(this);
    m_account->setObjectName(QStringLiteral("edAccount"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("edPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_ok = new QPushButton(tr("&OK"), this);
    m_ok->setObjectName(QStringLiteral("btnOK"));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(tr("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));

    auto* form = new QFormLayout;
    form->addRow(tr("Account:"), m_account);
    form->addRow(tr("Password:"), m_password);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setMinimumWidth(320);

    connect(m_account, &QLineEdit::textChanged, this, &TdlgUserNamePassword::updateOk);
    connect(m_password, &QLineEdit::textChanged, this, &TdlgUserNamePassword::updateOk);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &TdlgUserNamePassword::reject);
    updateOk();
}

QString TdlgUserNamePassword::account() const {
    return m_account->text();
}

QString TdlgUserNamePassword::password() const {
    return m_password->text();
}

void TdlgUserNamePassword::setAccount(const QString& account, const QString& password) {
    m_account->setText(account);
    m_password->setText(password);
}

int TdlgUserNamePassword::exec() {
    m_previousAccount = account();
    m_previousPassword = password();
    m_account->setFocus();
    return QDialog::exec();
}

void TdlgUserNamePassword::reject() {
    setAccount(m_previousAccount, m_previousPassword);
    QDialog::reject();
}

void TdlgUserNamePassword::updateOk() {
    m_ok->setEnabled(!account().isEmpty() && !password().isEmpty());
}

} // namespace quarlo::shell
