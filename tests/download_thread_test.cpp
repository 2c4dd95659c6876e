#include "engine/Queue.h"
#include "engine/SocketList.h"
#include "engine/TThreadDownload.h"
#include "engine/WinInetErrors.h"
#include "support/EngineRunFixture.h"
#include "support/RawLoopbackServer.h"
#include "support/StandInParser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <thread>

using namespace std::chrono_literals;
using quarlo::test::EngineRunFixture;
using quarlo::test::LoopbackServer;
using quarlo::test::RawLoopbackServer;
using quarlo::test::readWholeFile;
using quarlo::test::SiteServer;
using quarlo::test::StandInParser;
using quarlo::test::TempDir;
using quarlo::test::writeWholeFile;

namespace quarlo {
namespace {

class DownloadThreadTest : public EngineRunFixture {};

TEST_F(DownloadThreadTest, OutcomesMoveTheRightCounters) {
    RawLoopbackServer raw([](RawLoopbackServer::Connection& c) {
        c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nsent without a length");
    });
    ASSERT_TRUE(raw.listening());
    auto task = listTask("outcomes", 3);
    std::vector<std::string> urls = task->urls();
    urls.push_back(site.pageUrl("missing"));
    urls.push_back(raw.url("/nolength.dat"));
    task->setUrls(urls);
    ASSERT_TRUE(downloader->start(std::move(task)).ok());
    ASSERT_TRUE(runToEnd());

    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    const TaskCounters c = counters();
    EXPECT_EQ(c.PagesFound, 1);
    EXPECT_EQ(c.PageErrors, 1);
    EXPECT_EQ(c.PagesSaved, 0);
    EXPECT_EQ(c.ResourcesFound, 4);
    EXPECT_EQ(c.ResourcesSaved, 4);
    EXPECT_EQ(c.ResourceErrors, 0);
    int64_t bytes = 21;
    for (int n = 1; n <= 3; ++n)
        bytes += static_cast<int64_t>(site.body(n).size());
    EXPECT_EQ(c.BytesDownloaded, bytes);

    auto missing = entry(site.pageUrl("missing"));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->Status, QueueStatus::Error);
    EXPECT_EQ(missing->Message, "404 Not Found");
    auto noLength = entry(raw.url("/nolength.dat"));
    ASSERT_TRUE(noLength);
    EXPECT_EQ(noLength->Status, QueueStatus::Saved);
    EXPECT_EQ(noLength->Size, 21);
    auto first = entry(site.fileUrl(1));
    EXPECT_EQ(first->Size, static_cast<int64_t>(site.body(1).size()));
    EXPECT_EQ(first->LastModified, " " + site.lastModified(0));
    EXPECT_EQ(first->Message, "200 OK");
}

TEST_F(DownloadThreadTest, NotFinishedWhileATransferIsBusyOrAPageWaitsForParsingOrIsParsed) {
    // Saved pages wait until the parser is allowed to take them.
    StandInParser parser(downloader->downloadThread(), {}, false);
    downloader->setParseSide(&parser);
    // The run ends before the parser goes, however the test ends.
    const std::unique_ptr<void, std::function<void(void*)>> endFirst(
        this, [this](void*) { downloader.reset(); });
    site.setPage("index", "<html>index</html>");
    site.hold(3);
    auto task = listTask("busy", 4);
    std::vector<std::string> urls = task->urls();
    urls.push_back(site.pageUrl("index"));
    task->setUrls(urls);
    ASSERT_TRUE(downloader->start(std::move(task)).ok());

    // Everything but the held file is in; the page waits for the parser.
    ASSERT_TRUE(
        runUntil([&] { return counters().ResourcesSaved == 3 && counters().PagesSaved == 1; }));
    EXPECT_FALSE(runUntil([&] { return !downloader->isRunning(); }, 400ms));
    EXPECT_EQ(taskStatus(), TaskStatus::Downloading);
    EXPECT_EQ(downloader->sockets().busyCount(), 1);

    site.releaseAll();
    ASSERT_TRUE(runUntil([&] { return counters().ResourcesSaved == 4; }));
    EXPECT_FALSE(runUntil([&] { return !downloader->isRunning(); }, 400ms));
    EXPECT_EQ(taskStatus(), TaskStatus::Downloading);

    // Marked "Parsed", the page is still the parser's until its converted text is in place:
    // the run's end would find the server's text.
    parser.holdPages();
    parser.allow();
    ASSERT_TRUE(
        runUntil([&] { return entry(site.pageUrl("index"))->Status == QueueStatus::Parsed; }));
    EXPECT_FALSE(runUntil([&] { return !downloader->isRunning(); }, 400ms));
    EXPECT_EQ(taskStatus(), TaskStatus::Downloading);

    parser.releasePages();
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(entry(site.pageUrl("index"))->Status, QueueStatus::Parsed);
    EXPECT_EQ(identicalFiles(4), 4);
}

TEST_F(DownloadThreadTest, FailuresEndAsFailedTransfersAndTheRunGoesOn) {
    TempDir keys;
    const std::string openssl = "cd '" + keys.path() +
                                "' && openssl req -x509 -newkey ec -pkeyopt "
                                "ec_paramgen_curve:prime256v1 -nodes -keyout self.key -out "
                                "self.pem -subj /CN=127.0.0.1 -days 2 >/dev/null 2>&1";
    ASSERT_EQ(std::system(openssl.c_str()), 0);
    LoopbackServer tls(keys.path() + "self.pem", keys.path() + "self.key");
    ASSERT_TRUE(tls.start());
    LoopbackServer dead;
    ASSERT_TRUE(dead.start());
    const std::string deadUrl = dead.url("/gone.dat");
    dead.stop();
    // A file where the folder of the host "localhost" should be.
    writeWholeFile(destination() + "localhost", "not a folder");

    struct Case {
        std::string url;
        int32_t code;
    };
    const std::vector<Case> cases = {
        {deadUrl, kInetCannotConnect},
        {tls.url("/secure.dat"), kInetInvalidCA},
        {"http://127.0.0.1:12ab/bad.dat", kTickBadScheme},
        {site.loopback().urlFor("localhost", "/files/2.dat"), kTickCantOpenFile},
    };
    auto task = listTask("failures", 1);
    std::vector<std::string> urls = task->urls();
    for (const Case& c : cases)
        urls.push_back(c.url);
    urls.push_back(site.fileUrl(3));
    task->setUrls(urls);
    ASSERT_TRUE(downloader->start(std::move(task)).ok());
    ASSERT_TRUE(runToEnd());

    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(counters().ResourceErrors, 4);
    EXPECT_EQ(counters().ResourcesSaved, 2);
    EXPECT_EQ(readWholeFile(savedFile(site.fileUrl(3))), site.body(3));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        auto item = entry(c.url);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->Status, QueueStatus::Error);
        const std::string code = std::to_string(c.code) + ": ";
        EXPECT_EQ(item->Message.substr(0, code.size()), code) << item->Message;
        EXPECT_GT(item->Message.size(), code.size() + 4);
    }
    EXPECT_EQ(readWholeFile(destination() + "localhost"), "not a folder");
}

// Without a pause a slot takes its next item itself as its transfer ends, and new links go to
// idle slots from the parser's thread: no entry is fetched twice, and once "Connections" is
// lowered the slots beyond it take nothing more, so that they can be freed.
TEST_F(DownloadThreadTest, SlotsAndParserHandOutEachEntryOnceWithinTheConnections) {
    constexpr int kFiles = 80;
    site.setDelay(5ms);
    std::vector<std::string> links;
    for (int n = 1; n <= kFiles; ++n)
        links.push_back(site.fileUrl(n));
    site.setPage("index", "<html>index</html>");
    StandInParser parser(downloader->downloadThread(), [&](TQLTask& task, const TQLQItem& page) {
        for (const std::string& url : links) {
            TQLQItem item;
            item.Task = &task;
            item.URL = url;
            item.FileType = "Images";
            item.Referrer = page.URL;
            AddItem(task, item);
        }
    });
    downloader->setParseSide(&parser);
    const std::unique_ptr<void, std::function<void(void*)>> endFirst(
        this, [this](void*) { downloader.reset(); });
    ASSERT_TRUE(downloader->start(pageTask("handed", site.pageUrl("index"))).ok());
    ASSERT_TRUE(runUntil([&] { return counters().ResourcesSaved >= 10; }));
    EXPECT_EQ(downloader->sockets().count(), 5);
    app->setConnections(2);
    ASSERT_TRUE(
        runUntil([&] { return downloader->sockets().count() <= 2 || !downloader->isRunning(); }));
    EXPECT_LT(counters().ResourcesSaved, kFiles - 10);
    ASSERT_TRUE(runToEnd());

    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(counters().ResourcesSaved, kFiles);
    for (int n = 1; n <= kFiles; ++n)
        EXPECT_EQ(site.requests(n), 1) << "file " << n;
    EXPECT_EQ(site.pageRequests("index"), 1);
}

TEST_F(DownloadThreadTest, AHalfSecondPauseDispatchesAboutOneItemASecond) {
    app->setDispatchPause(500);
    ASSERT_TRUE(downloader->start(listTask("paced", 100)).ok());
    const auto start = std::chrono::steady_clock::now();
    runUntil([] { return false; }, 3600ms);
    const std::vector<SiteServer::Clock::time_point> times = site.requestTimes();
    downloader->stop();

    std::cout << "dispatches in 3.6 s at a pause of 500 ms: " << times.size() << "\n";
    for (const auto& t : times)
        std::cout << "  at "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(t - start).count()
                  << " ms\n";
    EXPECT_GE(times.size(), 2u);
    EXPECT_LE(times.size(), 4u);
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 400ms);
    EXPECT_EQ(taskStatus(), TaskStatus::DownloadStopped);
}

} // namespace
} // namespace quarlo
