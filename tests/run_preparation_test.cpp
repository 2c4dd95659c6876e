#include "engine/RunPreparation.h"

#include "engine/Queue.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "support/QueueFixture.h"
#include "support/TempHome.h"
#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>

namespace quarlo {
namespace {

class RunPreparationTest : public test::QueueFixture {
protected:
    // A queue as a run leaves it, pages and resources in turn, the last one saved.
    void fillQueue() {
        using S = QueueStatus;
        const S statuses[] = {S::None,  S::Downloading, S::Updating, S::Error,
                              S::Saved, S::Parsed,      S::Error,    S::Zipped};
        for (int n = 0; n < 8; ++n) {
            TQLQItem item;
            item.URL = "http://h.test/" + std::to_string(n) + (n % 2 ? ".gif" : ".html");
            item.FileType = n % 2 ? "Images" : "HTML";
            AddItem(*m_task, item);
            item.Status = statuses[n];
            item.Size = 10;
            item.Message = "200 OK";
            StoreItem(item);
        }
        // Saved: the page 4 and the resources 5 and 7; failed: the resource 3 and the page 6.
        m_task->counters() = {4, 4, 1, 2, 1, 1, 30};
    }

    std::tuple<QueueStatus, QueueMode, std::string, std::int64_t> entry(std::size_t n) {
        auto item = LoadItem(*m_task, n);
        return {item->Status, item->Mode, item->Message, item->Size};
    }
};

TEST_F(RunPreparationTest, AFreshRunQueuesTheStartItemAfresh) {
    fillQueue();
    m_task->setElapsedTime(2.5);
    m_task->setChangesSinceSave(7);
    m_task->counters().PagesDispatched = 4;
    ASSERT_TRUE(beginFreshRun(*m_task));
    ASSERT_EQ(m_task->queue().size(), 1u);
    auto item = LoadItem(*m_task, 0);
    EXPECT_EQ(item->URL, "http://h.test/index.html");
    EXPECT_EQ(std::make_tuple(item->Status, item->Mode, item->Level, item->FileType),
              std::make_tuple(QueueStatus::None, QueueMode::Download, 0, std::string("HTML")));
    EXPECT_EQ(m_task->counters(), (TaskCounters{1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(m_task->elapsedTime(), 0);
    EXPECT_GT(m_task->lastRun(), 0);
    EXPECT_EQ(m_task->changesSinceSave(), 0);
    EXPECT_EQ(m_task->startDirectory(), "http://h.test/");
    EXPECT_TRUE(m_task->queueDirty());

    // A map task's start item is mapped, and the task goes back to plain restarts.
    m_task->setRunMethod(RunMethod::Map);
    ASSERT_TRUE(beginFreshRun(*m_task));
    EXPECT_EQ(LoadItem(*m_task, 0)->Mode, QueueMode::Map);
    EXPECT_EQ(m_task->runMethod(), RunMethod::Restart);
}

TEST_F(RunPreparationTest, AListTaskQueuesEachUrlOnceInListOrder) {
    m_task->setURL("");
    m_task->setUrls({"http://b.test/x/list.html", "", "http://a.test/pic.gif",
                     "HTTP://B.TEST/x/list.html", "http://c.test"});
    ASSERT_TRUE(beginFreshRun(*m_task));
    ASSERT_EQ(m_task->queue().size(), 3u);
    const std::string expected[] = {"http://b.test/x/list.html", "http://a.test/pic.gif",
                                    "http://c.test"};
    for (std::size_t n = 0; n < 3; ++n) {
        auto item = LoadItem(*m_task, n);
        EXPECT_EQ(item->URL, expected[n]);
        EXPECT_EQ(item->Level, 0);
        EXPECT_EQ(item->Status, QueueStatus::None);
    }
    EXPECT_EQ(LoadItem(*m_task, 1)->FileType, "Images");
    EXPECT_EQ(m_task->counters().PagesFound, 2);
    EXPECT_EQ(m_task->counters().ResourcesFound, 1);
    EXPECT_EQ(m_task->startDirectory(), "http://b.test/x/");

    m_task->setUrls({});
    EXPECT_FALSE(beginFreshRun(*m_task));
    EXPECT_TRUE(m_task->queue().empty());
}

TEST_F(RunPreparationTest, SmartUpdateAndRecoveryResetEveryEntryTheyNameAndSave) {
    fillQueue();
    auto updated = prepareSmartUpdate(*m_task);
    ASSERT_TRUE(updated);
    EXPECT_EQ(*updated, 3u); // entries 4, 5 and the last one
    for (std::size_t n : {4u, 5u, 7u})
        EXPECT_EQ(entry(n), std::make_tuple(QueueStatus::None, QueueMode::Update, std::string(),
                                            std::int64_t{10}))
            << n;
    EXPECT_EQ(entry(3), std::make_tuple(QueueStatus::Error, QueueMode::Download,
                                        std::string("200 OK"), std::int64_t{10}));
    EXPECT_EQ(m_task->counters().PagesSaved, 0);
    EXPECT_EQ(m_task->counters().ResourcesSaved, 0);
    EXPECT_EQ(m_task->counters().BytesDownloaded, 0);
    EXPECT_TRUE(fileExists(queueFile()));
    EXPECT_FALSE(fileExists(journalFile()));
    EXPECT_FALSE(m_task->queueDirty());

    auto recovered = prepareSmartRecovery(*m_task);
    ASSERT_TRUE(recovered);
    EXPECT_EQ(*recovered, 2u);
    for (std::size_t n : {3u, 6u})
        EXPECT_EQ(entry(n), std::make_tuple(QueueStatus::None, QueueMode::Download, std::string(),
                                            std::int64_t{0}))
            << n;
    EXPECT_EQ(m_task->counters().PageErrors, 0);
    EXPECT_EQ(m_task->counters().ResourceErrors, 0);
    auto reopened = reopenedTask();
    ASSERT_TRUE(OpenQueue(*reopened));
    EXPECT_EQ(reopened->queue().text(), m_task->queue().text());
}

TEST_F(RunPreparationTest, AResumedRunReopensTheQueueAndPutsBackWhatWasBeingFetched) {
    fillQueue();
    ASSERT_TRUE(SaveQueue(*m_task));
    TQLQItem late;
    late.Task = m_task.get();
    late.URL = "http://h.test/found-after-the-save.html";
    late.FileType = "HTML";
    AddItem(*m_task, late); // journaled only: the run is killed now

    auto task = reopenedTask();
    task->setRunMethod(RunMethod::Resume);
    task->setElapsedTime(1.0);
    auto prepared = prepareRunQueue(*task, false);
    ASSERT_TRUE(prepared) << prepared.message();
    EXPECT_FALSE(prepared->fresh);
    EXPECT_EQ(prepared->putBack, 2u);
    EXPECT_EQ(task->queue().size(), 9u);
    EXPECT_TRUE(URLIndexHas(*task, late.URL));
    for (std::size_t n : {1u, 2u}) {
        auto item = LoadItem(*task, n);
        EXPECT_EQ(item->Status, QueueStatus::None);
        EXPECT_EQ(item->Message, "Transfer Incomplete");
    }
    EXPECT_EQ(task->elapsedTime(), 1.0);
    EXPECT_LT(task->startTime(), task->lastRun());

    // The current task keeps the queue it has; a run method of SmartRecovery prepares it.
    test::writeWholeFile(queueFile(), "");
    deleteFile(journalFile());
    task->setRunMethod(RunMethod::SmartRecovery);
    prepared = prepareRunQueue(*task, true);
    ASSERT_TRUE(prepared);
    EXPECT_EQ(prepared->prepared, 2u);
    EXPECT_EQ(task->queue().size(), 9u);

    task->setRunMethod(RunMethod::Restart);
    prepared = prepareRunQueue(*task, true);
    ASSERT_TRUE(prepared);
    EXPECT_TRUE(prepared->fresh);
    EXPECT_EQ(task->queue().size(), 1u);
}

TEST_F(RunPreparationTest, EveryRunGivesEachEntryItsAttemptsAgain) {
    addEntry(*m_task, "http://h.test/flaky.gif", false);
    auto dispatchAndPutBack = [this] {
        auto item = NextItem(*m_task);
        if (item) {
            item->Message = "Transfer Incomplete";
            StoreItem(*item);
        }
        return item != nullptr;
    };
    for (int attempt = 0; attempt < kAttemptsPerRun; ++attempt)
        ASSERT_TRUE(dispatchAndPutBack());
    // The current task keeps its queue for the next run; its entries start afresh.
    m_task->setRunMethod(RunMethod::Resume);
    ASSERT_TRUE(prepareRunQueue(*m_task, true));
    for (int attempt = 0; attempt < kAttemptsPerRun; ++attempt)
        ASSERT_TRUE(dispatchAndPutBack()) << attempt;
    EXPECT_FALSE(dispatchAndPutBack());
    EXPECT_EQ(LoadItem(*m_task, 0)->Status, QueueStatus::Error);
}

// A kill can leave a converted page beside its file and temporary files in the copy: the
// resumed run puts the page in place when its entry says "Parsed", drops it otherwise, and
// removes the program's temporary files, and nothing else.
TEST_F(RunPreparationTest, AResumedRunFinishesWhatAKillLeftHalfDone) {
    const std::string destination = m_app->dataFolder() + "copy/";
    m_task->setIntranetMode(true);
    m_task->setDestination(destination);
    addEntry(*m_task, "http://h.test/a/parsed.html", true, QueueStatus::Parsed);
    addEntry(*m_task, "http://h.test/a/saved.html", true, QueueStatus::Saved);
    addEntry(*m_task, "http://h.test/b/pic.gif", false, QueueStatus::Downloading);
    ASSERT_TRUE(SaveQueue(*m_task));
    const std::string host = destination + "h.test/";
    const std::map<std::string, std::string> before = {
        {"a/parsed.html", "as received"},
        {"a/.parsed.html.parsed", "converted"},
        {"a/saved.html", "as received"},
        {"a/.saved.html.parsed", "converted, but not marked"},
        {"a/.saved.html.tmp-Ab12Cd", "a torn atomic write"},
        {"b/pic.gif.quarlo-part", "half a body"},
        {"b/.notes.tmp-1", "the user's"},
        {"b/pic.gif.part", "the user's"},
        {"elsewhere/.x.tmp-Ab12Cd", "no entry's folder"},
    };
    for (const auto& [name, content] : before)
        test::makeFile(host + name, content);

    auto task = reopenedTask();
    task->setRunMethod(RunMethod::Resume);
    auto prepared = prepareRunQueue(*task, false);
    ASSERT_TRUE(prepared) << prepared.message();
    EXPECT_EQ(prepared->interrupted.pagesPutInPlace, 1u);
    EXPECT_EQ(prepared->interrupted.filesRemoved, 3u);
    const std::map<std::string, std::string> after = {
        {"a/parsed.html", "converted"},
        {"a/saved.html", "as received"},
        {"b/.notes.tmp-1", "the user's"},
        {"b/pic.gif.part", "the user's"},
        {"elsewhere/.x.tmp-Ab12Cd", "no entry's folder"},
    };
    std::map<std::string, std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(host))
        if (entry.is_regular_file())
            found[entry.path().string().substr(host.size())] = test::readWholeFile(entry.path());
    EXPECT_EQ(found, after);
}

} // namespace
} // namespace quarlo
