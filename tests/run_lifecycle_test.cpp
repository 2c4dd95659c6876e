#include "cli/TaskRef.h"
#include "engine/Queue.h"
#include "engine/SocketList.h"
#include "engine/StatusFigures.h"
#include "engine/TThreadDownload.h"
#include "engine/TickBodyFile.h"
#include "platform/FileUtil.h"
#include "platform/WriteFault.h"
#include "support/EngineRunFixture.h"
#include "support/StandInParser.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace std::chrono_literals;
using quarlo::test::EngineRunFixture;
using quarlo::test::readWholeFile;
using quarlo::test::StandInParser;
using quarlo::test::writeWholeFile;

namespace quarlo {
namespace {

constexpr int kFiles = 200;

// What the parse thread of a map run queues for a page: the pages (to map) and the
// resources, left unmarked as a map queues them.
StandInParser::OnPage mapLinks(std::vector<std::string> pages, std::vector<std::string> resources) {
    return [pages, resources](TQLTask& task, const TQLQItem& page) {
        auto queue = [&](const std::string& url, bool isPage) {
            if (URLIndexHas(task, url))
                return;
            TQLQItem item;
            item.Task = &task;
            item.URL = url;
            item.FileType = isPage ? "HTML" : "Images";
            item.Mode = isPage ? QueueMode::Map : QueueMode::Unmarked;
            item.Level = 1;
            item.Referrer = page.URL;
            AddItem(task, item);
        };
        for (const std::string& url : pages)
            queue(url, true);
        for (const std::string& url : resources)
            queue(url, false);
    };
}

class RunLifecycleTest : public EngineRunFixture {
protected:
    // Request counts of the files, to compare before and after a later run.
    std::vector<int> requestCounts() {
        std::vector<int> counts(kFiles + 1);
        for (int n = 1; n <= kFiles; ++n)
            counts[n] = site.requests(n);
        return counts;
    }
    // The files whose entries are saved in the task's queue.
    std::vector<bool> savedEntries(TQLTask& task) {
        std::vector<bool> saved(kFiles + 1);
        std::lock_guard lock(task.mutex());
        for (int n = 1; n <= kFiles; ++n) {
            auto found = task.queue().find(site.fileUrl(n));
            saved[n] = found && LoadItem(task, *found)->Status >= QueueStatus::Saved;
        }
        return saved;
    }
    // The task as its files hold it, queue opened.
    std::unique_ptr<TQLTask> reload(const std::string& path) {
        auto task = TQLTask::loadFromFile(*app, path);
        std::lock_guard lock(task->mutex());
        EXPECT_TRUE(OpenQueue(*task).ok());
        return task;
    }
    void expectCompleteAndIdentical() {
        EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
        const TaskCounters c = counters();
        EXPECT_EQ(c.ResourcesFound, kFiles);
        EXPECT_EQ(c.ResourcesSaved, kFiles);
        EXPECT_EQ(c.ResourceErrors, 0);
        EXPECT_EQ(identicalFiles(kFiles), kFiles);
        EXPECT_EQ(statusCounts(*app->currentTask())[QueueStatus::Saved], kFiles);
    }
};

TEST_F(RunLifecycleTest, UrlListOf200FilesReachesTaskComplete) {
    app->setBeepOnCompletion(true);
    int ended = 0;
    downloader->setOnRunEnded([&](TQLTask&) { ++ended; });
    ASSERT_TRUE(downloader->start(listTask("list200", kFiles)).ok());
    EXPECT_TRUE(downloader->isRunning());
    ASSERT_TRUE(runToEnd());

    expectCompleteAndIdentical();
    EXPECT_EQ(ended, 1);
    int64_t bytes = 0;
    for (int n = 1; n <= kFiles; ++n)
        bytes += static_cast<int64_t>(site.body(n).size());
    EXPECT_EQ(counters().BytesDownloaded, bytes);
    EXPECT_EQ(site.totalRequests(), kFiles);
    const std::vector<std::string> lines = hooks.texts("status");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), TQLDownloader::runText(691));
    EXPECT_EQ(lines.back(), TQLDownloader::runText(690) + "list200)");
    EXPECT_EQ(hooks.count("beep"), 1);
    EXPECT_FALSE(fileExists(app->currentTask()->queueFilePath() + ".journal"));

    // The files hold the same state.
    TQLTask& done = *app->currentTask();
    auto again = reload(done.filePath());
    EXPECT_EQ(again->status(), TaskStatus::TaskComplete);
    std::lock_guard lock(done.mutex());
    EXPECT_EQ(again->queue().text(), done.queue().text());
    TaskCounters stored = again->counters();
    TaskCounters ran = done.counters();
    stored.PagesDispatched = ran.PagesDispatched = 0;
    stored.ResourcesDispatched = ran.ResourcesDispatched = 0;
    EXPECT_EQ(stored, ran);
}

// The run completes when the download thread finds the download finished: with the zip timer
// set to fire long after the test's time-out, only that can end these runs.
TEST_F(RunLifecycleTest, TheFinishedDownloadCompletesTheRunWithoutTheZipTimer) {
    downloader->setZipTimerInterval(10min);
    int ended = 0;
    downloader->setOnRunEnded([&](TQLTask&) { ++ended; });
    ASSERT_TRUE(downloader->start(listTask("event", 5)).ok());
    ASSERT_TRUE(runToEnd(60s));
    EXPECT_EQ(downloader->outcome().end, RunEnd::Completed);
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(statusCounts(*app->currentTask())[QueueStatus::Saved], 5);
    auto stored = reload(app->currentTask()->filePath());
    EXPECT_EQ(stored->status(), TaskStatus::TaskComplete);
    EXPECT_EQ(statusCounts(*stored)[QueueStatus::Saved], 5) << "the queue file is complete";

    // Paced dispatching finishes the same way.
    app->setDispatchPause(20);
    ASSERT_TRUE(downloader->start(listTask("paced", 3)).ok());
    ASSERT_TRUE(runToEnd(60s));
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(ended, 2);

    // A completion that reaches the main thread after the downloader is gone does nothing.
    app->setDispatchPause(0);
    ASSERT_TRUE(downloader->start(listTask("gone", 2)).ok());
    for (int wait = 0; wait < 3000 && taskStatus() != TaskStatus::DownloadComplete; ++wait)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(taskStatus(), TaskStatus::DownloadComplete);
    ASSERT_TRUE(downloader->downloadThread().waitUntilSuspended(30s));
    downloader.reset(); // stops the run: "Download Stopped"
    EXPECT_EQ(ended, 3);
    loop.processPending();
    EXPECT_EQ(ended, 3);
    EXPECT_EQ(taskStatus(), TaskStatus::DownloadStopped);
}

TEST_F(RunLifecycleTest, StoppedThenResumedFetchesOnlyWhatWasNotSaved) {
    site.setDelay(10ms);
    ASSERT_TRUE(downloader->start(listTask("resume", kFiles)).ok());
    ASSERT_TRUE(runUntil([&] { return counters().ResourcesSaved >= 40; }));
    downloader->stop();
    EXPECT_FALSE(downloader->isRunning());

    TQLTask& task = *app->currentTask();
    EXPECT_EQ(taskStatus(), TaskStatus::DownloadStopped);
    std::map<QueueStatus, int> statuses = statusCounts(task);
    EXPECT_EQ(statuses[QueueStatus::Downloading] + statuses[QueueStatus::Updating], 0);
    EXPECT_EQ(statuses[QueueStatus::Saved], counters().ResourcesSaved);
    {
        // The transfers under way went back to the queue.
        int stopped = 0;
        std::lock_guard lock(task.mutex());
        for (std::size_t i = 0; i < task.queue().size(); ++i) {
            auto item = LoadItem(task, i);
            if (item->Status == QueueStatus::None && site.requests(static_cast<int>(i) + 1) > 0) {
                EXPECT_EQ(item->Message, "Transfer Incomplete") << item->URL;
                ++stopped;
            }
        }
        EXPECT_GT(stopped, 0);
    }
    EXPECT_EQ(hooks.texts("status").back(), TQLDownloader::runText(695));
    const std::vector<bool> saved = savedEntries(task);
    const std::vector<int> before = requestCounts();
    const DateTime elapsed = task.elapsedTime();

    // Resumed from its files, as another program start would.
    auto reloaded = TQLTask::loadFromFile(*app, task.filePath());
    reloaded->setRunMethod(RunMethod::Resume);
    ASSERT_TRUE(downloader->start(std::move(reloaded)).ok());
    ASSERT_TRUE(runToEnd());
    expectCompleteAndIdentical();
    EXPECT_GE(app->currentTask()->elapsedTime(), elapsed);
    const std::vector<int> after = requestCounts();
    for (int n = 1; n <= kFiles; ++n) {
        if (saved[n])
            EXPECT_EQ(after[n], before[n]) << "file " << n << " was saved and fetched again";
        else
            EXPECT_EQ(after[n], before[n] + 1) << "file " << n;
    }
}

// The part of the suite that a killed child process runs: the task named by the
// environment, from its files, until it is killed.
TEST(RunLifecycleChild, RunsTaskUntilKilled) {
    const char* taskPath = std::getenv("QUARLO_ENGINE_CHILD_TASK");
    const char* resources = std::getenv("QUARLO_ENGINE_CHILD_RESOURCES");
    if (taskPath == nullptr || resources == nullptr)
        GTEST_SKIP() << "run by the kill test only";
    Folders where = locateFolders();
    where.resourceFolder = resources;
    auto app = TQLApp::create(where);
    ASSERT_TRUE(app.ok());
    EventLoop loop;
    TQLDownloader downloader(**app, loop);
    ASSERT_TRUE(downloader.start(TQLTask::loadFromFile(**app, taskPath)).ok());
    loop.runUntil([&] { return !downloader.isRunning(); }, 60s);
}

TEST_F(RunLifecycleTest, KilledMidRunResumesWithNothingLostOrFetchedTwice) {
    site.setDelay(10ms);
    auto task = listTask("killed", kFiles);
    ASSERT_TRUE(task->save().ok());
    const std::string path = task->filePath();
    ::setenv("QUARLO_ENGINE_CHILD_TASK", path.c_str(), 1);
    ::setenv("QUARLO_ENGINE_CHILD_RESOURCES", m_resources.path().c_str(), 1);
    std::string self = "/proc/self/exe";
    std::string filter = "--gtest_filter=RunLifecycleChild.*";
    char* argv[] = {self.data(), filter.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::unsetenv("QUARLO_ENGINE_CHILD_TASK");
    ::unsetenv("QUARLO_ENGINE_CHILD_RESOURCES");
    ASSERT_EQ(spawned, 0);
    bool midRun = false;
    for (int i = 0; i < 3000 && !midRun; ++i) {
        midRun = site.totalRequests() >= 60;
        std::this_thread::sleep_for(10ms);
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(midRun) << "the child never got going";
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_LT(site.totalRequests(), kFiles);

    auto killed = reload(path);
    const std::vector<bool> saved = savedEntries(*killed);
    EXPECT_GT(std::count(saved.begin(), saved.end(), true), 20);
    const std::vector<int> before = requestCounts();
    killed.reset();

    auto resumed = TQLTask::loadFromFile(*app, path);
    resumed->setRunMethod(RunMethod::Resume);
    ASSERT_TRUE(downloader->start(std::move(resumed)).ok());
    ASSERT_TRUE(runToEnd());
    expectCompleteAndIdentical();
    const std::vector<int> after = requestCounts();
    for (int n = 1; n <= kFiles; ++n) {
        if (saved[n]) {
            EXPECT_EQ(after[n], before[n]) << "file " << n << " was saved and fetched again";
        }
    }
}

// The disk fills up or turns read-only during a run (from some write on, or for one write):
// the run stops "Incomplete" with the reason, claims no completion, loses no saved file, and
// a run after the disk can be written again completes it.
TEST_F(RunLifecycleTest, AFailingDiskEndsTheRunIncompleteAndALaterRunCompletesIt) {
    const struct {
        const char* fault;
        bool taskFileWritten; // the task file could take "Incomplete"
    } cases[] = {{"5:ENOSPC", false}, {"60:EROFS:1", true}, {"300:ENOSPC:1", true}};
    // The failure itself ends the run: the zip timer would fire after the test's time-out.
    downloader->setZipTimerInterval(10min);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        hooks.clear();
        auto task = listTask(std::string("disk") + c.fault[0], kFiles);
        ASSERT_TRUE(task->save());
        ASSERT_TRUE(armWriteFault(c.fault));
        ASSERT_TRUE(downloader->start(std::move(task)).ok());
        ASSERT_TRUE(runToEnd());
        ASSERT_GT(writesFailed(), 0u);
        disarmWriteFault();
        TQLTask& ran = *app->currentTask();
        EXPECT_EQ(taskStatus(), TaskStatus::Incomplete);
        EXPECT_EQ(downloader->outcome().end, RunEnd::OutputFailed);
        EXPECT_NE(downloader->outcome().reason.find("Unable to write to "), std::string::npos)
            << downloader->outcome().reason;
        EXPECT_EQ(hooks.texts("message"), std::vector<std::string>{TQLDownloader::incompleteText(
                                              ran.taskName(), downloader->outcome().reason)});
        EXPECT_NE(hooks.texts("status").back(), TQLDownloader::runText(690) + ran.taskName() + ")");
        const std::vector<bool> savedInRun = savedEntries(ran);
        auto stored = reload(ran.filePath());
        if (c.taskFileWritten) {
            EXPECT_EQ(stored->status(), TaskStatus::Incomplete);
        }
        // What the files say is saved is saved on disk, and was saved by the run.
        const std::vector<bool> savedOnDisk = savedEntries(*stored);
        for (int n = 1; n <= kFiles; ++n) {
            if (savedOnDisk[n]) {
                EXPECT_TRUE(savedInRun[n]) << n;
                EXPECT_EQ(readWholeFile(savedFile(site.fileUrl(n))), site.body(n)) << n;
            }
        }

        stored = TQLTask::loadFromFile(*app, ran.filePath());
        stored->setRunMethod(cli::taskHasQueue(*stored) ? RunMethod::Resume : RunMethod::Restart);
        ASSERT_TRUE(downloader->start(std::move(stored)).ok());
        ASSERT_TRUE(runToEnd());
        expectCompleteAndIdentical();
        EXPECT_EQ(downloader->outcome().end, RunEnd::Completed);
    }
}

TEST_F(RunLifecycleTest, SmartRecoveryFetchesOnlyTheFailedFiles) {
    for (int n = 10; n <= kFiles; n += 10)
        site.setFailing(n, true);
    ASSERT_TRUE(downloader->start(listTask("recover", kFiles)).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(counters().ResourceErrors, kFiles / 10);
    EXPECT_EQ(counters().ResourcesSaved, kFiles - kFiles / 10);

    for (int n = 10; n <= kFiles; n += 10)
        site.setFailing(n, false);
    const std::vector<int> before = requestCounts();
    TQLTask& task = *app->currentTask();
    task.setRunMethod(RunMethod::SmartRecovery);
    ASSERT_TRUE(downloader->start(task).ok());
    EXPECT_EQ(hooks.texts("status").back(), TQLDownloader::runText(692));
    ASSERT_TRUE(runToEnd());
    expectCompleteAndIdentical();
    const std::vector<int> after = requestCounts();
    for (int n = 1; n <= kFiles; ++n)
        EXPECT_EQ(after[n], before[n] + (n % 10 == 0 ? 1 : 0)) << "file " << n;
}

TEST_F(RunLifecycleTest, ARunThatFetchedNoStartPageEndsIncompleteWithTheReason) {
    for (int n = 1; n <= 3; ++n)
        site.setFailing(n, true);
    ASSERT_TRUE(downloader->start(listTask("gone", 3)).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::Incomplete);
    EXPECT_EQ(downloader->outcome().end, RunEnd::StartFailed);
    EXPECT_EQ(downloader->outcome().reason, "404 Not Found");
    EXPECT_EQ(hooks.texts("status").back(), TQLDownloader::incompleteText("gone", "404 Not Found"));
    EXPECT_EQ(TQLTask::loadFromFile(*app, app->currentTask()->filePath())->status(),
              TaskStatus::Incomplete);

    // One start URL that answers makes a complete run with its errors.
    site.setFailing(2, false);
    TQLTask& task = *app->currentTask();
    task.setRunMethod(RunMethod::Restart);
    ASSERT_TRUE(downloader->start(task).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(downloader->outcome().end, RunEnd::Completed);
    EXPECT_EQ(counters().ResourceErrors, 2);
}

TEST_F(RunLifecycleTest, SmartUpdateRevalidatesAndAStoppedUpdateKeepsEarlierCopies) {
    ASSERT_TRUE(downloader->start(listTask("update", kFiles)).ok());
    ASSERT_TRUE(runToEnd());
    expectCompleteAndIdentical();
    TQLTask& task = *app->currentTask();

    // Five files change; an update asks about every file and fetches those five.
    for (int n = 1; n <= 5; ++n)
        site.setVersion(n * 7, 1);
    const int before = site.totalRequests();
    task.setRunMethod(RunMethod::SmartUpdate);
    ASSERT_TRUE(downloader->start(task).ok());
    ASSERT_TRUE(runToEnd());
    expectCompleteAndIdentical();
    EXPECT_EQ(site.totalRequests() - before, kFiles);
    EXPECT_EQ(site.conditionalRequests(), kFiles);
    EXPECT_EQ(site.notModifiedAnswers(), kFiles - 5);
    {
        std::lock_guard lock(task.mutex());
        auto changed = LoadItem(task, *task.queue().find(site.fileUrl(7)));
        EXPECT_EQ(changed->LastModified, " " + site.lastModified(1));
        EXPECT_EQ(changed->Size, static_cast<int64_t>(site.body(7, 1).size()));
        auto same = LoadItem(task, *task.queue().find(site.fileUrl(8)));
        EXPECT_EQ(same->Size, static_cast<int64_t>(site.body(8).size()));
        EXPECT_EQ(same->Message, "304 Not Modified");
    }

    // Changed files that stall mid-body, then a stop: the copies on disk stay as they were.
    for (int n = 1; n <= 3; ++n) {
        site.setVersion(n * 11, 1);
        site.hold(n * 11);
    }
    task.setRunMethod(RunMethod::SmartUpdate);
    ASSERT_TRUE(downloader->start(task).ok());
    ASSERT_TRUE(
        runUntil([&] { return site.requests(33) > 1 && counters().ResourcesSaved >= 150; }));
    downloader->stop();
    for (int n = 1; n <= 3; ++n) {
        const std::string file = savedFile(site.fileUrl(n * 11));
        EXPECT_EQ(readWholeFile(file), site.body(n * 11)) << n * 11;
        EXPECT_FALSE(fileExists(TickBodyFile::partName(file)));
    }
    EXPECT_EQ(taskStatus(), TaskStatus::DownloadStopped);
    site.releaseAll();
}

// Copies an earlier version saved still compressed (gzip or zstd signature) are fetched
// again whole by an update, without If-Modified-Since; every other copy is re-validated.
TEST_F(RunLifecycleTest, AnUpdateFetchesCopiesSavedCompressedAgain) {
    ASSERT_TRUE(downloader->start(listTask("compressed", kFiles)).ok());
    ASSERT_TRUE(runToEnd());
    expectCompleteAndIdentical();
    TQLTask& task = *app->currentTask();
    const std::string signatures[] = {"\x1F\x8B\x08\x00", "\x28\xB5\x2F\xFD"};
    for (int n = 1; n <= 4; ++n)
        writeWholeFile(savedFile(site.fileUrl(n)), signatures[n % 2] + "compressed body");
    // A file that only starts like zstd, then differs, is kept as it is.
    writeWholeFile(savedFile(site.fileUrl(5)), "\x28\xB5\x2F\x00" + site.body(5).substr(4));

    const int before = site.totalRequests();
    task.setRunMethod(RunMethod::SmartUpdate);
    ASSERT_TRUE(downloader->start(task).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(site.totalRequests() - before, kFiles);
    EXPECT_EQ(site.conditionalRequests(), kFiles - 4);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(readWholeFile(savedFile(site.fileUrl(n))), site.body(n)) << n;
}

TEST_F(RunLifecycleTest, MapRunEndsAlthoughItsResourcesStayUnmarked) {
    site.setPage("index", "<html>map</html>");
    site.setPage("second", "<html>second</html>");
    StandInParser parser(
        downloader->downloadThread(),
        mapLinks({site.pageUrl("second")}, {site.fileUrl(1), site.fileUrl(2), site.fileUrl(3)}));
    downloader->setParseSide(&parser);
    const std::unique_ptr<void, std::function<void(void*)>> endFirst(
        this, [this](void*) { downloader.reset(); });
    auto task = pageTask("map", site.pageUrl("index"));
    task->setRunMethod(RunMethod::Map);
    ASSERT_TRUE(downloader->start(std::move(task)).ok());
    ASSERT_TRUE(runToEnd());

    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(app->currentTask()->runMethod(), RunMethod::Restart);
    const TaskCounters c = counters();
    EXPECT_EQ(c.PagesFound, 2);
    EXPECT_EQ(c.PagesSaved, 2);
    EXPECT_EQ(c.ResourcesFound, 3);
    EXPECT_EQ(c.ResourcesSaved, 0);
    EXPECT_EQ(site.pageRequests("second"), 1);
    EXPECT_EQ(site.requests(1) + site.requests(2) + site.requests(3), 0);
    EXPECT_EQ(statusCounts(*app->currentTask())[QueueStatus::Parsed], 2);
}

// A queue file of random bytes is repaired when the run opens it: every entry that can be
// fetched is tried, the run ends, and no figure passes 100%.
TEST_F(RunLifecycleTest, AQueueFileOfRandomBytesRunsToAnEndWithSaneCounters) {
    const std::string sep(kFieldSeparator);
    const std::string pieces[] = {sep, "\r\n", "\r", "5", "3", "10", "HTML", "99999"};
    std::mt19937 random(15);
    std::string text;
    for (int n = 0; n < 6000; ++n) {
        if (random() % 3 == 0)
            text += pieces[random() % std::size(pieces)];
        else
            text += static_cast<char>(random() % 256);
    }
    auto damaged = listTask("random", 1);
    ASSERT_TRUE(forceDirectories(folderOf(damaged->queueFilePath())));
    writeWholeFile(damaged->queueFilePath(), text);
    damaged->setRunMethod(RunMethod::Resume);
    ASSERT_TRUE(downloader->start(std::move(damaged)).ok());
    ASSERT_TRUE(runToEnd(30s));

    TQLTask& task = *app->currentTask();
    const TaskCounters c = counters();
    const StatusFigures figures = computeStatusFigures(c, 0);
    EXPECT_LE(figures.pagesPercent, 100);
    EXPECT_LE(figures.mediaPercent, 100);
    EXPECT_LE(figures.errorsPercent, 100);
    std::lock_guard lock(task.mutex());
    EXPECT_GT(task.queue().size(), 20u);
    EXPECT_EQ(c.PagesFound + c.ResourcesFound, static_cast<std::int64_t>(task.queue().size()));
    EXPECT_FALSE(NextPage(task));
    EXPECT_FALSE(NextResource(task));
    EXPECT_FALSE(NextSavedPage(task));
    for (std::size_t n = 0; n < task.queue().size(); ++n) {
        const QueueStatus status = LoadItem(task, n)->Status;
        EXPECT_TRUE(status != QueueStatus::Downloading && status != QueueStatus::Updating) << n;
    }
    EXPECT_EQ(hooks.count("message"), 1);
}

} // namespace
} // namespace quarlo
