#include "shell/Prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace quarlo::shell {

namespace {
Prompts::Handler& handler() {
    static Prompts::Handler instance;
    return instance;
}
Prompts::ChoiceHandler& choiceHandler() {
    static Prompts::ChoiceHandler instance;
    return instance;
}
} // namespace

void Prompts::error(QWidget* parent, const QString& text) {
    show(parent, Kind::Error, text);
}

void Prompts::warning(QWidget* parent, const QString& text) {
    show(parent, Kind::Warning, text);
}

void Prompts::information(QWidget* parent, const QString& text) {
    show(parent, Kind::Information, text);
}

bool Prompts::askYesNo(QWidget* parent, const QString& text) {
    return show(parent, Kind::Question, text);
}

Prompts::Choice Prompts::askYesNoCancelAll(QWidget* parent, const QString& text) {
    if (choiceHandler())
        return choiceHandler()(text);
    if (handler())
        return handler()(Kind::Question, text) ? Choice::Yes : Choice::No;
    QMessageBox box(
        QMessageBox::Information, QApplication::applicationDisplayName(), text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll, parent);
    box.button(QMessageBox::YesToAll)->setText(QObject::tr("All"));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Choice::Yes;
    case QMessageBox::YesToAll:
        return Choice::All;
    case QMessageBox::No:
        return Choice::No;
    default:
        return Choice::Cancel;
    }
}

void Prompts::setChoiceHandler(ChoiceHandler newHandler) {
    choiceHandler() = std::move(newHandler);
}

void Prompts::setHandler(Handler newHandler) {
    handler() = std::move(newHandler);
}

bool Prompts::show(QWidget* parent, Kind kind, const QString& text) {
    if (handler())
        return handler()(kind, text);
    const QString title = QApplication::applicationDisplayName();
    switch (kind) {
    case Kind::Error:
        QMessageBox::critical(parent, title, text);
        return false;
    case Kind::Warning:
        QMessageBox::warning(parent, title, text);
        return false;
    case Kind::Information:
        QMessageBox::information(parent, title, text);
        return false;
    case Kind::Question:
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    }
    return false;
}

} // namespace quarlo::shell
