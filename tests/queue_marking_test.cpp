#include "engine/QueueMarking.h"

#include "engine/Queue.h"
#include "platform/FileUtil.h"
#include "support/QueueFixture.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

namespace quarlo {
namespace {

struct Row {
    bool page;
    QueueStatus status;
    QueueMode mode;
    std::int64_t size;
};

// Before each command: an unmarked page, a failed page, a saved resource, a parsed page, an
// updated resource, a resource being fetched, an unmarked resource, a page to update.
using S = QueueStatus;
using M = QueueMode;
const Row kRows[] = {
    {true, S::None, M::Unmarked, 0},      {true, S::Error, M::Download, 0},
    {false, S::Saved, M::Download, 100},  {true, S::Parsed, M::Download, 200},
    {false, S::Updated, M::Download, 50}, {false, S::Downloading, M::Download, 0},
    {false, S::None, M::Unmarked, 0},     {true, S::None, M::Update, 0},
};

class QueueMarkingTest : public test::QueueFixture {
protected:
    void SetUp() override {
        QueueFixture::SetUp();
        for (std::size_t n = 0; n < std::size(kRows); ++n) {
            TQLQItem item;
            item.URL = "http://h.test/" + std::to_string(n);
            item.FileType = kRows[n].page ? "HTML" : "Images";
            AddItem(*m_task, item);
            item.Status = kRows[n].status;
            item.Mode = kRows[n].mode;
            item.Size = kRows[n].size;
            item.Message = "old result";
            StoreItem(item);
        }
        // Counters as the run left them: one page and two resources saved, one page failed.
        TaskCounters& c = m_task->counters();
        c.PagesSaved = 1;
        c.ResourcesSaved = 2;
        c.PageErrors = 1;
        c.BytesDownloaded = 350;
    }
};

TEST_F(QueueMarkingTest, EachCommandMarksItsEntriesMovesTheCountersAndSaves) {
    struct Case {
        MarkCommand command;
        std::vector<std::size_t> selected;
        std::set<std::size_t> marked;
        QueueMode mode;
        // PagesSaved, ResourcesSaved, PageErrors, ResourceErrors, BytesDownloaded afterwards
        std::tuple<std::int64_t, std::int64_t, std::int64_t, std::int64_t, std::int64_t> counters;
        bool queueSaved;
    };
    const Case cases[] = {
        {MarkCommand::DownloadSelected, {1, 3}, {1, 3}, M::Download, {0, 2, 0, 0, 150}, true},
        {MarkCommand::DownloadAll,
         {},
         {0, 1, 2, 3, 4, 5, 6, 7},
         M::Download,
         {0, 0, 0, 0, 0},
         true},
        {MarkCommand::DownloadAllErrors, {}, {1}, M::Download, {1, 2, 0, 0, 350}, true},
        {MarkCommand::DownloadAllUnmarked, {}, {0, 6}, M::Download, {1, 2, 1, 0, 350}, false},
        {MarkCommand::UpdateSelected, {0, 2, 3}, {3}, M::Update, {0, 2, 1, 0, 150}, true},
        {MarkCommand::UpdateAll, {}, {3, 4}, M::Update, {0, 1, 1, 0, 100}, true},
        {MarkCommand::MapSelected, {0, 2}, {0}, M::Map, {1, 2, 1, 0, 350}, true},
        {MarkCommand::MapAll, {}, {0, 1, 3, 7}, M::Map, {0, 2, 0, 0, 150}, true},
        {MarkCommand::UnmarkSelected, {5}, {5}, M::Unmarked, {1, 2, 1, 0, 350}, true},
        {MarkCommand::UnmarkAll, {}, {0, 6, 7}, M::Unmarked, {1, 2, 1, 0, 350}, false},
    };
    for (const Case& c : cases) {
        SetUp();
        SCOPED_TRACE(testing::Message() << "command " << static_cast<int>(c.command));
        std::vector<std::string> before;
        for (std::size_t n = 0; n < m_task->queue().size(); ++n)
            before.push_back(m_task->queue().dataLine(n));
        auto marked = markEntries(*m_task, c.command, c.selected);
        ASSERT_TRUE(marked) << marked.message();
        EXPECT_EQ(*marked, c.marked.size());
        for (std::size_t n = 0; n < m_task->queue().size(); ++n) {
            auto item = LoadItem(*m_task, n);
            if (!c.marked.contains(n)) {
                EXPECT_EQ(m_task->queue().dataLine(n), before[n]) << "entry " << n;
                continue;
            }
            EXPECT_TRUE(item->Mode == c.mode && item->Status == QueueStatus::None &&
                        item->Message.empty())
                << "entry " << n;
        }
        const TaskCounters& k = m_task->counters();
        EXPECT_EQ(std::make_tuple(k.PagesSaved, k.ResourcesSaved, k.PageErrors, k.ResourceErrors,
                                  k.BytesDownloaded),
                  c.counters);
        EXPECT_TRUE(fileExists(m_task->filePath()));
        EXPECT_EQ(fileExists(queueFile()), c.queueSaved);
        // What was not written to the queue file is still in the journal.
        auto reopened = reopenedTask();
        ASSERT_TRUE(LoadQueue(*reopened));
        EXPECT_EQ(reopened->queue().text(), m_task->queue().text());
        deleteFile(queueFile());
        deleteFile(journalFile());
        deleteFile(m_task->filePath());
    }
}

TEST_F(QueueMarkingTest, SelectionsByUrlAndOutOfRangeRows) {
    auto entries = entriesOfURLs(*m_task, {"HTTP://H.TEST/3", "http://h.test/1"});
    ASSERT_TRUE(entries);
    EXPECT_EQ(*entries, (std::vector<std::size_t>{3, 1}));
    auto missing = entriesOfURLs(*m_task, {"http://h.test/1", "http://h.test/none"});
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.message(), "Not in the queue: http://h.test/none");

    const std::string text = m_task->queue().text();
    EXPECT_FALSE(markEntries(*m_task, MarkCommand::UnmarkSelected, {0, 8}));
    EXPECT_EQ(m_task->queue().text(), text);
    EXPECT_FALSE(fileExists(queueFile()));
}

TEST_F(QueueMarkingTest, AClickOnTheMarkTogglesOnlyWaitingEntries) {
    EXPECT_TRUE(toggleMark(*m_task, 0));
    EXPECT_EQ(LoadItem(*m_task, 0)->Mode, QueueMode::Download);
    EXPECT_TRUE(toggleMark(*m_task, 0));
    EXPECT_EQ(LoadItem(*m_task, 0)->Mode, QueueMode::Unmarked);
    const std::string saved = m_task->queue().dataLine(2);
    EXPECT_FALSE(toggleMark(*m_task, 2));
    EXPECT_EQ(m_task->queue().dataLine(2), saved);
    EXPECT_FALSE(toggleMark(*m_task, 99));
}

} // namespace
} // namespace quarlo
