#include "engine/RateLimiter.h"

#include <algorithm>
#include <thread>

namespace quarlo {

namespace {

// A quiet limiter may let this much time's worth of bytes through at once, so a transfer
// that starts after a pause is not held back for what the pause did not use.
constexpr std::chrono::milliseconds kBurst{100};
// How often a held transfer looks whether it was stopped.
constexpr std::chrono::milliseconds kStopCheck{20};

} // namespace

void RateLimiter::setRate(int64_t bytesPerSecond) {
    std::lock_guard lock(m_mutex);
    m_rate = std::max<int64_t>(0, bytesPerSecond);
}

int64_t RateLimiter::rate() const {
    std::lock_guard lock(m_mutex);
    return m_rate;
}

bool RateLimiter::take(int64_t bytes, const std::function<bool()>& stopped) {
    Clock::time_point due;
    {
        std::lock_guard lock(m_mutex);
        if (m_rate <= 0 || bytes <= 0)
            return true;
        const Clock::time_point now = Clock::now();
        m_due = std::max(m_due, now - kBurst);
        m_due += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
            static_cast<double>(bytes) / static_cast<double>(m_rate)));
        due = m_due;
    }
    for (Clock::time_point now = Clock::now(); now < due; now = Clock::now()) {
        if (stopped && stopped())
            return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(due - now, kStopCheck));
    }
    return true;
}

} // namespace quarlo
