#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace quarlo::shell {

// "Account/Password": the account of a site that asks for one. OK is enabled only while
// both boxes hold something; Cancel puts back what the boxes held when it opened.
class TdlgUserNamePassword : public QDialog {
    Q_OBJECT
public:
    explicit TdlgUserNamePassword(QWidget* parent = nullptr);

    QString account() const;
    QString password() const;
    void setAccount(const QString& account, const QString& password);

    int exec() override;
    void reject() override;

private:
    void updateOk();

    QLineEdit* m_account = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_ok = nullptr;
    QString m_previousAccount;
    QString m_previousPassword;
};

} // namespace quarlo::shell
