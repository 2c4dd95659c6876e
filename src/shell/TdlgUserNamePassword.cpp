#include "shell/TdlgUserNamePassword.h"

#include "shell/DialogButtons.h"

#include <QFormLayout>
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

    auto* form = new QFormLayout;
    form->addRow(tr("Account:"), m_account);
    form->addRow(tr("Password:"), m_password);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    m_ok = addOkCancelRow(*this, *layout).ok;
    setMinimumWidth(320);

    connect(m_account, &QLineEdit::textChanged, this, &TdlgUserNamePassword::updateOk);
    connect(m_password, &QLineEdit::textChanged, this, &TdlgUserNamePassword::updateOk);
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
