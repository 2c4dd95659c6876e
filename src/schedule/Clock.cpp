#include "schedule/Clock.h"

namespace quarlo {

DateTime SystemClock::now() const {
    return currentDateTime();
}

const SystemClock& SystemClock::instance() {
    static const SystemClock clock;
    return clock;
}

TestClock::TestClock(DateTime start) : m_now(start) {}

DateTime TestClock::now() const {
    return m_now.load();
}

void TestClock::set(DateTime when) {
    m_now.store(when);
}

void TestClock::advanceSeconds(double seconds) {
    DateTime current = m_now.load();
    while (!m_now.compare_exchange_weak(current, current + seconds / 86400.0)) {
    }
}

} // namespace quarlo
