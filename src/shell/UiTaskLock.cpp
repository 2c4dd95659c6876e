#include "shell/UiTaskLock.h"

#include <atomic>

namespace quarlo::shell {

namespace {
std::atomic<long long> g_longestHold{0};
} // namespace

UiTaskLock::UiTaskLock(SpinningMutex& mutex)
    : m_lock(mutex), m_since(std::chrono::steady_clock::now()) {}

UiTaskLock::~UiTaskLock() {
    const long long held = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - m_since)
                               .count();
    long long seen = g_longestHold.load();
    while (held > seen && !g_longestHold.compare_exchange_weak(seen, held)) {
    }
}

long long UiTaskLock::longestHoldMicros() {
    return g_longestHold.load();
}

} // namespace quarlo::shell
