#include "model/TaskDate.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace quarlo {

namespace {

constexpr long long kMsPerDay = 86400000;
// Unix day number of 12/30/1899.
constexpr long long kEpochUnixDay = -25569;
// Day numbers (from the epoch) of 01/01/0001 and 12/31/9999.
constexpr long long kFirstDay = -693593;
constexpr long long kLastDay = 2958465;

long long daysFromCivil(long long y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int daysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads 1 to maxDigits decimal digits.
bool readNumber(std::string_view text, std::size_t& pos, int maxDigits, int& value) {
    value = 0;
    int digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < maxDigits) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits > 0 && (pos == text.size() || text[pos] < '0' || text[pos] > '9');
}

bool expect(std::string_view text, std::size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

void skipBlanks(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
}

bool readDate(std::string_view text, std::size_t& pos, int& year, int& month, int& day) {
    if (!readNumber(text, pos, 2, month) || !expect(text, pos, '/') ||
        !readNumber(text, pos, 2, day) || !expect(text, pos, '/'))
        return false;
    const std::size_t digitsStart = pos;
    if (!readNumber(text, pos, 4, year))
        return false;
    if (pos - digitsStart <= 2)
        year += year < 50 ? 2000 : 1900;
    return true;
}

// "h:m", "h:m:s" or "h:m:s.zzz", then an optional "AM"/"PM".
bool readTime(std::string_view text, std::size_t& pos, int& hour, int& minute, int& second,
              int& ms) {
    if (!readNumber(text, pos, 2, hour) || !expect(text, pos, ':') ||
        !readNumber(text, pos, 2, minute))
        return false;
    if (expect(text, pos, ':')) {
        if (!readNumber(text, pos, 2, second))
            return false;
        if (expect(text, pos, '.') && !readNumber(text, pos, 3, ms))
            return false;
    }
    skipBlanks(text, pos);
    if (text.size() - pos < 2)
        return true;
    const char a = static_cast<char>(text[pos] & ~0x20);
    const char m = static_cast<char>(text[pos + 1] & ~0x20);
    if ((a != 'A' && a != 'P') || m != 'M')
        return true;
    if (hour < 1 || hour > 12)
        return false;
    hour = hour % 12 + (a == 'P' ? 12 : 0);
    pos += 2;
    return true;
}

} // namespace

std::optional<DateTime> makeDateTime(int year, int month, int day, int hour, int minute, int second,
                                     int millisecond) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || millisecond < 0 || millisecond > 999)
        return std::nullopt;
    const double days = static_cast<double>(daysFromCivil(year, month, day) - kEpochUnixDay);
    const double time =
        static_cast<double>(((hour * 60LL + minute) * 60 + second) * 1000 + millisecond) /
        kMsPerDay;
    return days >= 0 ? days + time : days - time;
}

DateParts splitDateTime(DateTime value) {
    if (!std::isfinite(value))
        value = 0;
    value = std::fmax(static_cast<double>(kFirstDay), std::fmin(value, kLastDay + 0.99999));
    long long days = static_cast<long long>(std::trunc(value));
    long long ms = std::llround(std::fabs(value - static_cast<double>(days)) * kMsPerDay);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        ++days;
    }
    DateParts parts;
    const long long unixDay = days + kEpochUnixDay;
    civilFromDays(unixDay, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(ms / 3600000);
    parts.minute = static_cast<int>(ms / 60000 % 60);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.millisecond = static_cast<int>(ms % 1000);
    parts.dayOfWeek = static_cast<int>(((unixDay % 7) + 7 + 4) % 7);
    return parts;
}

DateTime dateTimeFromTimeT(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return makeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec)
        .value_or(0);
}

std::time_t timeTFromDateTime(DateTime value) {
    const DateParts parts = splitDateTime(value);
    std::tm local{};
    local.tm_year = parts.year - 1900;
    local.tm_mon = parts.month - 1;
    local.tm_mday = parts.day;
    local.tm_hour = parts.hour;
    local.tm_min = parts.minute;
    local.tm_sec = parts.second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

DateTime currentDateTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        now - std::chrono::system_clock::from_time_t(seconds))
                        .count();
    const DateTime whole = dateTimeFromTimeT(seconds);
    return whole + static_cast<double>(ms < 0 ? 0 : ms) / kMsPerDay;
}

std::string formatTaskDate(DateTime value) {
    if (value == 0)
        return {};
    const DateParts p = splitDateTime(value);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", p.month, p.day, p.year,
                  p.hour, p.minute, p.second);
    return text;
}

std::optional<DateTime> parseTaskDate(std::string_view text) {
    std::size_t pos = 0;
    skipBlanks(text, pos);
    if (pos == text.size())
        return 0.0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    if (!readDate(text, pos, year, month, day))
        return std::nullopt;
    skipBlanks(text, pos);
    if (pos < text.size() && !readTime(text, pos, hour, minute, second, ms))
        return std::nullopt;
    skipBlanks(text, pos);
    if (pos != text.size())
        return std::nullopt;
    return makeDateTime(year, month, day, hour, minute, second, ms);
}

} // namespace quarlo
