// In Zip mode the links the program rewrote point, at the end of every run, at the archive
// entry of their target when it is there (or staged for the run's last commit) and at the
// target's address otherwise; the corrected pages and style sheets replace their entries in
// that commit.

#include "archive/ZipBrowserModel.h"
#include "archive/ZipOutput.h"
#include "engine/Queue.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "support/LinkingRunFixture.h"
#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace quarlo {
namespace {

class ZipLinkRepairTest : public test::LinkingRunFixture {
protected:
    void SetUp() override {
        EngineRunFixture::SetUp();
        browser = std::make_unique<ZipBrowserModel>(*app);
        output = std::make_unique<ZipOutput>(*app, *browser);
        downloader->setZipModeRun(output.get());
        downloader->setZipTimerInterval(10min);
        archive = m_home.path() + "zips/site.zip";
    }
    void TearDown() override {
        EngineRunFixture::TearDown();
        output.reset();
        browser.reset();
    }
    std::unique_ptr<TQLTask> zipTask(const std::string& name) {
        auto task = linkingTask(name);
        task->setIntranetMode(false);
        task->setDestination(archive);
        task->profile().setUseStartPageTitle(false);
        return task;
    }
    // The Temp folder's file of a queued URL, and its archive entry.
    std::string tempFile(const std::string& url) {
        TQLTask& task = *app->currentTask();
        std::lock_guard lock(task.mutex());
        const auto found = task.queue().find(url);
        return found ? LocalName(*LoadItem(task, *found)) : std::string();
    }
    std::string entryText(const std::string& url) {
        const std::string temp = withTrailingSlash(app->tempFolder());
        return test::outsideEntryText(archive, tempFile(url).substr(temp.size()));
    }
    void rerun(RunMethod method) {
        TQLTask& task = *app->currentTask();
        task.setRunMethod(method);
        ASSERT_TRUE(downloader->start(task).ok());
        ASSERT_TRUE(runToEnd());
    }

    std::unique_ptr<ZipBrowserModel> browser;
    std::unique_ptr<ZipOutput> output;
    std::string archive;
};

TEST_F(ZipLinkRepairTest, EntriesPointAtTheArchiveOrTheAddressAndFollowLaterRuns) {
    site.setFailing(2, true);
    ASSERT_TRUE(downloader->start(zipTask("zipped")).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::Zipped);
    ASSERT_TRUE(test::archiveTestsSound(archive));
    std::string page = entryText(site.pageUrl("home"));
    expectFirstRunLinks(page);
    std::string css = entryText(site.styleUrl("main"));
    EXPECT_NE(css.find("url(" + site.fileUrl(2) + ")"), std::string::npos) << css;

    // The page is corrected from its entry: the Temp folder has lost its file.
    ASSERT_TRUE(fs::remove(tempFile(site.pageUrl("home"))));
    site.setFailing(2, false);
    site.setPage("later", "<html><body>later</body></html>");
    rerun(RunMethod::SmartRecovery);
    EXPECT_EQ(taskStatus(), TaskStatus::Zipped);
    ASSERT_TRUE(test::archiveTestsSound(archive));
    page = entryText(site.pageUrl("home"));
    EXPECT_TRUE(quotes(page, "later.html#part")) << page;
    EXPECT_TRUE(quotes(page, "../files/2.dat")) << page;
    EXPECT_TRUE(quotes(page, "ok.html")) << page;
    EXPECT_TRUE(quotes(page, kOffSite)) << page;
    css = entryText(site.styleUrl("main"));
    EXPECT_NE(css.find("url(../files/2.dat)"), std::string::npos) << css;

    // An update that cannot fetch a file again keeps its entry, and the links to it.
    site.setFailing(1, true);
    rerun(RunMethod::SmartUpdate);
    ASSERT_EQ(entry(site.fileUrl(1))->Status, QueueStatus::Error);
    page = entryText(site.pageUrl("home"));
    EXPECT_TRUE(quotes(page, "../files/1.dat")) << page;
    EXPECT_TRUE(quotes(page, "../files/2.dat")) << page;
}

TEST_F(ZipLinkRepairTest, AStoppedRunCommitsItsPagesWithTheUnsavedTargetsAbsolute) {
    site.hold(2);
    ASSERT_TRUE(downloader->start(zipTask("stopped")).ok());
    ASSERT_TRUE(stopWhileFileIsFetched(2));
    EXPECT_EQ(taskStatus(), TaskStatus::DownloadStopped);
    ASSERT_TRUE(test::archiveTestsSound(archive));
    const std::string page = entryText(site.pageUrl("home"));
    EXPECT_TRUE(quotes(page, "ok.html")) << page;
    EXPECT_TRUE(quotes(page, site.fileUrl(2))) << page;
    EXPECT_TRUE(quotes(page, kOffSite)) << page;
}

} // namespace
} // namespace quarlo
