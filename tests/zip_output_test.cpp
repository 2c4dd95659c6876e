#include "archive/ZipBrowserModel.h"
#include "archive/ZipComponent.h"
#include "archive/ZipOutput.h"
#include "engine/Queue.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "support/EngineRunFixture.h"
#include "support/ZipTestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace quarlo;
using namespace std::chrono_literals;
using quarlo::test::archiveTestsSound;
using quarlo::test::makeFile;
using quarlo::test::outsideEntryNames;

namespace {

constexpr int kFiles = 12;

class ZipOutputTest : public quarlo::test::EngineRunFixture {
protected:
    void SetUp() override {
        EngineRunFixture::SetUp();
        browser = std::make_unique<ZipBrowserModel>(*app);
        output = std::make_unique<ZipOutput>(*app, *browser);
        downloader->setZipModeRun(output.get());
        // The finished download completes a run: the zip timer, which would fire only after
        // the test's time-out, cannot.
        downloader->setZipTimerInterval(10min);
        archive = m_home.path() + "zips/site.zip";
        std::string links;
        for (int n = 1; n <= kFiles; ++n)
            links += "<a href=\"" + site.fileUrl(n) + "\">File " + std::to_string(n) + "</a>\n";
        site.setPage("index", "<html><head><title>Index: Home/Page?</title></head><body>" + links +
                                  "<a href=\"sub.html\">Sub</a></body></html>");
        site.setPage("sub", "<html><head><title>Sub page</title></head><body>"
                            "<a href=\"index.html\">Home</a></body></html>");
    }
    void TearDown() override {
        EngineRunFixture::TearDown();
        output.reset();
        browser.reset();
    }
    std::unique_ptr<TQLTask> zipTask(const std::string& name) {
        auto task = pageTask(name, site.pageUrl("index"));
        task->setIntranetMode(false);
        task->setDestination(archive);
        task->profile().setPageLocation(TQLProfile::Anywhere);
        task->profile().setResourceLocation(TQLProfile::Anywhere);
        task->profile().setUseStartPageTitle(true);
        task->profile().setDepth(3);
        return task;
    }
    std::unique_ptr<TQLTask> zipListTask(const std::string& name, int count) {
        auto task = listTask(name, count);
        task->setIntranetMode(false);
        task->setDestination(archive);
        return task;
    }
    // Entry name -> title of every saved queue entry.
    std::map<std::string, std::string> savedTitles(TQLTask& task) {
        std::map<std::string, std::string> titles;
        const std::string temp = withTrailingSlash(app->tempFolder());
        std::lock_guard lock(task.mutex());
        for (std::size_t i = 0; i < task.queue().size(); ++i) {
            auto item = LoadItem(task, i);
            if (item->Status >= QueueStatus::Saved)
                titles[LocalName(*item).substr(temp.size())] = item->Title;
        }
        return titles;
    }
    std::set<std::string> entriesOf(const std::string& path) {
        const auto names = outsideEntryNames(path);
        return {names.begin(), names.end()};
    }

    std::unique_ptr<ZipBrowserModel> browser;
    std::unique_ptr<ZipOutput> output;
    std::string archive;
};

TEST_F(ZipOutputTest, SiteRunEndsZippedWithEveryFileTitledAndRenamed) {
    makeFile(m_home.path() + "zips/Index  Home Page .zip", "someone else's");
    ASSERT_TRUE(downloader->start(zipTask("site")).ok());
    ASSERT_TRUE(runToEnd());
    TQLTask& task = *app->currentTask();
    EXPECT_EQ(taskStatus(), TaskStatus::Zipped);

    const std::string renamed = m_home.path() + "zips/Index  Home Page (0).zip";
    EXPECT_EQ(task.destination(), renamed);
    EXPECT_EQ(TQLTask::loadFromFile(*app, task.filePath())->destination(), renamed);
    EXPECT_FALSE(std::filesystem::exists(archive));
    ASSERT_TRUE(archiveTestsSound(renamed));

    const auto titles = savedTitles(task);
    EXPECT_EQ(titles.size(), static_cast<std::size_t>(kFiles + 2));
    EXPECT_EQ(quarlo::test::outsideComments(renamed), titles) << "each file, titled as its item";
    EXPECT_LE(output->commits(), 2) << "a short run is written once or twice, not per file";
    EXPECT_EQ(browser->findArchive(renamed)->entries.size(), titles.size());
    EXPECT_EQ(hooks.texts("status").back(), TQLDownloader::runText(690) + "site)");
}

TEST_F(ZipOutputTest, TitleRenameCanBeOffAndZipLastWaitsForTheDownload) {
    site.hold(3);
    auto task = zipListTask("held", 6);
    task->profile().setUseStartPageTitle(false);
    task->setStartPageTitle("Ignored");
    EXPECT_TRUE(app->settings().writeBool(kSettingsKey, "Zip Last", true));
    output->setCommitPolicy(0ms, 0);
    downloader->setZipTimerInterval(TQLDownloader::kZipTimerInterval);
    ASSERT_TRUE(downloader->start(std::move(task)).ok());
    ASSERT_TRUE(runUntil([&] { return counters().ResourcesSaved >= 5; }));
    loop.runUntil([] { return false; }, 2500ms); // two ticks or more
    EXPECT_FALSE(std::filesystem::exists(archive)) << "nothing before the download completes";
    site.releaseAll();
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::Zipped);
    EXPECT_EQ(entriesOf(archive).size(), 6u);
    EXPECT_EQ(app->currentTask()->destination(), archive) << "kept its name";
}

TEST_F(ZipOutputTest, FilesEnterTheArchiveWhileTheDownloadRuns) {
    site.hold(3);
    output->setCommitPolicy(0ms, 0);
    downloader->setZipTimerInterval(TQLDownloader::kZipTimerInterval);
    ASSERT_TRUE(downloader->start(zipListTask("live", 6)).ok());
    ASSERT_TRUE(runUntil([&] { return std::filesystem::exists(archive); }, 10s));
    EXPECT_EQ(taskStatus(), TaskStatus::Downloading);
    site.releaseAll();
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(entriesOf(archive).size(), 6u);
}

TEST_F(ZipOutputTest, StoppedRunKeepsAValidArchiveAndResumeRefetchesWhatIsMissing) {
    site.setDelay(20ms);
    output->setCommitPolicy(0ms, 0);
    app->setConnections(2);
    ASSERT_TRUE(downloader->start(zipListTask("stopped", 40)).ok());
    ASSERT_TRUE(runUntil([&] { return counters().ResourcesSaved >= 10; }));
    downloader->stop();
    TQLTask& task = *app->currentTask();
    EXPECT_EQ(taskStatus(), TaskStatus::DownloadStopped);
    ASSERT_TRUE(archiveTestsSound(archive));
    std::set<std::string> saved;
    for (const auto& [entry, title] : savedTitles(task))
        saved.insert(entry);
    EXPECT_EQ(entriesOf(archive), saved) << "every saved file is in the archive";
    ASSERT_GE(saved.size(), 10u);
    {
        std::lock_guard lock(task.mutex());
        EXPECT_TRUE(task.zipList().empty());
    }

    // The program ends (its Temp folder goes) and one entry is lost from the archive.
    std::filesystem::remove_all(app->tempFolder());
    const std::string lost = *saved.begin();
    ZipComponent zip;
    zip.ZipFileName = archive;
    zip.FilesToProcess = {lost};
    ASSERT_EQ(zip.remove(), 0);

    auto reloaded = TQLTask::loadFromFile(*app, task.filePath());
    reloaded->setRunMethod(RunMethod::Resume);
    const int before = site.totalRequests();
    ASSERT_TRUE(downloader->start(std::move(reloaded)).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::Zipped);
    EXPECT_EQ(entriesOf(archive).size(), 40u);
    EXPECT_EQ(site.totalRequests() - before, static_cast<int>(40 - saved.size() + 1));
    EXPECT_EQ(counters().ResourcesSaved, 40);
    EXPECT_TRUE(archiveTestsSound(archive));
}

// A run killed before its files reached the archive leaves them in the Temp folder: the
// resumed run zips them, and fetches again only what is in neither place.
TEST_F(ZipOutputTest, AResumedRunZipsWhatTheTempFolderHoldsAndFetchesOnlyWhatIsNowhere) {
    auto first = zipTask("killed");
    first->profile().setUseStartPageTitle(false);
    ASSERT_TRUE(downloader->start(std::move(first)).ok());
    ASSERT_TRUE(runToEnd());
    ASSERT_EQ(taskStatus(), TaskStatus::Zipped);
    TQLTask& task = *app->currentTask();
    const auto saved = savedTitles(task);
    ASSERT_EQ(saved.size(), static_cast<std::size_t>(kFiles + 2));
    std::filesystem::remove(archive);
    const std::string lost = withTrailingSlash(app->tempFolder()) + saved.begin()->first;
    ASSERT_TRUE(deleteFile(lost));

    auto resumed = TQLTask::loadFromFile(*app, task.filePath());
    resumed->setRunMethod(RunMethod::Resume);
    const int before = site.totalRequests();
    ASSERT_TRUE(downloader->start(std::move(resumed)).ok());
    EXPECT_EQ(output->startAccount().toZip, saved.size() - 1);
    EXPECT_EQ(output->startAccount().fetchAgain, 1u);
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::Zipped);
    std::set<std::string> names;
    for (const auto& [entry, title] : saved)
        names.insert(entry);
    EXPECT_EQ(entriesOf(archive), names);
    EXPECT_EQ(site.totalRequests() - before, 1);
    EXPECT_TRUE(archiveTestsSound(archive));
}

// An archive that cannot be written (here its folder is a file) fails the run: "Incomplete"
// with the reason, no entry counted as saved, and a run after the cause is gone completes it.
TEST_F(ZipOutputTest, AnArchiveThatCannotBeWrittenEndsTheRunIncompleteUntilItCanBe) {
    makeFile(m_home.path() + "zips", "a file where the archive's folder should be");
    ASSERT_TRUE(downloader->start(zipListTask("blocked", 6)).ok());
    ASSERT_TRUE(runToEnd());
    TQLTask& task = *app->currentTask();
    EXPECT_EQ(taskStatus(), TaskStatus::Incomplete);
    EXPECT_EQ(downloader->outcome().end, RunEnd::OutputFailed);
    EXPECT_THAT(downloader->outcome().reason, ::testing::HasSubstr(archive));
    EXPECT_THAT(hooks.texts("message"), ::testing::Contains(TQLDownloader::incompleteText(
                                            "blocked", downloader->outcome().reason)));
    for (const std::string& line : hooks.texts("status"))
        EXPECT_EQ(line.find(TQLDownloader::runText(690)), std::string::npos) << line;
    EXPECT_EQ(statusCounts(task)[QueueStatus::Saved], 0);
    EXPECT_EQ(counters().ResourcesSaved, 0);
    auto stored = TQLTask::loadFromFile(*app, task.filePath());
    EXPECT_EQ(stored->status(), TaskStatus::Incomplete);

    std::filesystem::remove(m_home.path() + "zips");
    stored->setRunMethod(RunMethod::Resume);
    ASSERT_TRUE(downloader->start(std::move(stored)).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::Zipped);
    EXPECT_EQ(downloader->outcome().end, RunEnd::Completed);
    EXPECT_EQ(entriesOf(archive).size(), 6u);
}

TEST_F(ZipOutputTest, AdoptedZipOutputWritesTheArchiveAndNoneLeavesTheZipList) {
    // The command line's set-up: the downloader owns the output it was given.
    downloader = std::make_unique<TQLDownloader>(*app, loop);
    downloader->adoptZipModeRun(makeZipOutput(*app));
    downloader->setZipTimerInterval(10min);
    ASSERT_TRUE(downloader->start(zipListTask("own", 3)).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::Zipped);
    EXPECT_EQ(entriesOf(archive).size(), 3u);

    // Without an archive side nothing claims to be zipped: the files wait in the zip list.
    downloader = std::make_unique<TQLDownloader>(*app, loop);
    downloader->setZipTimerInterval(10min);
    const std::string other = m_home.path() + "zips/other.zip";
    auto task = zipListTask("none", 3);
    task->setDestination(other);
    ASSERT_TRUE(downloader->start(std::move(task)).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(taskStatus(), TaskStatus::DownloadComplete);
    EXPECT_EQ(downloader->outcome().end, RunEnd::Completed);
    EXPECT_FALSE(std::filesystem::exists(other));
    TQLTask& ended = *app->currentTask();
    std::lock_guard lock(ended.mutex());
    EXPECT_EQ(ended.zipList().size(), 3u);
}

TEST_F(ZipOutputTest, CorruptDestinationRefusesToStart) {
    makeFile(archive, "not an archive");
    const Status started = downloader->start(zipListTask("bad", 2));
    ASSERT_FALSE(started.ok());
    EXPECT_THAT(started.message(), ::testing::HasSubstr("The archive file is corrupted."));
    EXPECT_EQ(quarlo::test::readWholeFile(archive), "not an archive");
}

} // namespace
