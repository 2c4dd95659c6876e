#pragma once

#include <chrono>
#include <functional>

namespace quarlo {

// The user-interface thread as the engine sees it. The desktop program implements it with
// queued calls into the Qt event loop; the CLI and the tests with EventLoop.
class MainThread {
public:
    using Task = std::function<void()>;
    using TimerId = int;

    virtual ~MainThread() = default;

    // Runs the task on the main thread later; returns at once.
    virtual void post(Task task) = 0;
    // Runs the task on the main thread and waits for it (runs it at once when called on the
    // main thread). Never call it while holding a lock the main thread may take.
    virtual void invoke(Task task) = 0;
    // Runs the task on the main thread every interval until the timer is stopped.
    virtual TimerId startTimer(std::chrono::milliseconds interval, Task task) = 0;
    virtual void stopTimer(TimerId id) = 0;
    virtual bool isMainThread() const = 0;
};

} // namespace quarlo
