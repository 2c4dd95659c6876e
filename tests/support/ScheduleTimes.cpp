#include "support/ScheduleTimes.h"

namespace quarlo::test {

DateTime at(int year, int month, int day, int hour, int minute, int second) {
    return makeDateTime(year, month, day, hour, minute, second).value();
}

DateTime timeOfDay(int hour, int minute, int second) {
    return at(1899, 12, 30, hour, minute, second);
}

std::vector<NextRunCase> dailyAtTenCases() {
    return {
        {at(2025, 3, 5, 9, 59), at(2025, 3, 5, 10, 0)},
        {at(2025, 3, 5, 10, 0), at(2025, 3, 5, 10, 0)},
        {at(2025, 3, 5, 10, 0) + 0.5 / 86400, at(2025, 3, 5, 10, 0)}, // same second
        {at(2025, 3, 5, 10, 0, 1), at(2025, 3, 6, 10, 0)},
        {at(2025, 3, 5, 10, 1), at(2025, 3, 6, 10, 0)},
        {at(2025, 3, 31, 23, 0), at(2025, 4, 1, 10, 0)},
    };
}

std::vector<NextRunCase> weeklyMonFriAtTenCases() {
    return {
        {at(2025, 3, 5, 12, 0), at(2025, 3, 7, 10, 0)},   // Wednesday: Friday
        {at(2025, 3, 7, 9, 0), at(2025, 3, 7, 10, 0)},    // Friday before the time
        {at(2025, 3, 7, 10, 0), at(2025, 3, 7, 10, 0)},   // Friday at the time
        {at(2025, 3, 7, 10, 30), at(2025, 3, 10, 10, 0)}, // Friday after: next Monday
    };
}

} // namespace quarlo::test
