#pragma once

#include "model/TaskDate.h"

#include <array>
#include <string>
#include <string_view>

namespace quarlo {

// A task keeps its schedule as a readable description (the "Schedule" key) and a next-run
// time; the description's first word tells the kind, and re-arming after a run reads the
// recurrence back from the text. Tested in this order: "Now", "Once", "Every", "Daily",
// "Weekly"; an empty text is None, anything else (the editor's date and time) Other.
enum class ScheduleKind { None, Now, Once, Every, Daily, Weekly, Other };
ScheduleKind scheduleKindOf(const std::string& description);

// Days of a weekly schedule, indexed by day of week: 0 Sunday ... 6 Saturday.
using WeekDays = std::array<bool, 7>;

// The short name of a day of the week ("Sun" ... "Sat"), as the day list writes it.
std::string_view dayShortName(int dayOfWeek);

// The program's short date form "MM/d/yy" and long time form "hh:mm:ss" (24-hour clock).
std::string shortDateText(DateTime value);
std::string longTimeText(DateTime value);
// Both, joined by two blanks.
std::string dateTimeText(DateTime value);
// The checked days as "Mon", "Tue", ... "Sun", always Monday first, joined by ", ".
std::string dayListText(const WeekDays& days);

// The descriptions, as the schedule dialog writes them.
inline constexpr const char* kNowDescription = "Now";
std::string onceDescription(DateTime when); // "Once at 03/7/25  10:00:00"
std::string everyDescription(int hours, int minutes);
std::string dailyDescription(DateTime time);
std::string weeklyDescription(const WeekDays& days, DateTime time);

} // namespace quarlo
