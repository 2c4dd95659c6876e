// Links the program rewrites in saved pages never point at a file that is not there: the end
// of every run points each at its local copy when that copy is saved and at its address
// otherwise, and a later run that saves the target turns it local again.

#include "engine/LinkLog.h"
#include "engine/LinkRepair.h"
#include "engine/Queue.h"
#include "engine/TQLDownloader.h"
#include "model/TQLTask.h"
#include "support/LinkingRunFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace quarlo {
namespace {

class LinkRepairTest : public test::LinkingRunFixture {
protected:
    std::string home() { return test::readWholeFile(savedFile(site.pageUrl("home"))); }
    std::string logPath() {
        TQLTask& task = *app->currentTask();
        std::lock_guard lock(task.mutex());
        return linkLogPath(task.queueFileName());
    }
};

TEST_F(LinkRepairTest, FailedTargetsEndAbsoluteAndTurnLocalWhenALaterRunSavesThem) {
    site.setFailing(2, true);
    ASSERT_TRUE(downloader->start(linkingTask("repair")).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);

    std::string page = home();
    expectFirstRunLinks(page);
    // The folders the failed page would have had are gone.
    const fs::path siteFolder =
        fs::path(savedFile(site.pageUrl("home"))).parent_path().parent_path();
    EXPECT_FALSE(fs::exists(siteFolder / "gone"));
    EXPECT_TRUE(fs::exists(siteFolder / "pages"));

    site.setFailing(2, false);
    site.setPage("later", "<html><body>later</body></html>");
    TQLTask& task = *app->currentTask();
    task.setRunMethod(RunMethod::SmartRecovery);
    ASSERT_TRUE(downloader->start(task).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    page = home();
    EXPECT_TRUE(quotes(page, "later.html#part")) << page;
    EXPECT_TRUE(quotes(page, "../files/2.dat")) << page;
    EXPECT_TRUE(quotes(page, "ok.html")) << page;
    EXPECT_TRUE(quotes(page, kOffSite)) << page;

    // An update that cannot fetch a file again keeps the earlier copy, and the links to it.
    site.setFailing(1, true);
    task.setRunMethod(RunMethod::SmartUpdate);
    ASSERT_TRUE(downloader->start(task).ok());
    ASSERT_TRUE(runToEnd());
    ASSERT_EQ(entry(site.fileUrl(1))->Status, QueueStatus::Error);
    EXPECT_TRUE(fs::exists(savedFile(site.fileUrl(1))));
    page = home();
    EXPECT_TRUE(quotes(page, "../files/1.dat")) << page;
    EXPECT_TRUE(quotes(page, "later.html#part")) << page;

    // A queue without its link log (an earlier version's) runs as before.
    ASSERT_TRUE(fs::remove(logPath()));
    ASSERT_TRUE(downloader->start(task).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
}

TEST_F(LinkRepairTest, AStoppedRunPointsTheLinksOfItsUnsavedTargetsAtTheirAddresses) {
    site.hold(2);
    ASSERT_TRUE(downloader->start(linkingTask("stopped")).ok());
    ASSERT_TRUE(stopWhileFileIsFetched(2));
    EXPECT_EQ(taskStatus(), TaskStatus::DownloadStopped);
    const std::string page = home();
    EXPECT_TRUE(quotes(page, "ok.html")) << page;
    EXPECT_TRUE(quotes(page, site.fileUrl(2))) << page;
    EXPECT_TRUE(quotes(page, kOffSite)) << page;
}

// The log is written again only when a block of it goes or changes: an earlier block of a page
// parsed again, a torn tail, or a link whose target's file a user deleted.
TEST_F(LinkRepairTest, TheLogIsWrittenAgainOnlyWhenABlockOfItGoesOrChanges) {
    site.setFailing(2, true);
    ASSERT_TRUE(downloader->start(linkingTask("rewrite")).ok());
    ASSERT_TRUE(runToEnd());
    TQLTask& task = *app->currentTask();
    const std::string log = test::readWholeFile(logPath());
    ASSERT_FALSE(log.empty());
    const auto inode = [&] {
        struct stat st {};
        EXPECT_EQ(::stat(logPath().c_str(), &st), 0);
        return st.st_ino;
    };
    const auto before = inode();
    ASSERT_TRUE(repairRecordedLinks(task).ok());
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(test::readWholeFile(logPath()), log);

    // Every page parsed again, the last time by a run killed while it appended.
    test::writeWholeFile(logPath(), log + log + log.substr(0, log.size() / 2));
    ASSERT_TRUE(repairRecordedLinks(task).ok());
    EXPECT_EQ(test::readWholeFile(logPath()), log);

    ASSERT_TRUE(fs::remove(savedFile(site.fileUrl(1))));
    ASSERT_TRUE(repairRecordedLinks(task).ok());
    EXPECT_TRUE(quotes(home(), site.fileUrl(1))) << home();
    EXPECT_NE(test::readWholeFile(logPath()), log);
}

// Links rewritten in style sheets, style blocks and style attributes are repaired like the
// links of tags.
TEST_F(LinkRepairTest, StyleLinksEndAbsoluteWhenTheirTargetFailsAndLocalOnceItIsSaved) {
    site.setPage("styled", "<html><head><link rel=\"stylesheet\" href=\"../styles/main.css\">\n"
                           "<style>p { background: url(../files/3.dat) }</style></head>\n"
                           "<body><p style=\"background: url('../files/4.dat')\">x</p>"
                           "</body></html>\n");
    site.setStyle("main", "@import \"more.css\";\nbody { background: url(../files/1.dat) }\n"
                          "h1 { background: url(../files/2.dat) }\n");
    site.setFailing(2, true);
    site.setFailing(4, true);
    auto task = pageTask("styled", site.pageUrl("styled"));
    task->profile() = TQLProfile::defaults();
    task->profile().setResourceLocation(TQLProfile::WithinSite);
    ASSERT_TRUE(downloader->start(std::move(task)).ok());
    ASSERT_TRUE(runToEnd());
    const auto styled = [&] { return test::readWholeFile(savedFile(site.pageUrl("styled"))); };
    const auto main = [&] { return test::readWholeFile(savedFile(site.styleUrl("main"))); };
    const auto has = [](const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    };
    std::string page = styled();
    std::string css = main();
    EXPECT_TRUE(has(page, "href=\"../styles/main.css\"")) << page;
    EXPECT_TRUE(has(page, "url(../files/3.dat)")) << page;
    EXPECT_TRUE(has(page, "url('" + site.fileUrl(4) + "')")) << page;
    EXPECT_TRUE(has(css, "url(../files/1.dat)")) << css;
    EXPECT_TRUE(has(css, "url(" + site.fileUrl(2) + ")")) << css;
    EXPECT_TRUE(has(css, "@import \"" + site.styleUrl("more") + "\"")) << css;

    site.setFailing(2, false);
    site.setFailing(4, false);
    site.setStyle("more", "p { color: red }\n");
    TQLTask& again = *app->currentTask();
    again.setRunMethod(RunMethod::SmartRecovery);
    ASSERT_TRUE(downloader->start(again).ok());
    ASSERT_TRUE(runToEnd());
    page = styled();
    css = main();
    EXPECT_TRUE(has(page, "url('../files/4.dat')")) << page;
    EXPECT_TRUE(has(css, "url(../files/2.dat)")) << css;
    EXPECT_TRUE(has(css, "@import \"more.css\"")) << css;
    EXPECT_TRUE(fs::exists(savedFile(site.styleUrl("more"))));
}

// A log whose last block a killed run left unfinished reads up to that block; texts keep any
// byte.
TEST(LinkLogTest, BlocksReadBackWholeAndATornTailIsIgnored) {
    const std::string path = ::testing::TempDir() + "links-log-test.links";
    fs::remove(path);
    const PageLinkBlock first{"http://h/a b.html",
                              {{12, true, "x%20y.html#q", "http://h/x y.html#q"},
                               {40, false, "n\nl:3", "http://h/n\nl"}}};
    ASSERT_TRUE(appendPageLinks(path, first).ok());
    ASSERT_TRUE(appendPageLinks(path, {"http://h/c.html", {}}).ok());
    std::string torn = pageLinksText(first);
    // The size is counted without the text: shared parts, empty texts and many-digit numbers.
    const PageLinkBlock longer{std::string(123, 'u'),
                               {{0, true, "", ""},
                                {1234567, false, std::string(10, 'a'), "http://h/0123456789"},
                                {99, true, std::string(10, 'a') + "b", "http://h/01"}}};
    const PageLinkBlock empty{"p", {}};
    for (const PageLinkBlock* sized : {&first, &longer, &empty})
        EXPECT_EQ(pageLinksSize(*sized), pageLinksText(*sized).size()) << sized->pageUrl;
    torn.resize(torn.size() - 5);
    std::ofstream(path, std::ios::app | std::ios::binary) << torn;

    LinkLogReader reader(path);
    PageLinkBlock block;
    std::uint64_t offset = 1;
    ASSERT_TRUE(reader.next(block, offset));
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(block.pageUrl, first.pageUrl);
    ASSERT_EQ(block.links.size(), 2u);
    EXPECT_EQ(block.links[1].localText, "n\nl:3");
    EXPECT_EQ(block.links[1].url, "http://h/n\nl");
    EXPECT_FALSE(block.links[1].local);
    EXPECT_EQ(block.links[0].offset, 12u);
    ASSERT_TRUE(reader.next(block, offset));
    EXPECT_EQ(offset, pageLinksText(first).size());
    EXPECT_TRUE(block.links.empty());
    EXPECT_FALSE(reader.next(block, offset));
    fs::remove(path);
}

// Passing over the links of the blocks finds the blocks that reading them does, at the same
// offsets, in a log cut anywhere or damaged; a damaged block ends the reading both ways.
TEST(LinkLogTest, PagesAloneAreFoundWhereTheirWholeBlocksAreRead) {
    const std::string path = ::testing::TempDir() + "links-log-pages.links";
    const std::string first = pageLinksText(
        {"http://h/a.html", {{3, true, "b.html", "http://h/b.html"}, {9, false, "", ""}}});
    const std::string second = pageLinksText({"http://h/b.html", {{5, true, "", "x"}}});
    const std::string whole = first + second + first;
    // A shared part longer than the text before it, or numbers as a stream reads them.
    const std::vector<std::pair<std::string, std::size_t>> damaged = {
        {first + "P 1:x 1\n0 L 0+1:a 2+1:b\n" + second, 1},
        {first + "P 1:x 1\n0 L 0+1:a 0+2:b\n", 1},
        {first + "P  +1:x 1\n +0 L  0+1:a \t0+1:b\n" + second, 3},
        {first + "P -1:x 1\n" + second, 1},
    };
    std::vector<std::pair<std::string, std::size_t>> logs = damaged;
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        const std::size_t blocks = std::size_t{cut >= first.size()} +
                                   std::size_t{cut >= first.size() + second.size()} +
                                   std::size_t{cut == whole.size()};
        logs.emplace_back(whole.substr(0, cut), blocks);
    }
    for (const auto& [text, blocks] : logs) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        LinkLogReader reader(path);
        std::vector<std::pair<std::uint64_t, std::string>> read;
        PageLinkBlock block;
        std::uint64_t offset = 0;
        while (reader.next(block, offset))
            read.emplace_back(offset, block.pageUrl);
        reader.rewind();
        std::vector<std::pair<std::uint64_t, std::string>> passed;
        std::string_view pageUrl;
        while (reader.nextPage(pageUrl, offset))
            passed.emplace_back(offset, pageUrl);
        EXPECT_EQ(read.size(), blocks) << text;
        EXPECT_EQ(passed, read) << text;
    }
    fs::remove(path);
}

} // namespace
} // namespace quarlo
