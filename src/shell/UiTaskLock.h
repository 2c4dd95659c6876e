#pragma once

#include "platform/SpinningMutex.h"
#include <chrono>

#include <mutex>

namespace quarlo::shell {

// A task's mutex taken by a window on the GUI thread. Workers wait for the GUI only while a
// window holds it, so every hold is timed: the longest one is the longest a worker can have
// waited on the user interface (the benchmark prints it).
class UiTaskLock {
public:
    explicit UiTaskLock(SpinningMutex& mutex);
    ~UiTaskLock();
    UiTaskLock(const UiTaskLock&) = delete;
    UiTaskLock& operator=(const UiTaskLock&) = delete;

    // The longest hold so far, in microseconds.
    static long long longestHoldMicros();

private:
    std::lock_guard<SpinningMutex> m_lock;
    std::chrono::steady_clock::time_point m_since;
};

} // namespace quarlo::shell
