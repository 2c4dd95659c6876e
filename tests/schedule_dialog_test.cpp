#include "schedule/ScheduleDialogModel.h"

#include "schedule/Clock.h"
#include "support/ScheduleTimes.h"

#include <gtest/gtest.h>

namespace quarlo {
namespace {

using test::at;
using test::timeOfDay;

// 2025-03-05 is a Wednesday.
TEST(ScheduleDialogModel, OpensOnAtWithTodayAndThePresentTime) {
    TestClock clock(at(2025, 3, 5, 14, 30, 15) + 0.4 / 86400);
    ScheduleDialogModel model(clock);
    EXPECT_EQ(model.choice(), ScheduleChoice::At);
    EXPECT_EQ(model.hours(), "0");
    EXPECT_EQ(model.minutes(), "0");
    EXPECT_EQ(model.result().description, "Once at 03/5/25  14:30:15");
    EXPECT_EQ(model.result().nextRun, at(2025, 3, 5, 14, 30, 15));
    EXPECT_EQ(model.result().nextRunLabel, " Next Run: 03/5/25  14:30:15");
}

TEST(ScheduleDialogModel, DailyNextRunDependsOnTheClock) {
    for (const test::NextRunCase& c : test::dailyAtTenCases()) {
        TestClock clock(c.now);
        ScheduleDialogModel model(clock);
        model.setDailyTime(timeOfDay(10, 0));
        EXPECT_EQ(model.choice(), ScheduleChoice::Daily);
        EXPECT_EQ(model.result().nextRun, c.expected);
        EXPECT_EQ(model.result().description, "Daily at 10:00:00");
        EXPECT_EQ(model.result().scheduleLabel, " Run daily at 10:00:00");
    }
    // The same dialog left open past the time moves on to tomorrow when worked out again.
    TestClock clock(at(2025, 3, 5, 9, 59));
    ScheduleDialogModel model(clock);
    model.setDailyTime(timeOfDay(10, 0));
    clock.set(at(2025, 3, 5, 10, 0, 1));
    model.refresh();
    EXPECT_EQ(model.result().nextRun, at(2025, 3, 6, 10, 0));
}

TEST(ScheduleDialogModel, WeeklyNextRunIsTheFirstCheckedDayStillAhead) {
    for (const test::NextRunCase& c : test::weeklyMonFriAtTenCases()) {
        TestClock clock(c.now);
        ScheduleDialogModel model(clock);
        model.setWeeklyTime(timeOfDay(10, 0));
        model.setWeekDay(5, true); // Fri
        model.setWeekDay(1, true); // Mon
        ASSERT_TRUE(model.accept().ok());
        EXPECT_EQ(model.result().nextRun, c.expected);
        EXPECT_EQ(model.result().description, "Weekly every Mon, Fri at 10:00:00");
        EXPECT_EQ(model.result().scheduleLabel, " Run every Mon, Fri of every week at 10:00:00");
    }
}

TEST(ScheduleDialogModel, WeeklyWithoutADayIsRefusedWithTheWarning) {
    TestClock clock(at(2025, 3, 5, 12, 0));
    ScheduleDialogModel model(clock);
    model.setWeekDay(3, true);
    model.setWeekDay(3, false);
    EXPECT_EQ(model.choice(), ScheduleChoice::Weekly);
    EXPECT_FALSE(model.result().nextRun.has_value());
    EXPECT_EQ(model.result().nextRunLabel, "");
    const auto accepted = model.accept();
    ASSERT_FALSE(accepted.ok());
    EXPECT_EQ(accepted.message(), kNoWeekdayMessage);
    // Another kind chosen, OK goes through again.
    model.choose(ScheduleChoice::At);
    EXPECT_TRUE(model.accept().ok());
}

TEST(ScheduleDialogModel, EveryBoxesKeepDigitsAndAreCorrected) {
    const DateTime now = at(2025, 3, 5, 12, 0);
    TestClock clock(now);
    ScheduleDialogModel model(clock);
    model.setHours("2x5");
    EXPECT_EQ(model.choice(), ScheduleChoice::Every);
    EXPECT_EQ(model.hours(), "23");
    model.setMinutes("-7");
    EXPECT_EQ(model.minutes(), "7");
    model.setMinutes("75");
    EXPECT_EQ(model.minutes(), "59");
    EXPECT_EQ(model.result().description, "Every 23 hours, 59 mins");
    EXPECT_EQ(model.result().scheduleLabel, " Run every 23 hours, 59 mins");
    EXPECT_NEAR(*model.result().nextRun, now + 23 / 24.0 + 59 / 1440.0, 1e-9);
    model.setHours("");
    model.setMinutes("");
    EXPECT_EQ(model.hours(), "0");
    EXPECT_EQ(model.minutes(), "0");
    EXPECT_NEAR(*model.result().nextRun, now, 1e-9);
    EXPECT_EQ(ScheduleDialogModel::digitsOnly(" 1a2.3\t"), "123");
}

TEST(ScheduleDialogModel, EachKindKeepsItsOwnTime) {
    TestClock clock(at(2025, 3, 5, 12, 0));
    ScheduleDialogModel model(clock);
    model.setDailyTime(timeOfDay(18, 0));
    model.setOnceDate(at(2025, 4, 1, 0, 0));
    model.setOnceTime(timeOfDay(7, 45));
    EXPECT_EQ(model.result().description, "Once at 04/1/25  07:45:00");
    model.choose(ScheduleChoice::Daily);
    EXPECT_EQ(model.result().description, "Daily at 18:00:00");
    EXPECT_EQ(model.result().nextRun, at(2025, 3, 5, 18, 0));
}

} // namespace
} // namespace quarlo
