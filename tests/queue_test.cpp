#include "engine/Queue.h"

#include "model/TQLApp.h"
#include "model/TaskQueue.h"
#include "platform/FileUtil.h"
#include "support/QueueFixture.h"
#include "support/RecordingUiHooks.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace quarlo {
namespace {

using test::readWholeFile;
using test::writeWholeFile;

const std::string kSep = "\xC2\xB6";
using S = QueueStatus;
using M = QueueMode;

class QueueTest : public test::QueueFixture {};

// The entry the linear rule picks: the first entry in queue order that qualifies.
template <class Rule> std::string firstQualifying(TQLTask& task, Rule rule) {
    for (std::size_t entry = 0; entry < task.queue().size(); ++entry) {
        auto item = LoadItem(task, entry);
        if (rule(*item))
            return item->URL;
    }
    return {};
}

std::string urlOf(const std::unique_ptr<TQLQItem>& item) {
    return item ? item->URL : std::string();
}

bool linearPage(const TQLQItem& i) {
    return i.isPage() &&
           (((i.Mode == M::Download || i.Mode == M::Map) && i.Status == S::None) ||
            (i.Mode == M::Update && (i.Status == S::None || i.Status == S::Downloading)));
}
bool linearResource(const TQLQItem& i) {
    return !i.isPage() &&
           ((i.Mode == M::Download && i.Status == S::None) ||
            (i.Mode == M::Update && (i.Status == S::None || i.Status == S::Downloading)));
}
bool linearSaved(const TQLQItem& i) {
    return (i.isPage() && i.Status == S::Saved) || i.Status == S::Parsing;
}

TEST_F(QueueTest, DataLinesRoundTripEveryFieldAndEndWithTheSeparator) {
    TQLQItem item;
    item.Status = S::Saved;
    item.Message = "200 OK";
    item.FileType = "HTML";
    item.Level = 2;
    item.Referrer = "http://h.test/";
    item.LastModified = " Tue, 01 Oct 2024 10:00:00 GMT";
    item.Mode = M::Download;
    item.Title = "Grüße aus Köln \xC3\xB6"; // ö is C3 B6: the lone B6 is no separator
    item.Size = 1234;
    item.FrameFlag = "Y";
    const std::string line = buildDataLine(item);
    EXPECT_TRUE(line.ends_with(kSep));
    TQLQItem back;
    EXPECT_EQ(readDataLine(line, back), 0);
    EXPECT_EQ(std::tie(back.Status, back.Message, back.FileType, back.Level, back.Referrer,
                       back.LastModified, back.Mode, back.Title, back.Size, back.FrameFlag),
              std::tie(item.Status, item.Message, item.FileType, item.Level, item.Referrer,
                       item.LastModified, item.Mode, item.Title, item.Size, item.FrameFlag));

    // A line with nothing after field 6 (and a size beyond 32 bits elsewhere).
    TQLQItem shortLine;
    EXPECT_EQ(
        readDataLine("0" + kSep + kSep + "HTML" + kSep + kSep + "3" + kSep + kSep + "x" + kSep,
                     shortLine),
        0);
    EXPECT_EQ(shortLine.Mode, M::Download);
    EXPECT_EQ(shortLine.Size, 0);
    EXPECT_EQ(shortLine.Level, 3);
    EXPECT_EQ(shortLine.Title, "");
    item.Size = 5'000'000'000LL;
    ASSERT_EQ(readDataLine(buildDataLine(item), back), 0);
    EXPECT_EQ(back.Size, 5'000'000'000LL);
}

TEST_F(QueueTest, NoTextCanShiftAFieldOrBreakTheLinePair) {
    TQLQItem item;
    item.URL = "http://h.test/a" + kSep + "b\r\nc.html";
    item.Referrer = "http://h.test/r" + kSep + "\n";
    item.FileType = "HTML";
    item.Message = "  404 Not" + kSep + " Found\r\n ";
    item.Title = "Two\nlines" + kSep + " here";
    item.FrameFlag = "Y";
    AddItem(*m_task, item);
    EXPECT_EQ(item.URL, "http://h.test/a%C2%B6b%0D%0Ac.html");
    StoreItem(item);
    ASSERT_EQ(m_task->queue().size(), 1u);
    EXPECT_TRUE(URLIndexHas(*m_task, "http://h.test/a" + kSep + "b\r\nc.html"));
    EXPECT_EQ(m_task->queue().find("HTTP://h.test/a" + kSep + "b\r\nc.html"), 0u);
    auto back = LoadItem(*m_task, 0);
    EXPECT_EQ(back->Message, "404 Not Found");
    EXPECT_EQ(back->Referrer, "http://h.test/r%C2%B6%0A");
    EXPECT_EQ(back->Title, "Two lines here");
    EXPECT_EQ(back->FrameFlag, "Y");
    EXPECT_EQ(back->FileType, "HTML");
}

// A break or separator is found wherever it stands in a text: in each of its eight-byte
// words and in the bytes after the last whole word.
TEST_F(QueueTest, ABreakIsFoundAtAnyPlaceOfAText) {
    const std::string plain = "abcdefghijklmnopqrstuvwxy";
    for (const std::string& cut : {std::string("\r"), std::string("\n"), kSep}) {
        for (std::size_t at = 0; at <= plain.size(); ++at) {
            SCOPED_TRACE(testing::Message() << "at " << at << ", byte " << int(cut[0]));
            TQLQItem item;
            item.Task = m_task.get();
            item.URL = "http://h.test/" + plain.substr(0, at) + cut + plain.substr(at);
            item.FileType = "HTML";
            item.Title = plain.substr(0, at) + cut + plain.substr(at);
            StoreItem(item);
            const auto entry = m_task->queue().find(item.URL);
            ASSERT_TRUE(entry);
            EXPECT_EQ(m_task->queue().url(*entry).find_first_of("\r\n"), std::string::npos);
            const std::string title = LoadItem(*m_task, *entry)->Title;
            EXPECT_EQ(title, cut == kSep ? plain : plain.substr(0, at) + " " + plain.substr(at));
        }
    }
}

TEST_F(QueueTest, SelectionRulesPickTheFirstQualifyingEntry) {
    struct Case {
        bool page;
        QueueMode mode;
        QueueStatus status;
        bool asPage, asResource, asSaved;
    };
    const Case cases[] = {
        {true, M::Download, S::None, true, false, false},
        {true, M::Map, S::None, true, false, false},
        {true, M::Update, S::Downloading, true, false, false},
        {true, M::Download, S::Downloading, false, false, false},
        {true, M::Unmarked, S::None, false, false, false},
        {true, M::Map, S::Saved, false, false, true},
        {true, M::Update, S::Parsed, false, false, false},
        {false, M::Download, S::None, false, true, false},
        {false, M::Map, S::None, false, false, false},
        {false, M::Update, S::Downloading, false, true, false},
        {false, M::Download, S::Downloading, false, false, false},
        {false, M::Download, S::Saved, false, false, false},
    };
    for (const Case& c : cases) {
        TQLTask task(*m_app);
        addEntry(task, "http://h.test/done.html", true, S::Parsed);
        addEntry(task, "http://h.test/done.gif", false, S::Saved);
        const std::string url = addEntry(task, "http://h.test/x", c.page, c.status, c.mode);
        SCOPED_TRACE(testing::Message() << c.page << " mode " << toQueueValue(c.mode) << " status "
                                        << toQueueValue(c.status));
        EXPECT_EQ(urlOf(NextPage(task)), c.asPage ? url : "");
        EXPECT_EQ(urlOf(NextResource(task)), c.asResource ? url : "");
        EXPECT_EQ(urlOf(NextSavedPage(task)), c.asSaved ? url : "");
    }
}

// The indexes must answer exactly as a scan from the first entry would, whatever happens.
TEST_F(QueueTest, IndexedSelectionAgreesWithALinearScan) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 20; ++round) {
        TQLTask task(*m_app);
        const int entries = 1 + static_cast<int>(random() % 60);
        for (int n = 0; n < entries; ++n) {
            // Few distinct URLs in two spellings: duplicates and case variants occur.
            std::string url = "http://h.test/p" + std::to_string(random() % 40);
            if (random() % 3 == 0)
                url = "HTTP://H.TEST/P" + url.substr(14);
            addEntry(task, url, random() % 2 == 0, *queueStatusFromValue(random() % 12),
                     *queueModeFromValue(random() % 4));
        }
        for (int step = 0; step < 200; ++step) {
            ASSERT_EQ(urlOf(NextPage(task)), firstQualifying(task, linearPage));
            ASSERT_EQ(urlOf(NextResource(task)), firstQualifying(task, linearResource));
            ASSERT_EQ(urlOf(NextSavedPage(task)), firstQualifying(task, linearSaved));
            auto item = LoadItem(task, random() % task.queue().size());
            item->Status = *queueStatusFromValue(random() % 12);
            item->Mode = *queueModeFromValue(random() % 4);
            if (random() % 5 == 0)
                item->FileType = item->isPage() ? "Images" : "HTML";
            StoreItem(*item);
        }
    }
}

TEST_F(QueueTest, NextItemKeepsThePageShareTheBalanceAsks) {
    struct Case {
        int priority;
        std::int64_t pages, resources;
        bool pageFirst;
    };
    const Case cases[] = {
        {5, 3, 1, false}, {5, 1, 3, true},    {5, 0, 0, true},  {5, 1, 1, true},
        {0, 0, 0, true},  {0, 100, 0, true},  {10, 0, 0, true}, {10, 1, 0, false},
        {10, 0, 5, true}, {10, 1, 99, false}, {7, 3, 7, true},  {7, 4, 6, false},
    };
    for (const Case& c : cases) {
        m_app->setPriority(c.priority);
        TQLTask task(*m_app);
        addEntry(task, "http://h.test/a.html", true);
        addEntry(task, "http://h.test/a.gif", false);
        task.counters().PagesDispatched = c.pages;
        task.counters().ResourcesDispatched = c.resources;
        SCOPED_TRACE(testing::Message()
                     << "P " << c.priority << " " << c.pages << "+" << c.resources);
        auto item = NextItem(task);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->isPage(), c.pageFirst);
        EXPECT_EQ(task.counters().PagesDispatched, c.pages + (c.pageFirst ? 1 : 0));
        EXPECT_EQ(task.counters().ResourcesDispatched, c.resources + (c.pageFirst ? 0 : 1));
    }
    // The other kind when the first has nothing; nothing counted when nothing is left.
    m_app->setPriority(0);
    TQLTask task(*m_app);
    addEntry(task, "http://h.test/only.gif", false);
    EXPECT_FALSE(NextItem(task)->isPage());
    EXPECT_EQ(task.counters().ResourcesDispatched, 1);
    auto item = LoadItem(task, 0);
    item->Status = S::Downloading;
    StoreItem(*item);
    EXPECT_FALSE(NextItem(task));
    EXPECT_EQ(task.counters().PagesDispatched + task.counters().ResourcesDispatched, 1);
}

TEST_F(QueueTest, SetStatusMovesTheCountersOfTheItemsKind) {
    struct Case {
        bool page;
        QueueStatus from, to;
        TaskCounters change; // found, found, saved, saved, errors, errors, bytes
    };
    const Case cases[] = {
        {true, S::Error, S::None, {0, 0, 0, 0, -1, 0, 0}},
        {false, S::Error, S::None, {0, 0, 0, 0, 0, -1, 0}},
        {true, S::Saved, S::None, {0, 0, -1, 0, 0, 0, -700}},
        {false, S::Zipped, S::None, {0, 0, 0, -1, 0, 0, -700}},
        {true, S::Parsed, S::Error, {0, 0, -1, 0, 1, 0, 0}},
        {false, S::Updated, S::Error, {0, 0, 0, -1, 0, 1, 0}},
        {true, S::None, S::Saved, {}},
        {true, S::Downloading, S::None, {}},
        {true, S::None, S::Error, {}},
        {false, S::Downloaded, S::None, {}},
        {true, S::Error, S::Saved, {}},
    };
    for (const Case& c : cases) {
        TQLTask task(*m_app);
        int progressCalls = 0;
        task.setOnTaskProgress([&](const std::string& text, std::int64_t at, std::int64_t of) {
            EXPECT_EQ(std::tie(text, at, of), std::make_tuple(std::string(), 0, 0));
            ++progressCalls;
        });
        TQLQItem item;
        item.Task = &task;
        item.FileType = c.page ? "HTML" : "Images";
        item.Status = c.from;
        item.Size = 700;
        const TaskCounters before = {10, 10, 10, 10, 10, 10, 10000};
        task.counters() = before;
        SetStatus(item, c.to);
        SCOPED_TRACE(testing::Message()
                     << c.page << " " << StatusName(c.from) << " -> " << StatusName(c.to));
        const TaskCounters& after = task.counters();
        EXPECT_EQ(after.PagesSaved - before.PagesSaved, c.change.PagesSaved);
        EXPECT_EQ(after.ResourcesSaved - before.ResourcesSaved, c.change.ResourcesSaved);
        EXPECT_EQ(after.PageErrors - before.PageErrors, c.change.PageErrors);
        EXPECT_EQ(after.ResourceErrors - before.ResourceErrors, c.change.ResourceErrors);
        EXPECT_EQ(after.BytesDownloaded - before.BytesDownloaded, c.change.BytesDownloaded);
        EXPECT_EQ(item.Status, c.to);
        EXPECT_EQ(progressCalls, 1);
    }
}

TEST_F(QueueTest, UrlIndexFoldsSchemeAndHostOnlyAndStoreFindsTheFirstEntry) {
    addEntry(*m_task, "http://H.test/Page.HTML", true);
    EXPECT_TRUE(URLIndexHas(*m_task, "HTTP://h.TEST/Page.HTML"));
    EXPECT_FALSE(URLIndexHas(*m_task, "http://h.test/page.html"));
    EXPECT_FALSE(URLIndexHas(*m_task, "http://h.test/Page.HTML?Q"));
    EXPECT_FALSE(URLIndexHas(*m_task, "http://h.test/page.htm"));
    addEntry(*m_task, "http://h.test/caf\xC3\xA9", true); // é: not folded
    EXPECT_FALSE(URLIndexHas(*m_task, "http://h.test/caf\xC3\x89"));
    EXPECT_EQ(m_task->counters().PagesFound, 2);
    // Other schemes fold alike up to the end of the host; without "://" nothing folds.
    const struct {
        const char* queued;
        const char* asked;
        bool found;
    } spellings[] = {
        {"https://S.test:8443/A", "HTTPS://s.TEST:8443/A", true},
        {"https://s.test/A", "https://s.test/a", false},
        {"ftp://F.test/A", "FTP://f.test/A", true},
        {"httpx://X.test/A", "HTTPX://x.test/A", true},
        {"http:s//h.test/A", "HTTP:S//h.test/A", false},
        {"urn:x://U.test?A", "urn:X://u.TEST?A", true},
        {"urn:x://U.test?A", "urn:x://U.test?a", false},
        {"mailto:Me@H.test", "mailto:me@h.test", false},
        {"http://q.test#Frag", "HTTP://Q.test#Frag", true},
        // Bytes past ASCII keep their case, also those whose low bits spell a capital.
        {"http://\xC3\x89XEMPLE-LONG.test/A", "http://\xC3\x89xemple-long.TEST/A", true},
        {"http://\xC3\x89.test/A", "http://\xC3\xA9.test/A", false},
        {"http://long-host-name.test:8080/Z", "HTTP://Long-Host-Name.TEST:8080/Z", true},
        {"http://q.test\\Back", "http://Q.test\\back", false},
    };
    for (const auto& c : spellings) {
        addEntry(*m_task, c.queued, false);
        EXPECT_EQ(URLIndexHas(*m_task, c.asked), c.found) << c.queued << " as " << c.asked;
        EXPECT_TRUE(URLIndexHas(*m_task, c.queued)) << c.queued;
    }

    TQLQItem item;
    item.Task = m_task.get();
    item.URL = "HTTP://h.test/Page.HTML";
    item.FileType = "HTML";
    item.Status = S::Parsed;
    StoreItem(item);
    EXPECT_EQ(m_task->queue().size(), 2u + std::size(spellings));
    EXPECT_EQ(LoadItem(*m_task, 0)->Status, S::Parsed);
    EXPECT_EQ(LoadItem(*m_task, 0)->URL, "http://H.test/Page.HTML");
    // A URL the queue lacks, if only in the case of its path, is appended and indexed (found
    // counters are AddItem's).
    item.URL = "http://h.test/PAGE.html";
    StoreItem(item);
    EXPECT_EQ(m_task->queue().size(), 3u + std::size(spellings));
    EXPECT_TRUE(URLIndexHas(*m_task, "http://H.TEST/PAGE.html"));
    EXPECT_EQ(m_task->counters().PagesFound, 2);
}

// Whether a URL may be queued under another spelling of its scheme and host: only when it
// or some queued URL has a capital there.
TEST_F(QueueTest, TheQueueKnowsWhetherAnyHostIsSpelledWithCapitals) {
    const struct {
        const char* url;
        bool capital;
    } cases[] = {
        {"http://h.test/Path/A?Q", false}, {"HTTP://h.test/", true},
        {"http://h.Test:8080/", true},     {"https://long-host-name.tesT", true},
        {"urn:x://u.test?A", false},       {"mailto:Me@H.test", false},
        {"http://h.test\\Back", false},    {"http://\xC3\x89.test/", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TaskQueue::capitalInHost(c.url), c.capital) << c.url;

    addEntry(*m_task, "http://h.test/Path/A", true);
    addEntry(*m_task, "urn:x://u.test?A", false);
    EXPECT_FALSE(m_task->queue().holdsCapitalHosts());
    addEntry(*m_task, "http://H.test/b", true);
    EXPECT_TRUE(m_task->queue().holdsCapitalHosts());
    m_task->queue().clear();
    EXPECT_FALSE(m_task->queue().holdsCapitalHosts());
}

// A page's links go in through AddNewItem: one entry per URL in any letter case of scheme and
// host or spelling, in the order found, and selected as the data line reads.
TEST_F(QueueTest, NewLinksKeepDuplicatesOutAndTheirOrder) {
    struct Link {
        std::string url, type;
        S status;
        M mode;
        bool added;
    };
    const Link links[] = {
        {"http://h.test/a.html", "HTML", S::None, M::Download, true},
        {"HTTP://H.TEST/a.html", "HTML", S::None, M::Download, false},
        {"http://h.test/A.html", "HTML", S::None, M::Download, true},
        {"http://h.test/x.gif", "Images", S::None, M::Download, true},
        {"http://h.test/a" + kSep + "b.html", "HTML", S::None, M::Map, true},
        {"http://h.test/a%C2%B6b.html", "HTML", S::None, M::Map, false},
        {"http://h.test/map.gif", "Images", S::None, M::Map, true},
        {"http://h.test/\xC2\xA9.html", "HTML", S::None, M::Download, true},
        {"HTTP://h.test/\xC2\xA9.html", "HTML", S::None, M::Download, false},
        {"http://h.test/odd.html", "HT" + kSep + "ML", S::None, M::Download, true},
        {"http://h.test/bad-mode.html", "HTML", S::None, static_cast<M>(9), true},
        {"http://h.test/saved.html", "HTML", S::Saved, M::Download, true},
        {"http://h.test/x.gif", "Images", S::None, M::Update, false},
    };
    std::vector<std::string> expected;
    for (const Link& link : links) {
        SCOPED_TRACE(link.url);
        TQLQItem item;
        item.URL = link.url;
        item.FileType = link.type;
        item.Status = link.status;
        item.Mode = link.mode;
        EXPECT_EQ(AddNewItem(*m_task, item), link.added);
        if (link.added)
            expected.push_back(item.URL);
    }
    const TaskQueue& queue = m_task->queue();
    ASSERT_EQ(queue.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(queue.url(i), expected[i]);
    EXPECT_EQ(m_task->counters().PagesFound + m_task->counters().ResourcesFound, 9);

    // Every selection agrees with a queue loaded from the same text, which reads each line:
    // walked to the end by marking each selected entry an error in both.
    TaskQueue loaded;
    loaded.loadText(queue.text(), {});
    EXPECT_EQ(queue.firstSavedPage(), loaded.firstSavedPage());
    for (auto first : {&TaskQueue::firstPageToFetch, &TaskQueue::firstResourceToFetch}) {
        for (auto entry = (queue.*first)(); entry; entry = (queue.*first)()) {
            ASSERT_EQ(entry, (loaded.*first)());
            TQLQItem failed;
            failed.Status = S::Error;
            m_task->queue().replace(*entry, buildDataLine(failed), {});
            loaded.replace(*entry, buildDataLine(failed), {});
        }
        EXPECT_FALSE((loaded.*first)());
    }
    EXPECT_EQ(queue.entryCounts().PagesFound, loaded.entryCounts().PagesFound);
    EXPECT_EQ(queue.entryCounts().PagesSaved, loaded.entryCounts().PagesSaved);
}

TEST_F(QueueTest, AllDoneComparesSavedAndErrorsWithWhatWasFound) {
    TaskCounters& c = m_task->counters();
    c = {3, 2, 2, 1, 1, 1, 0};
    EXPECT_TRUE(AllDone(*m_task));
    c.ResourcesFound = 3;
    EXPECT_FALSE(AllDone(*m_task));
    c = {3, 0, 2, 0, 0, 0, 0};
    EXPECT_FALSE(AllDone(*m_task));
}

TEST_F(QueueTest, SavesOnTheEleventhNoteAndWritesAPrivateCrLfFile) {
    addEntry(*m_task, "http://h.test/a.html", true, S::Saved);
    for (int call = 1; call <= 10; ++call) {
        ASSERT_TRUE(NoteQueueChange(*m_task));
        EXPECT_FALSE(fileExists(queueFile())) << "call " << call;
    }
    EXPECT_EQ(m_task->changesSinceSave(), 10);
    ASSERT_TRUE(NoteQueueChange(*m_task));
    ASSERT_TRUE(fileExists(queueFile()));
    EXPECT_FALSE(m_task->queueDirty());
    EXPECT_EQ(m_task->changesSinceSave(), 0);
    EXPECT_TRUE(fileExists(m_task->filePath()));
    EXPECT_FALSE(fileExists(journalFile()));
    EXPECT_EQ(readWholeFile(queueFile()),
              "http://h.test/a.html\r\n" + m_task->queue().dataLine(0) + "\r\n");
    struct stat info {};
    ASSERT_EQ(stat(queueFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(QueueTest, OpeningReportsProgressAtEveryFiftiethEntryAndTheLast) {
    for (int n = 0; n < 120; ++n)
        addEntry(*m_task, "http://h.test/" + std::to_string(n), n % 2 == 0);
    ASSERT_TRUE(SaveQueue(*m_task));
    auto task = reopenedTask();
    std::vector<std::tuple<std::string, std::int64_t, std::int64_t>> calls;
    task->setOnTaskProgress([&](const std::string& text, std::int64_t at, std::int64_t of) {
        calls.emplace_back(text, at, of);
    });
    auto opened = OpenQueue(*task);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->entries, 120u);
    using Call = std::tuple<std::string, std::int64_t, std::int64_t>;
    EXPECT_EQ(calls, (std::vector<Call>{{"Opening task....", 1, 239},
                                        {"Opening task....", 101, 239},
                                        {"Opening task....", 201, 239},
                                        {"Opening task....", 239, 239}}));
    EXPECT_TRUE(URLIndexHas(*task, "http://h.test/119"));
    EXPECT_EQ(task->queue().text(), m_task->queue().text());
}

// A queue file written while the whole URL compared without regard to case loads as it is:
// its entries keep their spellings and are found by them, and a URL that differs from one
// of them in the case of its path alone is a new entry. Entries whose scheme and host alone
// differ in case are still one URL, merged as the loader merges every duplicate.
TEST_F(QueueTest, AQueueFileOfAnEarlierVersionLoadsWithThePathCaseKept) {
    const std::string waiting = "0" + kSep + kSep + "HTML" + kSep + kSep + "0" + kSep;
    const std::string saved = "5" + kSep + kSep + "HTML" + kSep + kSep + "1" + kSep;
    const std::string text = "http://H.test/Case.html\r\n" + waiting +
                             "\r\nhttp://h.test/img/Logo.GIF\r\n" + waiting +
                             "\r\nHTTP://h.TEST/Case.html\r\n" + saved + "\r\n";
    TaskQueue queue;
    EXPECT_EQ(queue.loadText(text, {}).repairedLines, 1u); // the merged duplicate
    ASSERT_EQ(queue.size(), 2u);
    EXPECT_EQ(queue.url(0), "http://H.test/Case.html");
    EXPECT_EQ(classifyDataLine(queue.dataLine(0)).status, S::Saved);
    EXPECT_EQ(queue.find("http://h.test/Case.html"), 0u);
    EXPECT_EQ(queue.find("http://h.test/img/Logo.GIF"), 1u);
    EXPECT_FALSE(queue.find("http://h.test/case.html"));
    EXPECT_FALSE(queue.find("http://h.test/img/logo.gif"));
    queue.append("http://h.test/case.html", waiting, {});
    EXPECT_EQ(queue.find("http://h.test/case.html"), 2u);

    // A stylesheet with a query was typed as a page: it is typed anew, and only that.
    const TaskQueue::TypeOfURL typeOf = [](std::string_view url) {
        return std::string(url.find(".css") != std::string_view::npos ? "Styles" : "HTML");
    };
    TaskQueue typed;
    typed.loadText("http://h.test/a.css?v=3\r\n" + saved + "\r\nhttp://h.test/a.css\r\n" + saved +
                       "\r\nhttp://h.test/p.php?v=3\r\n" + saved + "\r\n",
                   typeOf);
    ASSERT_EQ(typed.size(), 3u);
    TQLQItem item;
    readDataLine(typed.dataLine(0), item);
    EXPECT_EQ(item.FileType, "Styles");
    EXPECT_EQ(item.Status, S::Saved);
    EXPECT_TRUE(classifyDataLine(typed.dataLine(1)).page); // no query: as stored
    EXPECT_TRUE(classifyDataLine(typed.dataLine(2)).page);
}

TEST_F(QueueTest, MalformedQueueFilesLoadWhatCanBeKept) {
    const std::string data = "5" + kSep + "200 OK" + kSep + "HTML" + kSep + kSep + "1" + kSep +
                             kSep + kSep + "1" + kSep + "T" + kSep + "9" + kSep + kSep;
    const std::string waiting = "0" + kSep + kSep + "HTML" + kSep + kSep + "0" + kSep;
    struct Case {
        const char* what;
        std::string text;
        std::vector<std::tuple<std::string, QueueStatus, int, QueueMode>>
            entries; // URL, status, level, mode
        std::size_t repaired;
    };
    const Case cases[] = {
        {"well formed",
         "http://a/\r\n" + data + "\r\n",
         {{"http://a/", S::Saved, 1, M::Download}},
         0},
        {"LF line ends", "http://a/\n" + data + "\n", {{"http://a/", S::Saved, 1, M::Download}}, 0},
        {"status not a number",
         "http://a/\r\nx" + data + "\r\nhttp://b/\r\n" + data,
         {{"http://a/", S::None, 1, M::Download}, {"http://b/", S::Saved, 1, M::Download}},
         1},
        {"level and mode not numbers",
         "http://a/\r\n1" + kSep + kSep + "HTML" + kSep + kSep + "one" + kSep + kSep + kSep + "z" +
             kSep,
         {{"http://a/", S::Downloading, 0, M::Download}},
         1},
        {"data line missing at the end",
         "http://a/\r\n" + data + "\r\nhttp://b/x.html\r\n",
         {{"http://a/", S::Saved, 1, M::Download}, {"http://b/x.html", S::None, 0, M::Download}},
         1},
        {"data line missing in the middle",
         "http://a/\r\nhttp://b/\r\n" + data + "\r\n",
         {{"http://a/", S::None, 0, M::Download}, {"http://b/", S::Saved, 1, M::Download}},
         1},
        {"empty URL line",
         "\r\n" + data + "\r\nhttp://b/\r\n" + data,
         {{"http://b/", S::Saved, 1, M::Download}},
         2},
        {"binary garbage",
         std::string("\x01\x00\xff\xfe\r\n", 6) + data + "\r\nhttp://b/\r\n" + data +
             "\r\n\xb6\xb6\r\n",
         {{"http://b/", S::Saved, 1, M::Download}, {"\xb6\xb6", S::None, 0, M::Download}},
         3},
        {"empty file", "", {}, 0},
        {"CR in a URL",
         "http://a/x\ry\r\n" + data,
         {{"http://a/x%0Dy", S::Saved, 1, M::Download}},
         1},
        {"numbers out of range",
         "http://a/\r\n12" + kSep + kSep + "HTML" + kSep + kSep + "-3" + kSep + kSep + kSep + "7" +
             kSep + kSep + "-5" + kSep + "\r\nhttp://b/\r\n4" + kSep + kSep + kSep + kSep + "2" +
             kSep + kSep + kSep + "3" + kSep,
         {{"http://a/", S::None, 0, M::Download}, {"http://b/", S::Downloaded, 2, M::Update}},
         1},
        // Merged into the first in queue order, with the state that got furthest.
        {"one URL twice",
         "http://a/\r\n" + waiting + "\r\nhttp://b/\r\n" + waiting + "\r\nHTTP://A/\r\n" + data +
             "\r\nhttp://b/\r\n" + waiting,
         {{"http://a/", S::Saved, 1, M::Download}, {"http://b/", S::None, 0, M::Download}},
         2},
        {"a raw CR and its queued spelling",
         "http://a/x%0Dy\r\n" + data + "\r\nhttp://a/x\ry\r\n" + waiting,
         {{"http://a/x%0Dy", S::Saved, 1, M::Download}},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TaskQueue queue;
        const QueueLoadReport report = queue.loadText(c.text, [](std::string_view url) {
            return std::string(url.ends_with(".html") || url.ends_with("/") ? "HTML" : "Other");
        });
        EXPECT_EQ(report.repairedLines, c.repaired);
        ASSERT_EQ(queue.size(), c.entries.size());
        TQLTask task(*m_app);
        for (std::size_t n = 0; n < queue.size(); ++n) {
            TQLQItem item;
            EXPECT_EQ(readDataLine(queue.dataLine(n), item), 0);
            EXPECT_EQ(std::make_tuple(queue.url(n), item.Status, item.Level, item.Mode),
                      c.entries[n]);
        }
        // Repaired once, the text reads back as it is.
        TaskQueue again;
        EXPECT_EQ(again.loadText(queue.text(), {}).repairedLines, 0u);
        EXPECT_EQ(again.text(), queue.text());
    }
}

TEST_F(QueueTest, RandomBytesNeverBreakTheLoader) {
    std::mt19937 random(7);
    const std::string pieces[] = {kSep,        "\r\n",
                                  "\n",        "\r",
                                  "\xb6",      "\xc2",
                                  "5",         "HTML",
                                  "http://h/", std::string(1, '\0'),
                                  "-",         "99999999999999999999"};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int n = static_cast<int>(random() % 80); n > 0; --n) {
            if (random() % 2)
                text += pieces[random() % std::size(pieces)];
            else
                text += static_cast<char>(random() % 256);
        }
        TaskQueue queue;
        queue.loadText(text, {});
        TaskQueue again;
        ASSERT_EQ(again.loadText(queue.text(), {}).repairedLines, 0u);
        ASSERT_EQ(again.text(), queue.text());
    }
}

TEST_F(QueueTest, QueueFilesKeepUtf8TextsThroughSaveAndLoad) {
    TQLQItem item;
    item.URL = "http://h.test/k\xC3\xB6ln.html"; // köln: C3 B6 inside the URL too
    item.FileType = "HTML";
    item.Title = "\xC3\xB6\xC3\xB6 \xE2\x82\xAC \xC2\xA0";
    AddItem(*m_task, item);
    ASSERT_TRUE(SaveQueue(*m_task));
    auto task = reopenedTask();
    ASSERT_TRUE(OpenQueue(*task));
    auto back = LoadItem(*task, 0);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->URL, item.URL);
    EXPECT_EQ(back->Title, item.Title);
    EXPECT_EQ(back->FileType, "HTML");
}

// A run killed at any moment resumes with every link and status it had queued.
TEST_F(QueueTest, TheJournalBringsBackChangesAfterTheLastSave) {
    addEntry(*m_task, "http://h.test/", true, S::Parsed);
    ASSERT_TRUE(SaveQueue(*m_task));
    addEntry(*m_task, "http://h.test/a.html", true, S::Saved);
    addEntry(*m_task, "http://h.test/b.gif", false, S::Error);
    m_task->counters().BytesDownloaded = 4321;
    addEntry(*m_task, "http://h.test/c.gif", false, S::Downloading);
    EXPECT_TRUE(fileExists(journalFile()));
    struct stat info {};
    ASSERT_EQ(stat(journalFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    auto crashed = reopenedTask(); // the process died here: nothing more was saved
    auto loaded = LoadQueue(*crashed);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->journalRecords, 6u);
    EXPECT_FALSE(loaded->journalTorn);
    EXPECT_EQ(crashed->queue().text(), m_task->queue().text());
    EXPECT_EQ(crashed->counters().PagesFound, 2);
    EXPECT_EQ(crashed->counters().ResourcesFound, 2);
    EXPECT_EQ(crashed->counters().BytesDownloaded, 4321);
    EXPECT_TRUE(crashed->queueDirty());

    // A torn last record (the kill came in the middle of a write) is ignored...
    TQLQItem last = *LoadItem(*m_task, 3);
    last.Status = S::Saved;
    StoreItem(last);
    const std::string full = readWholeFile(journalFile());
    writeWholeFile(journalFile(), full.substr(0, full.size() - 7));
    auto torn = reopenedTask();
    loaded = LoadQueue(*torn);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->journalTorn);
    EXPECT_EQ(loaded->journalRecords, 6u);
    EXPECT_EQ(LoadItem(*torn, 3)->Status, S::Downloading);
    // ...and what the resumed run changes next is journaled after the good part.
    auto item = LoadItem(*torn, 3);
    item->Status = S::Parsed;
    StoreItem(*item);
    auto again = reopenedTask();
    loaded = LoadQueue(*again);
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(loaded->journalTorn);
    EXPECT_EQ(loaded->journalRecords, 7u);
    EXPECT_EQ(again->queue().text(), torn->queue().text());
}

// The hand-over of an entry to a transfer changes the queue in memory but writes no journal
// record: a run killed during the transfer resumes with the entry as it was before, ready to
// be fetched again, and the record of the transfer's end holds the whole line.
TEST_F(QueueTest, AnEntryHandedToATransferIsNotJournaledUntilTheTransferEnds) {
    addEntry(*m_task, "http://h.test/", true, S::Parsed);
    ASSERT_TRUE(SaveQueue(*m_task));
    addEntry(*m_task, "http://h.test/a.gif", false);
    const std::string journal = readWholeFile(journalFile());
    auto item = LoadItem(*m_task, 1);
    SetStatus(*item, S::Downloading);
    StoreTransferStart(*item);
    EXPECT_EQ(LoadItem(*m_task, 1)->Status, S::Downloading);
    EXPECT_EQ(readWholeFile(journalFile()), journal);
    auto killed = reopenedTask();
    ASSERT_TRUE(LoadQueue(*killed));
    EXPECT_EQ(LoadItem(*killed, 1)->Status, S::None);

    SetStatus(*item, S::Saved);
    StoreItem(*item);
    auto done = reopenedTask();
    ASSERT_TRUE(LoadQueue(*done));
    EXPECT_EQ(done->queue().text(), m_task->queue().text());
    // A URL not queued yet is not lost to the journal.
    TQLQItem fresh = *item;
    fresh.URL = "http://h.test/b.gif";
    StoreTransferStart(fresh);
    auto later = reopenedTask();
    ASSERT_TRUE(LoadQueue(*later));
    EXPECT_EQ(later->queue().size(), 3u);
}

// The journal is kept beside the queue file wherever the task's file and name are now: a
// task given another name or folder journals its next change there, not in the old place.
TEST_F(QueueTest, TheJournalFollowsTheTaskToItsNewNameAndFolder) {
    addEntry(*m_task, "http://h.test/", true);
    const std::string first = journalFile();
    ASSERT_TRUE(fileExists(first));
    for (const auto& [category, name] : {std::pair{"General", "Renamed"}, {"Other", "Renamed"}}) {
        ASSERT_TRUE(m_task->setLocation(category, name));
        ASSERT_TRUE(forceDirectories(folderOf(journalFile())));
        ASSERT_NE(journalFile(), first);
        addEntry(*m_task, std::string("http://h.test/") + category, true);
        EXPECT_TRUE(fileExists(journalFile())) << journalFile();
    }
}

TEST_F(QueueTest, AJournalLeftBySaveAddsNothingTwice) {
    // The kill came between writing the queue file and removing the journal: first for a
    // journal that starts from an empty queue, then for one over the previous queue file.
    for (const bool overFile : {false, true}) {
        addEntry(*m_task, "http://h.test/" + std::to_string(overFile), true, S::Parsed);
        const std::string journal = readWholeFile(journalFile());
        ASSERT_FALSE(journal.empty());
        ASSERT_TRUE(SaveQueue(*m_task));
        EXPECT_FALSE(fileExists(journalFile()));
        writeWholeFile(journalFile(), journal);
        auto task = reopenedTask();
        auto loaded = LoadQueue(*task);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->journalStale, overFile);
        EXPECT_EQ(task->queue().text(), m_task->queue().text());
    }
}

TEST_F(QueueTest, AFreshRunKilledBeforeItsFirstSaveResumesTheNewQueue) {
    addEntry(*m_task, "http://h.test/old.html", true, S::Parsed);
    ASSERT_TRUE(SaveQueue(*m_task));
    m_task->resetRunState();
    addEntry(*m_task, "http://h.test/new.html", true);
    auto task = reopenedTask();
    ASSERT_TRUE(LoadQueue(*task));
    ASSERT_EQ(task->queue().size(), 1u);
    EXPECT_EQ(task->queue().url(0), "http://h.test/new.html");
}

TEST_F(QueueTest, ARepairedReferrerIsSpelledAsTheQueueSpellsUrls) {
    TaskQueue queue;
    const std::string line = "0" + kSep + kSep + "HTML" + kSep + kSep + "1" + kSep +
                             "http://a/r\re" + kSep + kSep + "1" + kSep;
    EXPECT_EQ(queue.loadText("http://a/x\r\n" + line + "\r\n", {}).repairedLines, 1u);
    TQLQItem item;
    ASSERT_EQ(readDataLine(queue.dataLine(0), item), 0);
    EXPECT_EQ(item.Referrer, "http://a/r%0De");
    EXPECT_EQ(item.Level, 1);
}

// Whatever the task file or a damaged queue file said, the counters are those of the entries,
// so that no figure passes 100%; the user hears once of what was repaired.
TEST_F(QueueTest, LoadingCountsTheEntriesAndWarnsOnceOfRepairs) {
    RecordingUiHooks hooks;
    m_app->setHooks(&hooks);
    addEntry(*m_task, "http://h.test/", true, S::Parsed);
    addEntry(*m_task, "http://h.test/a.html", true, S::Error);
    addEntry(*m_task, "http://h.test/b.gif", false, S::Saved);
    addEntry(*m_task, "http://h.test/c.gif", false);
    m_task->counters() = {8, 1, 0, 0, 11985818, 0, 777, 0, 0};
    ASSERT_TRUE(SaveQueue(*m_task));
    addEntry(*m_task, "http://h.test/d.gif", false, S::Error); // journaled only

    auto task = reopenedTask();
    ASSERT_TRUE(LoadQueue(*task));
    EXPECT_EQ(task->counters(), (TaskCounters{2, 3, 1, 1, 1, 1, 777, 0, 0}));
    EXPECT_EQ(hooks.count("message"), 0);

    // A damaged queue file: a raw CR, an out-of-range status, a line of garbage.
    const std::string text = readWholeFile(queueFile());
    std::string damaged = text;
    damaged.replace(damaged.find("a.html"), 6, "a\r.html");
    damaged.replace(damaged.find("http://h.test/b.gif\r\n") + 21, 1, "99");
    damaged += kSep + "junk\r\n";
    writeWholeFile(queueFile(), damaged);
    deleteFile(journalFile());
    task = reopenedTask();
    auto loaded = LoadQueue(*task);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->repairedLines, 3u);
    EXPECT_EQ(loaded->droppedLines, 1u);
    EXPECT_EQ(task->queue().url(1), "http://h.test/a%0D.html");
    EXPECT_EQ(task->counters(), (TaskCounters{2, 2, 1, 0, 1, 0, 777, 0, 0}));
    EXPECT_TRUE(task->queueDirty());
    const auto messages = hooks.calls();
    ASSERT_EQ(hooks.count("message"), 1);
    EXPECT_EQ(messages.back().number, int(UiHooks::MessageKind::Warning));
    EXPECT_EQ(messages.back().text,
              "The queue file " + queueFile() +
                  " had 3 damaged lines: repaired 2, left out 1 that held no entry.");
    m_app->setHooks(nullptr);
}

// An entry is handed to transfers at most kAttemptsPerRun times in a run, then fails with
// the message of its last transfer: a transfer that keeps ending incomplete cannot keep a
// run going, nor an entry whose stores land on another entry.
TEST_F(QueueTest, AnEntryIsHandedOutAtMostFourTimesARun) {
    addEntry(*m_task, "http://h.test/cut.html", true);
    addEntry(*m_task, "http://h.test/next.gif", false, S::Saved);
    for (int attempt = 1; attempt <= kAttemptsPerRun; ++attempt) {
        auto item = NextItem(*m_task);
        ASSERT_TRUE(item) << attempt;
        ASSERT_EQ(item->URL, "http://h.test/cut.html");
        SetStatus(*item, QueueStatus::Downloading);
        StoreItem(*item);
        SetStatus(*item, QueueStatus::None);
        item->Message = std::string(kTransferIncomplete);
        StoreItem(*item);
    }
    EXPECT_FALSE(NextItem(*m_task));
    auto failed = LoadItem(*m_task, 0);
    EXPECT_EQ(failed->Status, QueueStatus::Error);
    EXPECT_EQ(failed->Message, kTransferIncomplete);
    EXPECT_EQ(m_task->counters().PageErrors, 1);
    EXPECT_EQ(m_task->counters().PagesDispatched, kAttemptsPerRun);

    // Two entries the index cannot tell apart (as old queues could hold): every store of
    // the second lands on the first, so only the attempts end it.
    TQLTask task(*m_app);
    task.queue().append("http://H.test/a.gif", buildDataLine(TQLQItem{}), task.counters());
    task.queue().append("http://h.test/a.gif", buildDataLine(TQLQItem{}), task.counters());
    auto first = LoadItem(task, 0);
    first->Status = QueueStatus::Saved;
    StoreItem(*first);
    for (int attempt = 1; attempt <= kAttemptsPerRun; ++attempt) {
        auto item = NextItem(task);
        ASSERT_TRUE(item) << attempt;
        SetStatus(*item, QueueStatus::Error);
        StoreItem(*item);
    }
    EXPECT_FALSE(NextItem(task));
    auto second = LoadItem(task, 1);
    EXPECT_EQ(second->Status, QueueStatus::Error);
    EXPECT_EQ(second->Message, "Given up after 4 attempts");
    EXPECT_EQ(task.counters().ResourceErrors, 1);
}

TEST_F(QueueTest, SelectionWorksOnAMillionEntries) {
    TQLTask task(*m_app); // no task file: nothing is journaled
    constexpr int kEntries = 1'000'000;
    TQLQItem item;
    item.FileType = "HTML";
    item.Status = QueueStatus::Parsed;
    for (int n = 0; n < kEntries - 1; ++n) {
        item.URL = "http://h.test/" + std::to_string(n) + ".html";
        AddItem(task, item);
    }
    item.URL = "http://h.test/last.html";
    item.Status = QueueStatus::None;
    AddItem(task, item);
    EXPECT_EQ(urlOf(NextPage(task)), "http://h.test/last.html");
    EXPECT_FALSE(NextResource(task));
    auto first = LoadItem(task, 0);
    first->Status = QueueStatus::Saved;
    StoreItem(*first);
    EXPECT_EQ(urlOf(NextSavedPage(task)), "http://h.test/0.html");
    EXPECT_TRUE(URLIndexHas(task, "HTTP://H.TEST/999998.html"));
}

} // namespace
} // namespace quarlo
