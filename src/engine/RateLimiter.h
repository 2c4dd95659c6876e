#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

namespace quarlo {

// Caps the sum of the speeds of the transfers that share it. Each transfer calls take()
// with the bytes it has just received and is held back until they fit under the rate; the
// held transfer stops reading, so the server is slowed down by the connection itself.
// Thread-safe: the slots call it from their own threads.
class RateLimiter {
public:
    // Bytes per second; 0 means no limit.
    void setRate(int64_t bytesPerSecond);
    int64_t rate() const;

    // Accounts for the bytes and sleeps until they may be passed on. Returns early (false)
    // once stopped() answers true, which is asked every few milliseconds while waiting.
    bool take(int64_t bytes, const std::function<bool()>& stopped);

private:
    using Clock = std::chrono::steady_clock;

    mutable std::mutex m_mutex;
    int64_t m_rate = 0;
    // When the bytes accounted so far have all been passed at the rate.
    Clock::time_point m_due{};
};

} // namespace quarlo
