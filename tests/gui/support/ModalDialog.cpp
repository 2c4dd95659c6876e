#include "support/ModalDialog.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

namespace quarlo::test {

namespace {
constexpr int kPollMs = 10;
// A dialog that never comes is not waited for beyond this.
constexpr int kGiveUpMs = 30000;
} // namespace

void whenModalShown(const std::function<void(QWidget& modal)>& act, bool* seen, int timeoutMs) {
    if (seen != nullptr)
        *seen = false;
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (modal == nullptr)
            return;
        if (seen != nullptr)
            *seen = true;
        act(*modal);
    });
    timer->start(kPollMs);
}

void whenMatchingDialogShown(const std::function<bool(QWidget& modal)>& matches,
                             const std::function<void(QDialog& dialog)>& act) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool found = modal != nullptr && matches(*modal);
        if (!found && clock->elapsed() < kGiveUpMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (!found)
            return;
        auto& dialog = static_cast<QDialog&>(*modal);
        act(dialog);
        if (dialog.isVisible())
            dialog.reject();
    });
    timer->start(kPollMs);
}

} // namespace quarlo::test
