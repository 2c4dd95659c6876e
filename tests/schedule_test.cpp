#include "schedule/Clock.h"
#include "schedule/Schedule.h"

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/InstanceLock.h"
#include "support/AppFixture.h"
#include "support/ScheduleTimes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace quarlo {
namespace {

using test::at;

// Week of 2025-03-03: Wed 5th, Fri 7th, Sat 8th, Sun 9th, Mon 10th.
const DateTime kTenAm = test::timeOfDay(10, 0);

ScheduleInputs choose(ScheduleChoice choice, DateTime time = kTenAm) {
    ScheduleInputs inputs;
    inputs.choice = choice;
    inputs.time = time;
    return inputs;
}

TEST(ScheduleDialog, DailyTakesTodayUntilTheChosenSecondHasPassed) {
    for (const test::NextRunCase& c : test::dailyAtTenCases()) {
        TestClock clock(c.now);
        const auto result = computeSchedule(choose(ScheduleChoice::Daily), clock.now());
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(result->nextRun, c.expected) << longTimeText(c.now);
        EXPECT_EQ(result->description, "Daily at 10:00:00");
        EXPECT_EQ(result->scheduleLabel, " Run daily at 10:00:00");
    }
}

TEST(ScheduleDialog, WeeklyTakesTheFirstCheckedDayWhoseTimeIsAhead) {
    ScheduleInputs inputs = choose(ScheduleChoice::Weekly);
    inputs.days[1] = inputs.days[5] = true; // Mon, Fri
    for (const test::NextRunCase& c : test::weeklyMonFriAtTenCases()) {
        const auto result = acceptSchedule(inputs, c.now);
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(result->nextRun, c.expected) << shortDateText(c.now);
    }
    const auto result = computeSchedule(inputs, at(2025, 3, 5, 12, 0));
    EXPECT_EQ(result->description, "Weekly every Mon, Fri at 10:00:00");
    EXPECT_EQ(result->scheduleLabel, " Run every Mon, Fri of every week at 10:00:00");
    EXPECT_EQ(result->nextRunLabel, " Next Run: 03/7/25  10:00:00");
}

TEST(ScheduleDialog, DayListRunsMondayFirstAndNoDayIsRefusedOnOk) {
    WeekDays days{};
    days[0] = days[1] = days[3] = true; // Sun, Mon, Wed
    EXPECT_EQ(dayListText(days), "Mon, Wed, Sun");

    const ScheduleInputs none = choose(ScheduleChoice::Weekly);
    const auto shown = computeSchedule(none, at(2025, 3, 5, 12, 0));
    ASSERT_TRUE(shown.ok());
    EXPECT_FALSE(shown->nextRun.has_value());
    EXPECT_EQ(shown->nextRunLabel, "");
    const auto accepted = acceptSchedule(none, at(2025, 3, 5, 12, 0));
    ASSERT_FALSE(accepted.ok());
    EXPECT_EQ(accepted.message(), kNoWeekdayMessage);
}

TEST(ScheduleDialog, EveryCorrectsItsBoxesAndCountsFromNow) {
    const DateTime now = at(2025, 3, 5, 12, 0);
    struct Case {
        std::string hours, minutes, shownHours, shownMinutes;
        DateTime expected;
    } cases[] = {
        {"25", "0", "23", "0", at(2025, 3, 6, 11, 0)},
        {"2", "75", "2", "59", at(2025, 3, 5, 14, 59)},
        {"", "", "0", "0", now},
        {"99999999999999999999", "30", "23", "30", at(2025, 3, 6, 11, 30)},
    };
    for (const Case& c : cases) {
        ScheduleInputs inputs = choose(ScheduleChoice::Every);
        inputs.hours = c.hours;
        inputs.minutes = c.minutes;
        const auto result = computeSchedule(inputs, now);
        ASSERT_TRUE(result.ok()) << c.hours;
        EXPECT_EQ(result->hours, c.shownHours);
        EXPECT_EQ(result->minutes, c.shownMinutes);
        EXPECT_EQ(result->description,
                  "Every " + c.shownHours + " hours, " + c.shownMinutes + " mins");
        EXPECT_EQ(longTimeText(*result->nextRun), longTimeText(c.expected));
        EXPECT_EQ(shortDateText(*result->nextRun), shortDateText(c.expected));
    }
    ScheduleInputs bad = choose(ScheduleChoice::Every);
    bad.hours = "-1";
    EXPECT_FALSE(computeSchedule(bad, now).ok());
    bad.hours = "1";
    bad.minutes = "5x";
    EXPECT_FALSE(computeSchedule(bad, now).ok());
}

TEST(ScheduleDialog, AtTakesTheChosenDateAndTimeEvenInThePast) {
    ScheduleInputs inputs = choose(ScheduleChoice::At, at(1899, 12, 30, 8, 5, 9));
    inputs.date = at(2024, 12, 1, 17, 0);
    const auto result = computeSchedule(inputs, at(2025, 3, 5, 12, 0));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result->nextRun, at(2024, 12, 1, 8, 5, 9));
    EXPECT_EQ(result->description, "Once at 12/1/24  08:05:09");
    EXPECT_EQ(result->scheduleLabel, " Run once at 12/1/24  08:05:09");
    EXPECT_EQ(result->nextRunLabel, " Next Run: 12/1/24  08:05:09");
}

class ScheduleTaskTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
    }

    std::unique_ptr<TQLTask> task(const std::string& schedule, DateTime nextRun,
                                  TaskStatus status) {
        auto t = std::make_unique<TQLTask>(*m_app);
        EXPECT_TRUE(t->setLocation("General", "Site").ok());
        t->setSchedule(schedule);
        t->setNextRun(nextRun);
        t->setStatus(status);
        EXPECT_TRUE(t->save().ok());
        return t;
    }

    std::unique_ptr<TQLTask> reloaded(const TQLTask& t) {
        return TQLTask::loadFromFile(*m_app, t.filePath());
    }

    bool listed(const TQLTask& t) { return m_app->activeTasks().contains(t.filePath()); }

    std::unique_ptr<TQLApp> m_app;
};

TEST_F(ScheduleTaskTest, RearmOfRecurringKindsMovesTheNextRunAndSchedulesAgain) {
    struct Case {
        std::string schedule;
        DateTime nextRun, now, expected;
    } cases[] = {
        // Daily, three days back: the first time after now, same time of day.
        {"Daily at 10:00:00", at(2025, 3, 2, 10, 0), at(2025, 3, 5, 12, 0), at(2025, 3, 6, 10, 0)},
        {"Daily at 10:00:00", at(2025, 3, 2, 10, 0), at(2025, 3, 5, 9, 0), at(2025, 3, 5, 10, 0)},
        // Weekly Sat and Sun after a Saturday run: Sunday.
        {"Weekly every Sat, Sun at 08:00:00", at(2025, 3, 8, 8, 0), at(2025, 3, 8, 9, 30),
         at(2025, 3, 9, 8, 0)},
        {"Weekly every Mon at 08:00:00", at(2024, 1, 1, 8, 0), at(2025, 3, 5, 9, 30),
         at(2025, 3, 10, 8, 0)},
    };
    for (const Case& c : cases) {
        auto t = task(c.schedule, c.nextRun, TaskStatus::TaskComplete);
        ASSERT_FALSE(listed(*t));
        ASSERT_TRUE(rearmSchedule(*t, c.now).ok());
        const auto back = reloaded(*t);
        EXPECT_EQ(back->nextRun(), c.expected) << c.schedule;
        EXPECT_EQ(back->status(), TaskStatus::Scheduled);
        EXPECT_EQ(back->schedule(), c.schedule);
        EXPECT_TRUE(listed(*t));
    }
}

TEST_F(ScheduleTaskTest, RearmOfEveryCountsFromTheEndOfTheRun) {
    TestClock clock(at(2025, 3, 5, 12, 0));
    auto t = task("Every 3 hours, 15 mins", at(2025, 3, 5, 12, 0), TaskStatus::Zipped);
    clock.advanceSeconds(2 * 3600 + 30); // the run took two hours
    ASSERT_TRUE(rearmSchedule(*t, clock.now()).ok());
    const auto back = reloaded(*t);
    EXPECT_EQ(formatTaskDate(back->nextRun()), "03/05/2025 17:15:30");
    EXPECT_EQ(back->status(), TaskStatus::Scheduled);
}

TEST_F(ScheduleTaskTest, RearmClearsNowAndLeavesOnceAndOtherTextsAlone) {
    auto now = task("Now", 0, TaskStatus::Scheduled);
    ASSERT_TRUE(listed(*now));
    now->setStatus(TaskStatus::TaskComplete); // as the run left it
    ASSERT_TRUE(rearmSchedule(*now, at(2025, 3, 5, 12, 0)).ok());
    auto back = reloaded(*now);
    EXPECT_EQ(back->schedule(), "");
    EXPECT_EQ(back->nextRun(), 0);
    EXPECT_EQ(back->status(), TaskStatus::TaskComplete);
    EXPECT_FALSE(listed(*now));

    for (const std::string text : {"Once at 03/1/25  10:00:00", "03/1/25 10:00", ""}) {
        auto t = task(text, at(2025, 3, 1, 10, 0), TaskStatus::TaskComplete);
        ASSERT_TRUE(rearmSchedule(*t, at(2025, 3, 5, 12, 0)).ok());
        back = reloaded(*t);
        EXPECT_EQ(back->nextRun(), at(2025, 3, 1, 10, 0)) << text;
        EXPECT_EQ(back->status(), TaskStatus::TaskComplete);
    }
}

TEST_F(ScheduleTaskTest, BrokenRecurringDescriptionsLeaveTheTaskAsItWas) {
    for (const std::string text :
         {"Every", "Every x hours, 5 mins", "Every 3 hours", "Every 3", "Every 3 hours, mins",
          "Every 1234567 hours, 0 mins", "Weekly every  at 10:00:00", "Weekly"}) {
        auto t = task(text, at(2025, 3, 1, 10, 0), TaskStatus::Zipped);
        const Status status = rearmSchedule(*t, at(2025, 3, 5, 12, 0));
        EXPECT_FALSE(status.ok()) << text;
        EXPECT_NE(status.message().find("cannot be read"), std::string::npos);
        EXPECT_EQ(t->nextRun(), at(2025, 3, 1, 10, 0)) << text;
        EXPECT_EQ(t->status(), TaskStatus::Zipped);
        EXPECT_FALSE(listed(*t));
    }
}

TEST_F(ScheduleTaskTest, ScheduleAndUnscheduleKeepTheActiveListInStep) {
    auto t = task("", 0, TaskStatus::TaskComplete);
    ScheduleInputs inputs = choose(ScheduleChoice::Daily);
    const auto result = acceptSchedule(inputs, at(2025, 3, 5, 9, 0));
    ASSERT_TRUE(result.ok());
    ASSERT_TRUE(scheduleTask(*t, *result).ok());
    auto back = reloaded(*t);
    EXPECT_EQ(back->status(), TaskStatus::Scheduled);
    EXPECT_EQ(back->schedule(), "Daily at 10:00:00");
    EXPECT_EQ(back->nextRun(), at(2025, 3, 5, 10, 0));
    EXPECT_TRUE(listed(*t));

    ASSERT_TRUE(unscheduleTask(*back).ok());
    back = reloaded(*t);
    EXPECT_EQ(back->status(), TaskStatus::Unscheduled);
    EXPECT_EQ(back->schedule(), "");
    EXPECT_EQ(back->nextRun(), 0);
    EXPECT_FALSE(listed(*t));

    ScheduleResult noDay;
    EXPECT_EQ(scheduleTask(*back, noDay).message(), kNoWeekdayMessage);
}

TEST_F(ScheduleTaskTest, TheTaskTheLockHolderDownloadsIsRefused) {
    auto running = task("Now", 0, TaskStatus::Downloading);
    auto other = std::make_unique<TQLTask>(*m_app);
    ASSERT_TRUE(other->setLocation("General", "Other").ok());
    ASSERT_TRUE(other->save().ok());

    InstanceLock lock(m_app->dataFolder());
    ASSERT_TRUE(lock.tryAcquire("cli"));
    lock.setCurrentTask(running->filePath());

    const Status refused = unscheduleTask(*running);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.message().find("\"Site\""), std::string::npos);
    EXPECT_EQ(reloaded(*running)->status(), TaskStatus::Downloading);
    ScheduleResult result;
    result.description = "Daily at 10:00:00";
    result.nextRun = at(2025, 3, 5, 10, 0);
    EXPECT_FALSE(scheduleTask(*running, result).ok());
    EXPECT_TRUE(listed(*running));

    EXPECT_TRUE(scheduleTask(*other, result).ok());
    EXPECT_TRUE(unscheduleTask(*other).ok());
    lock.release();
    EXPECT_TRUE(unscheduleTask(*running).ok());
}

// Sets TZ for the lifetime of the object and restores the previous zone.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_had = true;
            m_old = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard() {
        if (m_had)
            ::setenv("TZ", m_old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool m_had = false;
    std::string m_old;
};

int localHour(DateTime value) {
    const std::time_t t = timeTFromDateTime(value);
    std::tm local{};
    ::localtime_r(&t, &local);
    return local.tm_hour;
}

TEST_F(ScheduleTaskTest, DailyAndWeeklyKeepTheirTimeOfDayAcrossDaylightSavingChanges) {
    ZoneGuard zone("Europe/Berlin");
    // Clocks go forward on Sunday 2025-03-30 and back on Sunday 2025-10-26.
    auto daily = task("Daily at 10:00:00", at(2025, 3, 29, 10, 0), TaskStatus::TaskComplete);
    ASSERT_TRUE(rearmSchedule(*daily, at(2025, 3, 30, 11, 0)).ok());
    EXPECT_EQ(daily->nextRun(), at(2025, 3, 31, 10, 0));
    EXPECT_EQ(localHour(daily->nextRun()), 10);

    auto weekly =
        task("Weekly every Mon at 10:00:00", at(2025, 10, 20, 10, 0), TaskStatus::TaskComplete);
    ASSERT_TRUE(rearmSchedule(*weekly, at(2025, 10, 20, 12, 0)).ok());
    EXPECT_EQ(weekly->nextRun(), at(2025, 10, 27, 10, 0));
    EXPECT_EQ(localHour(weekly->nextRun()), 10);

    // The clock itself: an hour of real time over the change is two hours on the wall.
    const std::time_t beforeJump = timeTFromDateTime(at(2025, 3, 30, 1, 30));
    EXPECT_EQ(longTimeText(dateTimeFromTimeT(beforeJump + 3600)), "03:30:00");
    const auto dialog = computeSchedule(choose(ScheduleChoice::Daily), at(2025, 3, 29, 12, 0));
    EXPECT_EQ(localHour(*dialog->nextRun), 10);
}

} // namespace
} // namespace quarlo
