#pragma once

#include "platform/MainThread.h"

#include <QObject>

#include <atomic>
#include <map>

class QTimer;

namespace quarlo::shell {

// The engine's main thread is Qt's GUI thread: posted tasks are queued calls into its event
// loop and timers are QTimers. invoke() from a worker blocks until the GUI thread has run
// the task; the longest such wait is kept, so that a benchmark can show that windows never
// hold up a worker.
class QtMainThread : public QObject, public MainThread {
    Q_OBJECT
public:
    explicit QtMainThread(QObject* parent = nullptr); // made on the GUI thread
    ~QtMainThread() override;

    void post(Task task) override;
    void invoke(Task task) override;
    TimerId startTimer(std::chrono::milliseconds interval, Task task) override;
    void stopTimer(TimerId id) override;
    bool isMainThread() const override;

    // The longest time a worker has waited in invoke(), in microseconds.
    static long long longestInvokeWaitMicros();

private:
    std::map<TimerId, QTimer*> m_timers;
    std::atomic<TimerId> m_nextTimer{1};
};

} // namespace quarlo::shell
