#pragma once

#include <pthread.h>

namespace quarlo {

// A mutex whose waiter spins for a moment before it sleeps. For a lock held a few
// microseconds at a time by many threads (a task's queue and counters): on a busy machine a
// waiter that sleeps is woken long after the holder has let go, and the parse thread, which
// the whole download waits for, would lose that time on every collision. Lockable, so
// std::lock_guard and std::unique_lock take it.
class SpinningMutex {
public:
    SpinningMutex();
    ~SpinningMutex();
    SpinningMutex(const SpinningMutex&) = delete;
    SpinningMutex& operator=(const SpinningMutex&) = delete;

    void lock();
    bool try_lock();
    void unlock();

private:
    pthread_mutex_t m_mutex;
};

} // namespace quarlo
