#include "model/TaskDate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace quarlo {
namespace {

constexpr double kSecond = 1.0 / 86400;

TEST(TaskDate, FormatsMonthFirstWithTwoDigitFields) {
    const struct {
        DateTime value;
        const char* text;
    } cases[] = {
        {0, ""},
        {(1 * 3600 + 2 * 60 + 3) * kSecond, "12/30/1899 01:02:03"},
        {26 * 3600 * kSecond, "12/31/1899 02:00:00"},
        {1, "12/31/1899 00:00:00"},
        {-1.25, "12/29/1899 06:00:00"},
        {36526.5, "01/01/2000 12:00:00"},
        {45351 + (23 * 3600 + 59 * 60 + 59) * kSecond, "02/29/2024 23:59:59"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatTaskDate(c.value), c.text) << c.value;
}

TEST(TaskDate, MakesAndSplitsDates) {
    const std::optional<DateTime> leap = makeDateTime(2024, 2, 29, 13, 14, 15);
    ASSERT_TRUE(leap);
    EXPECT_DOUBLE_EQ(std::floor(*leap), 45351);
    const DateParts parts = splitDateTime(*leap);
    EXPECT_EQ(parts.year, 2024);
    EXPECT_EQ(parts.month, 2);
    EXPECT_EQ(parts.day, 29);
    EXPECT_EQ(parts.hour, 13);
    EXPECT_EQ(parts.minute, 14);
    EXPECT_EQ(parts.second, 15);
    EXPECT_EQ(parts.dayOfWeek, 4); // a Thursday
    EXPECT_EQ(splitDateTime(0).dayOfWeek, 6);

    EXPECT_FALSE(makeDateTime(2023, 2, 29));
    EXPECT_FALSE(makeDateTime(1900, 2, 29));
    EXPECT_TRUE(makeDateTime(2000, 2, 29));
    EXPECT_FALSE(makeDateTime(2024, 13, 1));
    EXPECT_FALSE(makeDateTime(2024, 4, 31));
    EXPECT_FALSE(makeDateTime(2024, 1, 1, 24));
    EXPECT_FALSE(makeDateTime(0, 1, 1));

    // A time a hair below midnight rounds into the next day, not to 24:00:00.
    EXPECT_EQ(formatTaskDate(1 - 1e-10), "12/31/1899 00:00:00");
}

TEST(TaskDate, ReadsWhatItWritesAndMonthFirst) {
    for (DateTime value : {1.0, 36526.5, 45351 + 3723 * kSecond, 26 * 3600 * kSecond}) {
        const std::optional<DateTime> back = parseTaskDate(formatTaskDate(value));
        ASSERT_TRUE(back) << value;
        EXPECT_NEAR(*back, value, 1e-9);
    }
    const struct {
        const char* text;
        const char* readAs;
    } cases[] = {
        {"3/4/2021 5:06:07", "03/04/2021 05:06:07"},
        {"03/04/2021", "03/04/2021 00:00:00"},
        {"3/4/21 17:30", "03/04/2021 17:30:00"},
        {"3/4/99 1:00:00 PM", "03/04/1999 13:00:00"},
        {"3/4/2021 12:00:00 am", "03/04/2021 00:00:00"},
        {"  12/31/2020 23:59:59  ", "12/31/2020 23:59:59"},
    };
    for (const auto& c : cases) {
        const std::optional<DateTime> value = parseTaskDate(c.text);
        ASSERT_TRUE(value) << c.text;
        EXPECT_EQ(formatTaskDate(*value), c.readAs) << c.text;
    }
    ASSERT_TRUE(parseTaskDate(""));
    EXPECT_EQ(*parseTaskDate(""), 0);
}

TEST(TaskDate, RefusesWhatItCannotRead) {
    for (const char* text :
         {"yesterday", "13/01/2020 00:00:00", "02/30/2020", "1/2/3/4", "1/2/2020 25:00:00",
          "1/2/2020 10:61", "1/2/2020 10:00:00 XM junk", "1/2/99999", "99999999999/1/2020",
          "1/2/2020 13:00 PM", "\x01\xff/\x80", "1/2/2020 1:2:3:4"})
        EXPECT_FALSE(parseTaskDate(text)) << text;
}

TEST(TaskDate, SurvivesValuesOutOfRange) {
    for (DateTime value : {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(), -1e300, 1e300}) {
        const std::string text = formatTaskDate(value);
        EXPECT_TRUE(parseTaskDate(text)) << text;
    }
}

TEST(TaskDate, CurrentTimeIsLocalWallClock) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const DateParts parts = splitDateTime(dateTimeFromTimeT(now));
    EXPECT_EQ(parts.year, local.tm_year + 1900);
    EXPECT_EQ(parts.month, local.tm_mon + 1);
    EXPECT_EQ(parts.day, local.tm_mday);
    EXPECT_EQ(parts.hour, local.tm_hour);
    EXPECT_EQ(parts.minute, local.tm_min);
    EXPECT_EQ(timeTFromDateTime(dateTimeFromTimeT(now)), now);
}

} // namespace
} // namespace quarlo
