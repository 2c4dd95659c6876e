#pragma once

#include "model/TaskDate.h"

#include <atomic>

namespace quarlo {

// Where the schedule code takes "now" from, so that tests can set the time of day.
class Clock {
public:
    virtual ~Clock() = default;
    // Local wall-clock time, as the task file keeps it.
    virtual DateTime now() const = 0;
};

// The system's local time.
class SystemClock : public Clock {
public:
    DateTime now() const override;
    // One shared instance for callers that need no other clock.
    static const SystemClock& instance();
};

// A clock that stands still until it is set or moved on. Safe to read from other threads.
class TestClock : public Clock {
public:
    explicit TestClock(DateTime start);
    DateTime now() const override;
    void set(DateTime when);
    // Moves on by a number of seconds of wall-clock time.
    void advanceSeconds(double seconds);

private:
    std::atomic<DateTime> m_now;
};

} // namespace quarlo
