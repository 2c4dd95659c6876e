#include "engine/TThreadParse.h"

#include "engine/LinkLog.h"
#include "engine/Queue.h"
#include "html/Banner.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "support/QueueFixture.h"
#include "support/RecordingUiHooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace std::string_literals;
using namespace std::chrono_literals;

namespace quarlo {
namespace {

// Records the status line and runs an action on the texts it is given (on the caller's
// thread).
class StatusHooks : public RecordingUiHooks {
public:
    std::function<void(const std::string&)> onStatus;
    void setStatusLine(const std::string& text, int progress) override {
        RecordingUiHooks::setStatusLine(text, progress);
        if (onStatus)
            onStatus(text);
    }
};

class ParseThreadTest : public test::QueueFixture {
protected:
    void SetUp() override {
        QueueFixture::SetUp();
        m_app->setHooks(&m_hooks);
        m_app->setNoAds(true);
        m_app->setDispatchPause(0);
        newTask("http://h/a/index.html");
        m_parse = std::make_unique<TThreadParse>(*m_app);
        m_parse->setOnWork([this] { ++m_wakes; });
    }
    void TearDown() override {
        m_parse.reset();
        m_app->setHooks(nullptr);
    }

    // An intranet-mode task whose profile follows links anywhere, all levels, with the
    // aggressive parser 1 and both conversions on.
    void newTask(const std::string& startUrl) {
        m_task = std::make_unique<TQLTask>(*m_app);
        ASSERT_TRUE(m_task->setLocation("General", "Site"));
        m_task->setURL(startUrl);
        m_task->setIntranetMode(true);
        m_task->setDestination(m_home.path() + "site/");
        TQLProfile& profile = m_task->profile();
        profile.setPageLocation(TQLProfile::Anywhere);
        profile.setResourceLocation(TQLProfile::Anywhere);
        profile.setDepth(-1);
        profile.setAggressiveParser(1);
        profile.setConvertFollowedLinks(1);
        profile.setConvertUnfollowedLinks(1);
    }

    // A page the transfers have saved: queued, its file written, in status Saved and
    // counted as such.
    std::string savedPage(const std::string& url, const std::string& html, int level = 0,
                          QueueMode mode = QueueMode::Download, const std::string& frame = "",
                          const std::string& title = "") {
        std::lock_guard lock(m_task->mutex());
        TQLQItem item;
        item.URL = url;
        item.FileType = "HTML";
        item.Level = level;
        item.Mode = mode;
        item.FrameFlag = frame;
        item.Title = title;
        AddItem(*m_task, item);
        SetStatus(item, QueueStatus::Saved);
        ++m_task->counters().PagesSaved;
        StoreItem(item);
        const std::string local = LocalName(item);
        EXPECT_TRUE(forceDirectories(folderOf(local)));
        test::writeWholeFile(local, html);
        return local;
    }

    std::vector<TQLQItem> entries() {
        std::lock_guard lock(m_task->mutex());
        std::vector<TQLQItem> all;
        for (std::size_t i = 0; i < m_task->queue().size(); ++i)
            all.push_back(*LoadItem(*m_task, i));
        return all;
    }
    std::vector<std::string> queuedUrls() {
        std::vector<std::string> urls;
        for (const TQLQItem& item : entries())
            urls.push_back(item.URL);
        return urls;
    }
    TQLQItem entry(const std::string& url) {
        for (const TQLQItem& item : entries())
            if (item.URL == url)
                return item;
        ADD_FAILURE() << "not queued: " << url;
        return {};
    }
    QueueStatus statusOf(const std::string& url) { return entry(url).Status; }
    TaskCounters counters() {
        std::lock_guard lock(m_task->mutex());
        return m_task->counters();
    }
    bool waitFor(const std::function<bool()>& done) {
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    StatusHooks m_hooks;
    std::unique_ptr<TThreadParse> m_parse;
    std::atomic<int> m_wakes{0};
};

TEST_F(ParseThreadTest, WorkedExampleQueuesThreeLinksAndRewritesOneValue) {
    TQLProfile& profile = m_task->profile();
    profile.setPageLocation(TQLProfile::WithinSite);
    profile.setResourceLocation(TQLProfile::Anywhere);
    const std::string file = savedPage("http://h/a/index.html", "<title>Welcome</title>\n"
                                                                "<body background='bg.gif'>\n"
                                                                "<a href='b.html'>B</a>\n"
                                                                "<a href='http://h2/c.html'>C</a>\n"
                                                                "<a href='mailto:me'>M</a>\n"
                                                                "<img src='/img/x.gif'>\n"
                                                                "</body>\n");

    ASSERT_TRUE(m_parse->processNextPage(*m_task));

    const std::vector<TQLQItem> all = entries();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].Status, QueueStatus::Parsed);
    EXPECT_EQ(all[0].Title, "Welcome");
    EXPECT_EQ(m_task->startPageTitle(), "Welcome");
    struct Expected {
        std::string url, type, title;
    };
    const Expected expected[] = {{"http://h/a/b.html", "HTML", "B"},
                                 {"http://h/img/x.gif", "Images", ""},
                                 {"http://h/a/bg.gif", "Images", ""}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].url);
        const TQLQItem& item = all[i + 1];
        EXPECT_EQ(item.URL, expected[i].url);
        EXPECT_EQ(item.FileType, expected[i].type);
        EXPECT_EQ(item.Title, expected[i].title);
        EXPECT_EQ(item.Level, 1);
        EXPECT_EQ(item.Mode, QueueMode::Download);
        EXPECT_EQ(item.Status, QueueStatus::None);
        EXPECT_EQ(item.Referrer, "http://h/a/index.html");
        EXPECT_EQ(item.FrameFlag, "");
    }
    EXPECT_EQ(test::readWholeFile(file), "<title>Welcome</title>\n"
                                         "<body background='bg.gif'>\n"
                                         "<a href='b.html'>B</a>\n"
                                         "<a href='http://h2/c.html'>C</a>\n"
                                         "<a href='mailto:me'>M</a>\n"
                                         "<img src='../img/x.gif'>\n"
                                         "</body>\n");
    const TaskCounters c = counters();
    EXPECT_EQ(c.PagesFound, 2);
    EXPECT_EQ(c.ResourcesFound, 2);
    EXPECT_EQ(c.PagesSaved, 1);
    EXPECT_EQ(m_wakes.load(), 1); // once the page is done, not once per new link

    const std::vector<std::string> status = m_hooks.texts("status");
    auto at = [&](const std::string& text) {
        return std::find(status.begin(), status.end(), text) - status.begin();
    };
    EXPECT_LT(at("Loading Page: " + file), at("Parsing... Links: 1  New Links: 1"));
    EXPECT_LT(at("Parsing... Links: 1  New Links: 1"), at("Saving Changes: " + file));
    EXPECT_LT(at("Saving Changes: " + file), static_cast<long>(status.size()));
    EXPECT_EQ(status.back(), "");

    EXPECT_FALSE(m_parse->processNextPage(*m_task));
}

TEST_F(ParseThreadTest, LinksAreQueuedWithTheirBaseModeAndFrameFlag) {
    struct Queued {
        Queued(std::string u, QueueMode m = QueueMode::Download, std::string f = "")
            : url(std::move(u)), mode(m), frame(std::move(f)) {}
        std::string url;
        QueueMode mode;
        std::string frame;
    };
    struct Case {
        const char* name;
        std::string page;
        QueueMode pageMode;
        int aggressive;
        std::string html;
        std::vector<Queued> queued;
        std::string goneFromPage;
        std::string inPage = "";
    };
    const Case cases[] = {
        {"base tag for relative links only",
         "http://h/d/p.html",
         QueueMode::Download,
         1,
         "<html><head><base href=\"http://h/base/index.html\"></head><body>\n"
         "<a href=\"a.html\">A</a> <a href=\"http://h2/x.html\">X</a></body></html>",
         {{"http://h/base/a.html"}, {"http://h2/x.html"}},
         "<base"},
        {"applet code under its codebase",
         "http://h/d/p.html",
         QueueMode::Download,
         0,
         "<html><body>\n<applet code=\"sub/A.class\" codebase=\"java\"></applet></body></html>",
         {{"http://h/d/java/sub/A.class"}},
         "",
         "code=\"sub/A.class\" codebase=\"java\""},
        {"an AREA converted by the A pass is not read again",
         "http://h/d/p.html",
         QueueMode::Download,
         0,
         "<html><body>\n<map><area href=\"show.asp?id=2\"></map></body></html>",
         {{"http://h/d/show.asp?id=2"}},
         "",
         "<area href=\"show.html%C2%BFid=2.html\">"},
        {"frames carry the frame flag",
         "http://h/d/p.html",
         QueueMode::Download,
         0,
         "<html><frameset cols=\"*,*\"><frame src=\"left.html\"><frame src=\"right.html\">"
         "</frameset></html>",
         {{"http://h/d/left.html", QueueMode::Download, "Y"},
          {"http://h/d/right.html", QueueMode::Download, "Y"}},
         ""},
        {"a map fetches pages only",
         "http://h/d/p.html",
         QueueMode::Map,
         0,
         "<html><body>\n<a href=\"next.html\">N</a><img src=\"pic.gif\"></body></html>",
         {{"http://h/d/next.html", QueueMode::Map}, {"http://h/d/pic.gif", QueueMode::Unmarked}},
         ""},
        {"aggressive parser 2 takes quoted strings only",
         "http://h/d/p.html",
         QueueMode::Download,
         2,
         "<html><body>\n<a href=plain.html>P</a> <a href=\"quoted.html\">Q</a></body></html>",
         {{"http://h/d/quoted.html"}},
         ""},
        {"aggressive parser 1 takes strings inside scripts",
         "http://h/d/p.html",
         QueueMode::Download,
         1,
         "<html><script>var next = 'menu/next.html';</script><body>\n"
         "<p>'outside/x.html'</p></body></html>",
         {{"http://h/d/menu/next.html"}},
         ""},
        {"anchors, script calls and refresh targets",
         "http://h/d/p.html",
         QueueMode::Download,
         0,
         "<html><head><meta http-equiv=\"refresh\" content=\"5; URL=later.html\"></head><body>\n"
         "<a href=\"doc.html#part\">D</a> <a href=\"javascript:openWin('pop.html')\">P</a>\n"
         "<a href=\"#top\">T</a> <a href=\"HTTP://H/d/doc.html\">again</a></body></html>",
         {{"http://h/d/doc.html"}, {"http://h/d/pop.html"}, {"http://h/d/later.html"}},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        newTask(c.page);
        m_task->profile().setAggressiveParser(static_cast<std::uint8_t>(c.aggressive));
        const std::string file = savedPage(c.page, c.html, 0, c.pageMode);
        ASSERT_TRUE(m_parse->processNextPage(*m_task));
        const std::vector<TQLQItem> all = entries();
        ASSERT_EQ(all.size(), c.queued.size() + 1);
        for (std::size_t i = 0; i < c.queued.size(); ++i) {
            EXPECT_EQ(all[i + 1].URL, c.queued[i].url);
            EXPECT_EQ(all[i + 1].Mode, c.queued[i].mode) << c.queued[i].url;
            EXPECT_EQ(all[i + 1].FrameFlag, c.queued[i].frame) << c.queued[i].url;
        }
        if (!c.goneFromPage.empty()) {
            EXPECT_EQ(test::readWholeFile(file).find(c.goneFromPage), std::string::npos);
        }
        if (!c.inPage.empty()) {
            EXPECT_NE(test::readWholeFile(file).find(c.inPage), std::string::npos)
                << test::readWholeFile(file);
        }
    }
}

// Scheme and host compare without regard to case, path and query exactly: a link to a URL
// queued with another case of its host names the file saved for that spelling, and a link
// whose path differs in case alone is another URL with a file of its own.
TEST_F(ParseThreadTest, ALinkKnownInAnySpellingIsQueuedOnceAndNamesTheSavedFile) {
    savedPage("http://h/a/index.html", "<html><body>\n<a href=\"common.html\">C</a></body></html>");
    const std::string second = savedPage("http://h/a/other.html",
                                         "<html><body>\n<a href=\"HTTP://H/a/common.html\">C</a>"
                                         "<a href=\"Common.html\">D</a></body></html>",
                                         1, QueueMode::Download, "", "Other");
    ASSERT_TRUE(m_parse->processNextPage(*m_task));
    m_hooks.clear();
    ASSERT_TRUE(m_parse->processNextPage(*m_task));

    EXPECT_EQ(queuedUrls(),
              (std::vector<std::string>{"http://h/a/index.html", "http://h/a/other.html",
                                        "http://h/a/common.html", "http://h/a/Common.html"}));
    const std::vector<std::string> status = m_hooks.texts("status");
    EXPECT_NE(std::find(status.begin(), status.end(), "Parsing... Links: 2  New Links: 1"),
              status.end());
    const std::string converted = test::readWholeFile(second);
    EXPECT_NE(converted.find("href=\"common.html\">C"), std::string::npos) << converted;
    EXPECT_NE(converted.find("href=\"Common.html\">D"), std::string::npos) << converted;
    EXPECT_EQ(counters().PagesFound, 4);

    // The other way round: the queue holds the host in capitals, the link in small letters.
    savedPage("http://H/b/upper.html", "<html></html>", 1);
    const std::string third = savedPage("http://h/b/third.html",
                                        "<html><body>\n<a href=\"upper.html\">U</a></body></html>",
                                        1, QueueMode::Download, "", "Third");
    m_hooks.clear();
    while (m_parse->processNextPage(*m_task)) {
    }
    EXPECT_EQ(counters().PagesFound, 6);
    EXPECT_EQ(test::readWholeFile(third),
              "<html><body>\n<a href=\"../../H/b/upper.html\">U</a></body></html>");
}

// The links of a page reach the journal together with the page's "Parsed", in one write: a
// run killed while the page is written back resumes with the page still "Saved" and none of
// its links, so it is parsed again and queues them then; one killed after it finds them all.
TEST_F(ParseThreadTest, APagesLinksAreJournaledTogetherWithItsParsedMark) {
    savedPage("http://h/a/index.html",
              "<p><a href='b.html'>B</a> <img src='c.gif'> <a href='d.html'>D</a>");
    // What a run resumed from the files on disk finds.
    const auto resumedQueue = [this] {
        const std::unique_ptr<TQLTask> resumed = reopenedTask();
        EXPECT_TRUE(LoadQueue(*resumed));
        std::vector<std::string> found;
        for (std::size_t i = 0; i < resumed->queue().size(); ++i) {
            const auto item = LoadItem(*resumed, i);
            found.push_back(item->URL + " " + StatusName(item->Status));
        }
        return found;
    };
    std::vector<std::string> whileSaving;
    m_hooks.onStatus = [&](const std::string& text) {
        if (text.starts_with("Saving Changes: "))
            whileSaving = resumedQueue();
    };
    ASSERT_TRUE(m_parse->processNextPage(*m_task));

    EXPECT_EQ(whileSaving, (std::vector<std::string>{"http://h/a/index.html Saved"}));
    EXPECT_EQ(resumedQueue(),
              (std::vector<std::string>{"http://h/a/index.html Parsed", "http://h/a/b.html None",
                                        "http://h/a/d.html None", "http://h/a/c.gif None"}));
}

TEST_F(ParseThreadTest, OnlyTheStartPageNamesTheTask) {
    savedPage("http://h/a/index.html", "<html><title>Home</title><body></body></html>");
    savedPage("http://h/a/b.html", "<html><title>Other</title><body></body></html>", 1);
    ASSERT_TRUE(m_parse->processNextPage(*m_task));
    ASSERT_TRUE(m_parse->processNextPage(*m_task));
    EXPECT_EQ(m_task->startPageTitle(), "Home");
    EXPECT_EQ(entry("http://h/a/b.html").Title, "Other");

    // A start page without a TITLE element names the task after its link text.
    newTask("http://h/s/index.html");
    savedPage("http://h/s/index.html", "<html><body>no title</body></html>", 0, QueueMode::Download,
              "", "Start link");
    ASSERT_TRUE(m_parse->processNextPage(*m_task));
    EXPECT_EQ(m_task->startPageTitle(), "Start link");
}

TEST_F(ParseThreadTest, PagesThatCannotBeParsedLeaveSavedAndTheThreadGoesOn) {
    const std::string missing = savedPage("http://h/a/missing.html", "<html></html>");
    deleteFile(missing);
    const std::string folder = savedPage("http://h/a/folder.html", "<html></html>");
    deleteFile(folder);
    ASSERT_TRUE(forceDirectories(folder));
    const std::string empty = savedPage("http://h/a/empty.html", "");
    // The converted page is written beside its file first; a folder in its way makes the
    // write fail.
    const std::string unwritable =
        savedPage("http://h/a/locked.html", "<html><body><a href='/x.html'>x</a></body></html>");
    ASSERT_TRUE(forceDirectories(folderOf(unwritable) + ".locked.html.parsed/"));
    const std::string good = savedPage("http://h/a/good.html", "<html></html>");

    int turns = 0;
    while (m_parse->processNextPage(*m_task))
        ++turns;

    EXPECT_EQ(turns, 5);
    EXPECT_EQ(statusOf("http://h/a/missing.html"), QueueStatus::Error);
    EXPECT_EQ(statusOf("http://h/a/folder.html"), QueueStatus::Error);
    EXPECT_EQ(statusOf("http://h/a/empty.html"), QueueStatus::Parsed);
    EXPECT_EQ(statusOf("http://h/a/locked.html"), QueueStatus::Error);
    EXPECT_EQ(statusOf("http://h/a/good.html"), QueueStatus::Parsed);
    EXPECT_EQ(test::readWholeFile(empty), "");
    EXPECT_EQ(test::readWholeFile(unwritable), "<html><body><a href='/x.html'>x</a></body></html>");
    const TaskCounters c = counters();
    EXPECT_EQ(c.PagesSaved, 2);
    EXPECT_EQ(c.PageErrors, 3);
}

// Only converted links and the banner change a page: line ends of every kind, NUL bytes,
// bytes that are no UTF-8 and a last line without an end stay as the server sent them.
TEST_F(ParseThreadTest, APageKeepsEveryByteButItsConvertedLinksAndTheBanner) {
    m_app->setNoAds(false);
    const std::string html = "<html>\r\n<head><title>caf\xE9</title></head>\n<body>\r"
                             "binary\0junk\xFF\xFE\0\n\r\n"
                             "<a href='/x/y.html'>Y</a>\r\n\n"
                             "<a href=\"z.html\">\x80\x81</a>\n"
                             "</body>\r\n</html>"s;
    const std::string file = savedPage("http://h/a/index.html", html);
    ASSERT_TRUE(m_parse->processNextPage(*m_task));

    std::string expected = html;
    expected.replace(expected.find("/x/y.html"), 9, "../x/y.html");
    std::string written = test::readWholeFile(file);
    for (const std::string& block : {bannerTopBlock(), bannerLayerBlock()}) {
        const std::size_t at = written.find(block);
        ASSERT_NE(at, std::string::npos);
        written.erase(at, block.size());
    }
    EXPECT_EQ(written, expected);
    EXPECT_EQ(queuedUrls(), (std::vector<std::string>{"http://h/a/index.html", "http://h/x/y.html",
                                                      "http://h/a/z.html"}));
    // Nothing is left beside the page.
    EXPECT_EQ(listFiles(folderOf(file)), (std::vector<std::string>{"index.html"}));
}

TEST_F(ParseThreadTest, BannerGoesOutsideScriptsIntoPagesThatAreNotFrames) {
    struct Case {
        const char* name;
        std::string html;
        std::string before; // block one follows this text
        std::string after;  // block two precedes this text
    };
    const Case cases[] = {
        {"plain page", "<html><body>x</body></html>", "<html><body>", "</body></html>"},
        {"tags written by a script are passed over",
         "<html><script>document.write('<body>x</body>');</script><BODY bgcolor=\"#fff\">y"
         "</BODY></html>",
         "<BODY bgcolor=\"#fff\">", "</BODY></html>"},
        {"scripts before and inside the body",
         "<html><head><script>a();</script></head><body><script>b();</script>x</body></html>",
         "</head><body>", "</body></html>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string page = c.html;
        ASSERT_TRUE(InsertBanner(page));
        const std::size_t one = page.find(bannerTopBlock());
        const std::size_t two = page.find(bannerLayerBlock());
        ASSERT_NE(one, std::string::npos);
        ASSERT_NE(two, std::string::npos);
        EXPECT_EQ(page.rfind(c.before, one), one - c.before.size());
        EXPECT_EQ(page.find(c.after, two), two + bannerLayerBlock().size());
        EXPECT_EQ(page.size(), c.html.size() + bannerTopBlock().size() + bannerLayerBlock().size());
    }
    std::string noBody = "<html><p>no body</p></html>";
    EXPECT_FALSE(InsertBanner(noBody));
    EXPECT_EQ(noBody, "<html><p>no body</p></html>");

    // The banner page is our own and reaches no server.
    const std::string url = bannerPageUrl();
    EXPECT_EQ(url.rfind("data:text/html", 0), 0u);
    EXPECT_NE(url.find("Saved%20with%20Quarlo"), std::string::npos);
    EXPECT_NE(url.find("%23336699"), std::string::npos);
    EXPECT_EQ((bannerTopBlock() + bannerLayerBlock()).find("http"), std::string::npos);

    m_app->setNoAds(false);
    const std::string page = savedPage("http://h/a/index.html", "<html><body>x</body></html>");
    const std::string frame = savedPage("http://h/a/frame.html", "<html><body>y</body></html>", 1,
                                        QueueMode::Download, "Y");
    while (m_parse->processNextPage(*m_task)) {
    }
    EXPECT_NE(test::readWholeFile(page).find(bannerTopBlock()), std::string::npos);
    EXPECT_EQ(test::readWholeFile(frame), "<html><body>y</body></html>");
    m_app->setNoAds(true);
    const std::string quiet = savedPage("http://h/a/quiet.html", "<html><body>z</body></html>");
    ASSERT_TRUE(m_parse->processNextPage(*m_task));
    EXPECT_EQ(test::readWholeFile(quiet), "<html><body>z</body></html>");
}

TEST_F(ParseThreadTest, ZipModeHandsParsedPagesToTheZipList) {
    m_task->setIntranetMode(false);
    const std::string page = savedPage("http://h/a/index.html", "<html><body>x</body></html>");
    const std::string missing = savedPage("http://h/a/missing.html", "<html></html>");
    deleteFile(missing);
    while (m_parse->processNextPage(*m_task)) {
    }
    std::lock_guard lock(m_task->mutex());
    ASSERT_EQ(m_task->zipList().size(), 1u);
    EXPECT_EQ(m_task->zipList()[0].localName, page);
    EXPECT_EQ(page.rfind(m_app->tempFolder(), 0), 0u);
    EXPECT_EQ(m_task->zipList()[0].item->Status, QueueStatus::Parsed);
}

TEST_F(ParseThreadTest, TheThreadParsesSavedPagesAsTheyArriveAndSuspendsOnStop) {
    for (int pause : {0, 20}) {
        SCOPED_TRACE(pause);
        newTask("http://h/a/index.html");
        m_app->setDispatchPause(pause);
        m_parse->startRun(*m_task);
        EXPECT_EQ(m_parse->Task(), m_task.get());
        for (const char* name : {"one", "two", "three"}) {
            const std::string url = "http://h/a/"s + name + ".html";
            savedPage(url, "<html><body><a href=\"more.html\">m</a></body></html>");
            m_parse->notifyPageSaved();
            EXPECT_TRUE(waitFor([&] { return statusOf(url) == QueueStatus::Parsed; }));
        }
        EXPECT_EQ(statusOf("http://h/a/more.html"), QueueStatus::None);
        m_parse->stopRun();
        EXPECT_TRUE(m_parse->suspended());
        EXPECT_TRUE(m_parse->StopRequested());
    }
}

// The thread keeps the link log open from page to page; the end of a run may replace the file
// (the link repair writes it anew), and the next run's pages go to the new file.
TEST_F(ParseThreadTest, TheLinkLogReplacedBetweenRunsTakesTheNextRunsPages) {
    const std::string log = linkLogPath(m_task->queueFileName());
    const auto parseInRun = [&](const std::string& url) {
        m_parse->startRun(*m_task);
        savedPage(url, "<html><body><a href=\"more.html\">m</a></body></html>");
        m_parse->notifyPageSaved();
        EXPECT_TRUE(waitFor([&] { return statusOf(url) == QueueStatus::Parsed; }));
        m_parse->stopRun();
    };
    const auto pagesInLog = [&] {
        std::vector<std::string> pages;
        LinkLogReader reader(log);
        PageLinkBlock block;
        std::uint64_t offset = 0;
        while (reader.next(block, offset))
            pages.push_back(block.pageUrl);
        return pages;
    };
    parseInRun("http://h/a/one.html");
    EXPECT_EQ(pagesInLog(), std::vector<std::string>{"http://h/a/one.html"});
    ASSERT_TRUE(writeFileAtomic(log, ""));
    parseInRun("http://h/a/two.html");
    EXPECT_EQ(pagesInLog(), std::vector<std::string>{"http://h/a/two.html"});
}

TEST_F(ParseThreadTest, AStopDuringAPageLetsThatPageFinish) {
    savedPage("http://h/a/index.html", "<html><body><a href=\"b.html\">b</a></body></html>");
    savedPage("http://h/a/later.html", "<html></html>");
    m_hooks.onStatus = [this](const std::string& text) {
        if (text.rfind("Loading Page: ", 0) == 0)
            m_parse->requestStop();
    };
    m_parse->startRun(*m_task);
    ASSERT_TRUE(m_parse->waitUntilSuspended(20s));
    EXPECT_EQ(statusOf("http://h/a/index.html"), QueueStatus::Parsed);
    EXPECT_EQ(statusOf("http://h/a/b.html"), QueueStatus::None);
    EXPECT_EQ(statusOf("http://h/a/later.html"), QueueStatus::Saved);

    m_hooks.onStatus = nullptr;
    m_parse->startRun(*m_task);
    EXPECT_TRUE(waitFor([&] { return statusOf("http://h/a/later.html") == QueueStatus::Parsed; }));
    m_parse->stopRun();
}

// A saved style sheet waits in status Parsing; the thread takes it like a page, as style
// text: its url() and @import targets are queued as resources one level deeper with the
// sheet as referrer (depth does not cut them), converted relative to the sheet's own file,
// and in Zip mode the converted sheet joins the zip list. Its title stays, and no banner
// is added.
TEST_F(ParseThreadTest, SavedStylesheetIsParsedAsStyleText) {
    m_task->setIntranetMode(false);
    m_task->profile().setDepth(0);
    std::string sheet;
    {
        std::lock_guard lock(m_task->mutex());
        TQLQItem item;
        item.Task = m_task.get();
        item.URL = "http://h/a/css/site.css";
        item.FileType = "Unknown";
        item.Level = 1;
        item.Title = "Site style";
        AddItem(*m_task, item);
        SetStatus(item, QueueStatus::Parsing);
        ++m_task->counters().ResourcesSaved;
        StoreItem(item);
        sheet = LocalName(item);
        ASSERT_TRUE(forceDirectories(folderOf(sheet)));
    }
    test::writeWholeFile(sheet, "@import url(\"http://h/a/css/more.css\");\r\n"
                                "body{background:url(/img/bg.png)} /* url(no.png) */\r\n"
                                "@font-face{src:url(http://h2/f.woff2)}\r\n"
                                "i{b:url(data:image/png;base64,AA==)}\r\n");

    ASSERT_TRUE(m_parse->processNextPage(*m_task));

    const TQLQItem parsed = entry("http://h/a/css/site.css");
    EXPECT_EQ(parsed.Status, QueueStatus::Parsed);
    EXPECT_EQ(parsed.Title, "Site style");
    for (const char* url :
         {"http://h/a/css/more.css", "http://h/img/bg.png", "http://h2/f.woff2"}) {
        SCOPED_TRACE(url);
        const TQLQItem item = entry(url);
        EXPECT_EQ(item.Referrer, "http://h/a/css/site.css");
        EXPECT_EQ(item.Level, 2);
        EXPECT_EQ(item.Status, QueueStatus::None);
        EXPECT_EQ(item.Mode, QueueMode::Download);
    }
    EXPECT_EQ(entries().size(), 4u);
    EXPECT_EQ(test::readWholeFile(sheet),
              "@import url(\"more.css\");\r\n"
              "body{background:url(../../img/bg.png)} /* url(no.png) */\r\n"
              "@font-face{src:url(../../../h2/f.woff2)}\r\n"
              "i{b:url(data:image/png;base64,AA==)}\r\n");
    std::lock_guard lock(m_task->mutex());
    ASSERT_EQ(m_task->zipList().size(), 1u);
    EXPECT_EQ(m_task->zipList()[0].localName, sheet);
}

} // namespace
} // namespace quarlo
