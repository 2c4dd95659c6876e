#include "support/ModalDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace quarlo::test {

namespace {
constexpr int kPollMs = 10;
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

} // namespace quarlo::test
