#pragma once

#include "platform/MainThread.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace quarlo {

// A small event loop that makes the thread that runs it the main thread: posted tasks run
// in order, timers fire on it. The CLI and the tests use it. invoke() from another thread
// waits until the loop has run the task; a task still queued when the loop is destroyed is
// dropped, and an invoke() waiting for it returns.
class EventLoop : public MainThread {
public:
    EventLoop(); // the constructing thread is the main thread
    ~EventLoop() override;

    void post(Task task) override;
    void invoke(Task task) override;
    TimerId startTimer(std::chrono::milliseconds interval, Task task) override;
    void stopTimer(TimerId id) override;
    bool isMainThread() const override;

    // Runs tasks and timers until quit() is called (from any thread). A quit() that comes
    // before run() or runUntil() ends the next one at once.
    void run();
    // Runs until the predicate holds (checked after every task and timer, and at least every
    // 10 ms) or the time is up; true when the predicate held.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Runs what is due now and returns.
    void processPending();
    void quit();

private:
    struct Timer {
        std::chrono::milliseconds interval;
        std::chrono::steady_clock::time_point due;
        Task task;
    };
    bool runOnce(std::chrono::steady_clock::time_point until);

    std::thread::id m_mainThread;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;
    std::map<TimerId, Timer> m_timers;
    TimerId m_nextTimer = 1;
    std::atomic<bool> m_quit{false};
};

} // namespace quarlo
