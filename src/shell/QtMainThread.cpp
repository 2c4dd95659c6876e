#include "shell/QtMainThread.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <chrono>

namespace quarlo::shell {

namespace {
std::atomic<long long> g_longestInvokeWait{0};

void noteWait(long long micros) {
    long long seen = g_longestInvokeWait.load();
    while (micros > seen && !g_longestInvokeWait.compare_exchange_weak(seen, micros)) {
    }
}
} // namespace

QtMainThread::QtMainThread(QObject* parent) : QObject(parent) {}

QtMainThread::~QtMainThread() {
    for (auto& [id, timer] : m_timers)
        delete timer;
}

void QtMainThread::post(Task task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void QtMainThread::invoke(Task task) {
    if (isMainThread()) {
        task();
        return;
    }
    const auto begin = std::chrono::steady_clock::now();
    QMetaObject::invokeMethod(this, std::move(task), Qt::BlockingQueuedConnection);
    noteWait(std::chrono::duration_cast<std::chrono::microseconds>(
                 std::chrono::steady_clock::now() - begin)
                 .count());
}

MainThread::TimerId QtMainThread::startTimer(std::chrono::milliseconds interval, Task task) {
    // Timers belong to the GUI thread; a worker's request is carried over to it.
    const TimerId id = m_nextTimer++;
    auto make = [this, id, interval, task = std::move(task)]() mutable {
        auto* timer = new QTimer;
        timer->setInterval(static_cast<int>(interval.count()));
        QObject::connect(timer, &QTimer::timeout, timer, std::move(task));
        m_timers[id] = timer;
        timer->start();
    };
    if (isMainThread())
        make();
    else
        QMetaObject::invokeMethod(this, std::move(make), Qt::BlockingQueuedConnection);
    return id;
}

void QtMainThread::stopTimer(TimerId id) {
    auto stop = [this, id] {
        auto found = m_timers.find(id);
        if (found == m_timers.end())
            return;
        found->second->stop();
        // A timer may be stopped from its own timeout: delete it when that call returns.
        found->second->deleteLater();
        m_timers.erase(found);
    };
    if (isMainThread())
        stop();
    else
        QMetaObject::invokeMethod(this, std::move(stop), Qt::BlockingQueuedConnection);
}

bool QtMainThread::isMainThread() const {
    return QThread::currentThread() == thread();
}

long long QtMainThread::longestInvokeWaitMicros() {
    return g_longestInvokeWait.load();
}

} // namespace quarlo::shell
