#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace quarlo {

// A date and time as days since 12/30/1899 00:00:00 in local wall-clock time; the fraction
// is the time of day. Durations (a task's elapsed time) use the same scale, counted from
// that epoch. Before the epoch the whole part counts days back while the fraction is still
// the time of day (-1.25 is 12/29/1899 06:00:00).
using DateTime = double;

struct DateParts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 6; // 0 Sunday ... 6 Saturday
};

// Nothing when a part is out of range (month 1-12, a day the month has, years 1-9999,
// hour < 24, minute and second < 60, millisecond < 1000).
std::optional<DateTime> makeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                                     int second = 0, int millisecond = 0);
// Rounded to the millisecond.
DateParts splitDateTime(DateTime value);

DateTime dateTimeFromTimeT(std::time_t time); // local time
std::time_t timeTFromDateTime(DateTime value);
DateTime currentDateTime();

// The file form "mm/dd/yyyy hh:mm:ss" (24-hour clock); exactly 0 is written as "".
std::string formatTaskDate(DateTime value);

// Reads month first: "m/d/yyyy", optionally followed by "h:m" or "h:m:s" and "AM"/"PM";
// a year of one or two digits lies between 1950 and 2049. An empty text is 0; a text that
// cannot be read gives nothing.
std::optional<DateTime> parseTaskDate(std::string_view text);

} // namespace quarlo
