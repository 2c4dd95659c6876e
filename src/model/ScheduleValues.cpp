#include "model/ScheduleValues.h"

#include <cstdio>

namespace quarlo {

namespace {

// Day-of-week indexes in the order the day list names them: Monday first.
constexpr int kListOrder[] = {1, 2, 3, 4, 5, 6, 0};
constexpr std::string_view kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

} // namespace

ScheduleKind scheduleKindOf(const std::string& description) {
    const std::string_view text = description;
    if (text.empty())
        return ScheduleKind::None;
    if (text.starts_with("Now"))
        return ScheduleKind::Now;
    if (text.starts_with("Once"))
        return ScheduleKind::Once;
    if (text.starts_with("Every"))
        return ScheduleKind::Every;
    if (text.starts_with("Daily"))
        return ScheduleKind::Daily;
    if (text.starts_with("Weekly"))
        return ScheduleKind::Weekly;
    return ScheduleKind::Other;
}

std::string_view dayShortName(int dayOfWeek) {
    return dayOfWeek >= 0 && dayOfWeek < 7 ? kDayNames[dayOfWeek] : std::string_view();
}

std::string shortDateText(DateTime value) {
    const DateParts p = splitDateTime(value);
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%d/%02d", p.month, p.day, p.year % 100);
    return text;
}

std::string longTimeText(DateTime value) {
    const DateParts p = splitDateTime(value);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", p.hour, p.minute, p.second);
    return text;
}

std::string dateTimeText(DateTime value) {
    return shortDateText(value) + "  " + longTimeText(value);
}

std::string dayListText(const WeekDays& days) {
    std::string list;
    for (int day : kListOrder) {
        if (!days[day])
            continue;
        if (!list.empty())
            list += ", ";
        list += kDayNames[day];
    }
    return list;
}

std::string onceDescription(DateTime when) {
    return "Once at " + dateTimeText(when);
}

std::string everyDescription(int hours, int minutes) {
    return "Every " + std::to_string(hours) + " hours, " + std::to_string(minutes) + " mins";
}

std::string dailyDescription(DateTime time) {
    return "Daily at " + longTimeText(time);
}

std::string weeklyDescription(const WeekDays& days, DateTime time) {
    return "Weekly every " + dayListText(days) + " at " + longTimeText(time);
}

} // namespace quarlo
