#pragma once

#include "model/TaskDate.h"

#include <vector>

namespace quarlo::test {

// A date and time that exists (the test's own constant).
DateTime at(int year, int month, int day, int hour, int minute, int second = 0);
// A time of day as the schedule keeps it: on the day the date count starts from.
DateTime timeOfDay(int hour, int minute, int second = 0);

// A clock reading and the next run a daily schedule at 10:00 gives from it.
struct NextRunCase {
    DateTime now;
    DateTime expected;
};
// Readings around 10:00 on Wednesday 2025-03-05: before, at and within the chosen second,
// after it, and on the last day of a month.
std::vector<NextRunCase> dailyAtTenCases();
// The same for a weekly schedule on Monday and Friday at 10:00, from Wednesday 2025-03-05 on.
std::vector<NextRunCase> weeklyMonFriAtTenCases();

} // namespace quarlo::test
