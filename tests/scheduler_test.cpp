#include "schedule/TThreadSchedule.h"

#include "engine/TickWinInet.h"
#include "schedule/Clock.h"
#include "schedule/Schedule.h"
#include "support/EngineRunFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

using namespace std::chrono_literals;

namespace quarlo {
namespace {

const DateTime kStart = *makeDateTime(2025, 3, 5, 10, 0);

class SchedulerTest : public test::EngineRunFixture {
protected:
    void SetUp() override {
        EngineRunFixture::SetUp();
        schedule = std::make_unique<TThreadSchedule>(*app, *downloader, loop, clock, 20ms);
        schedule->setOnRunStarted([this](TQLTask& task) {
            // Two runs never overlap: a start finds the previous run ended.
            EXPECT_EQ(downloader->task(), &task);
            started.push_back(task.taskName());
        });
    }
    void TearDown() override {
        schedule.reset();
        EngineRunFixture::TearDown();
    }

    // A list task of two files, saved as the run commands leave it: Scheduled for "Now".
    std::string markNow(const std::string& name) {
        auto task = listTask(name, 2);
        EXPECT_TRUE(task->requestRun(RunMethod::Restart).ok());
        return task->filePath();
    }
    // A task saved with the schedule description and next run, status Scheduled.
    std::string markScheduled(const std::string& name, const std::string& description,
                              DateTime nextRun) {
        auto task = listTask(name, 2);
        task->setSchedule(description);
        task->setNextRun(nextRun);
        task->setStatus(TaskStatus::Scheduled);
        EXPECT_TRUE(task->save().ok());
        return task->filePath();
    }
    std::unique_ptr<TQLTask> reload(const std::string& path) {
        return TQLTask::loadFromFile(*app, path);
    }

    TestClock clock{kStart};
    std::unique_ptr<TThreadSchedule> schedule;
    std::vector<std::string> started;
};

TEST_F(SchedulerTest, DueTasksStartInListOrderOneRunAtATime) {
    const std::string first = markNow("First");
    const std::string second = markNow("Second");

    const ScheduleCheck one = schedule->check();
    EXPECT_TRUE(one.started);
    ASSERT_EQ(started, std::vector<std::string>{"First"});
    EXPECT_EQ(reload(first)->status(), TaskStatus::Downloading);

    // However often it looks, nothing else starts while the run is in progress.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(schedule->check().busy);
    EXPECT_EQ(started.size(), 1u);

    ASSERT_TRUE(runToEnd());
    const auto ended = reload(first);
    EXPECT_EQ(ended->status(), TaskStatus::TaskComplete);
    EXPECT_EQ(ended->schedule(), ""); // "Now" is cleared by the re-arm
    EXPECT_FALSE(app->activeTasks().contains(first));

    EXPECT_TRUE(schedule->check().started);
    EXPECT_EQ(started, (std::vector<std::string>{"First", "Second"}));
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(reload(second)->status(), TaskStatus::TaskComplete);

    const ScheduleCheck idle = schedule->check();
    EXPECT_FALSE(idle.started || idle.busy);
    EXPECT_FALSE(idle.nextWaiting);
    EXPECT_TRUE(app->activeTasks().paths().empty());
}

TEST_F(SchedulerTest, ATaskWaitsUntilItsNextRunHasCome) {
    // Asked to run at once while its recurring next run lies an hour ahead: it waits.
    const DateTime inAnHour = kStart + 1.0 / 24;
    const std::string path = markScheduled("Hourly", "Every 1 hours, 0 mins", inAnHour);
    ASSERT_TRUE(reload(path)->requestRun(RunMethod::Restart).ok());

    const ScheduleCheck early = schedule->check();
    EXPECT_FALSE(early.started);
    ASSERT_TRUE(early.nextWaiting);
    EXPECT_DOUBLE_EQ(*early.nextWaiting, inAnHour);

    clock.advanceSeconds(3599);
    EXPECT_FALSE(schedule->check().started);
    clock.advanceSeconds(1); // exactly the next run: due
    EXPECT_TRUE(schedule->check().started);
    ASSERT_TRUE(runToEnd());
}

TEST_F(SchedulerTest, AnIntervalRunsAgainAfterItsIntervalWithAFreshCopy) {
    const std::string path = markScheduled("Minutely", "Every 0 hours, 1 mins", kStart);
    ASSERT_TRUE(schedule->check().started);
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(site.requests(1), 1);

    // Re-armed from the end of the run: Scheduled again, a minute on, still listed.
    auto rearmed = reload(path);
    EXPECT_EQ(rearmed->status(), TaskStatus::Scheduled);
    EXPECT_NEAR(rearmed->nextRun(), kStart + 1.0 / 1440, 1e-9);
    EXPECT_TRUE(app->activeTasks().contains(path));

    // Another process changes the task file meanwhile; the run uses what the file holds.
    rearmed->setComment("changed elsewhere");
    ASSERT_TRUE(rearmed->save().ok());

    clock.advanceSeconds(59);
    EXPECT_FALSE(schedule->check().started);
    clock.advanceSeconds(1);
    ASSERT_TRUE(schedule->check().started);
    EXPECT_EQ(app->currentTask()->comment(), "changed elsewhere");
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(site.requests(1), 2);
    EXPECT_EQ(started, (std::vector<std::string>{"Minutely", "Minutely"}));
}

TEST_F(SchedulerTest, NothingStartsAfterTheStop) {
    markNow("Late");
    schedule->start();
    schedule->stop();
    EXPECT_TRUE(schedule->stopRequested());
    EXPECT_FALSE(schedule->check().started);
    loop.runUntil([] { return false; }, 200ms);
    EXPECT_TRUE(started.empty());
    EXPECT_FALSE(downloader->isRunning());
}

TEST_F(SchedulerTest, TheThreadStartsATaskMarkedWhileItRuns) {
    std::atomic<int> offlineReports{0};
    std::atomic<bool> sawOffline{false};
    schedule->setOnWorkOffline([&](bool offline) {
        ++offlineReports;
        sawOffline = sawOffline || offline;
    });
    TickWinInet::setWorkOffline(true);
    schedule->start();
    ASSERT_TRUE(loop.runUntil([&] { return offlineReports >= 2; }, 10s));
    TickWinInet::setWorkOffline(false);
    EXPECT_TRUE(sawOffline);
    EXPECT_TRUE(started.empty());

    // As "schedule --now" in another process: only the task file and the list change.
    markNow("Marked");
    ASSERT_TRUE(loop.runUntil([&] { return !started.empty(); }, 10s));
    EXPECT_EQ(started.front(), "Marked");
    ASSERT_TRUE(runToEnd());
    schedule->stop();
}

TEST_F(SchedulerTest, AMissingTaskFileLeavesTheListInsteadOfRunningEmpty) {
    const std::string gone = app->tasksFolder() + "General/Gone.qlt";
    ASSERT_TRUE(app->activeTasks().add(gone).ok());
    const std::string present = markNow("Present");

    EXPECT_TRUE(schedule->check().started);
    EXPECT_EQ(started, std::vector<std::string>{"Present"});
    EXPECT_FALSE(app->activeTasks().contains(gone));
    const auto messages = hooks.texts("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(gone), std::string::npos);
    ASSERT_TRUE(runToEnd());
}

TEST_F(SchedulerTest, ATaskThatCannotStartIsReportedOnceUntilItsFileChanges) {
    // Nothing to fetch: the start fails.
    auto empty = listTask("Empty", 0);
    ASSERT_TRUE(empty->requestRun(RunMethod::Restart).ok());
    const std::string path = empty->filePath();
    const std::string next = markNow("Next");

    const ScheduleCheck failed = schedule->check();
    EXPECT_TRUE(failed.startFailed);
    EXPECT_FALSE(failed.started);
    EXPECT_EQ(hooks.count("message"), 1);
    EXPECT_EQ(reload(path)->status(), TaskStatus::Scheduled); // left as it was

    // The next check passes it by and starts the task behind it.
    EXPECT_TRUE(schedule->check().started);
    EXPECT_EQ(started, std::vector<std::string>{"Next"});
    ASSERT_TRUE(runToEnd());
    EXPECT_FALSE(schedule->check().startFailed);
    EXPECT_EQ(hooks.count("message"), 1);

    // Given something to fetch, it is tried again.
    auto fixed = reload(path);
    fixed->setUrls({site.fileUrl(1)});
    ASSERT_TRUE(fixed->save().ok());
    EXPECT_TRUE(schedule->check().started);
    EXPECT_EQ(started.back(), "Empty");
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(reload(path)->status(), TaskStatus::TaskComplete);
}

} // namespace
} // namespace quarlo
