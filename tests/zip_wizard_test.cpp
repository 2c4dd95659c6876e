#include "archive/ZipBrowserModel.h"
#include "archive/ZipWizard.h"
#include "model/TQLApp.h"
#include "platform/SettingsStore.h"
#include "support/AppFixture.h"
#include "support/RecordingUiHooks.h"
#include "support/ZipTestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace quarlo;
using quarlo::test::craftZip;
using quarlo::test::makeFile;
using quarlo::test::readWholeFile;
using ::testing::ElementsAre;

namespace {

class ZipWizardTest : public quarlo::test::SetUpAppFixture {
protected:
    void SetUp() override {
        SetUpAppFixture::SetUp();
        if (HasFatalFailure())
            return;
        browser = std::make_unique<ZipBrowserModel>(*app);
        files = m_home.path() + "files/";
    }
    std::vector<std::string> entryNames(const std::string& archive) {
        return quarlo::test::outsideEntryNames(archive);
    }

    std::unique_ptr<ZipBrowserModel> browser;
    std::string files;
};

TEST(ZipNameCheck, FolderAndNameNeeded) {
    const std::string refused =
        "The Zip file name needs a folder and a file name.\nType a full path such as "
        "backup/site.zip.";
    struct Case {
        std::string typed, name;
        bool ok;
    } cases[] = {
        {"backup/site", "backup/site.zip", true},
        {"/home/u/backup/site.zip", "/home/u/backup/site.zip", true},
        {"backup/site.tar", "backup/site.tar", true},
        {".zip", ".zip", false},
        {"backup/.zip", "backup/.zip", false},
        {"site", "site.zip", false},
        {"backup/", "backup/", false},
        {"", "", false},
    };
    for (const auto& c : cases) {
        const ZipNameCheck check = checkZipName(c.typed);
        EXPECT_EQ(check.name, c.name) << c.typed;
        EXPECT_EQ(check.status.ok(), c.ok) << c.typed;
        if (!c.ok) {
            EXPECT_EQ(check.status.message(), refused);
        }
    }
}

TEST_F(ZipWizardTest, SettingsAreReadAndStoredOnFinishOnly) {
    SettingsStore& settings = app->settings();
    {
        ZipWizard wizard(settings, "");
        EXPECT_EQ(wizard.action, ZipAddAction::AddAndReplace);
        EXPECT_FALSE(wizard.usePaths);
        EXPECT_EQ(wizard.compression, 0);
        EXPECT_EQ(wizard.zipFolder, "");
        EXPECT_EQ(wizard.fileName().back(), '/') << "the current folder";
        wizard.compression = 9; // then cancelled
    }
    EXPECT_FALSE(settings.readValue(kSettingsKey, "Compression").has_value());

    EXPECT_TRUE(settings.writeText(kSettingsKey, "Zip Folder", "/somewhere/"));
    ZipWizard wizard(settings, "/a/current.zip");
    EXPECT_EQ(wizard.fileName(), "/a/current.zip");
    EXPECT_EQ(wizard.zipFolder, "/somewhere/");
    wizard.compression = 4;
    wizard.usePaths = true;
    wizard.recurse = true;
    wizard.action = ZipAddAction::Update;
    wizard.finish(*browser);
    EXPECT_EQ(settings.readInt(kSettingsKey, "Compression", -1), 4);
    EXPECT_TRUE(settings.readBool(kSettingsKey, "Use Paths", false));
    EXPECT_EQ(settings.readInt(kSettingsKey, "Action", -1), 2);
    EXPECT_EQ(browser->component().Compression, 4);
    EXPECT_TRUE(browser->component().Recurse);
    EXPECT_EQ(browser->component().AddAction, ZipAddAction::Update);
    EXPECT_EQ(ZipWizard(settings, "").action, ZipAddAction::Update);
}

TEST_F(ZipWizardTest, ArchiveChoiceFileListAndCaption) {
    ZipWizard wizard(app->settings(), "");
    const std::string archive = m_home.path() + "new.zip";
    makeFile(archive, "old archive");
    wizard.action = ZipAddAction::Freshen;
    wizard.chooseNewArchive(archive);
    EXPECT_EQ(readWholeFile(archive), "old archive") << "kept until the wizard is applied";
    EXPECT_FALSE(wizard.existingArchive());
    EXPECT_FALSE(wizard.actionsEnabled());
    EXPECT_EQ(wizard.action, ZipAddAction::AddAndReplace);
    wizard.chooseExistingArchive(archive);
    EXPECT_TRUE(wizard.existingArchive());
    EXPECT_TRUE(wizard.actionsEnabled());

    makeFile(files + "b.txt", "b");
    makeFile(files + "a.txt", "a");
    wizard.addFiles({files + "b.txt", files + "a.txt", files + "b.txt"});
    EXPECT_THAT(wizard.files(), ElementsAre(files + "a.txt", files + "b.txt"));
    EXPECT_FALSE(wizard.recurseShown);
    wizard.addFiles({m_home.path() + "files"});
    EXPECT_TRUE(wizard.recurseShown);
    EXPECT_TRUE(wizard.recurse);
    EXPECT_EQ(wizard.fileRow(0), std::make_pair(std::string(), files));
    EXPECT_EQ(wizard.fileRow(1), std::make_pair(std::string("a.txt"), files));
    wizard.removeFiles({0, 2});
    EXPECT_THAT(wizard.files(), ElementsAre(files + "a.txt"));

    EXPECT_EQ(wizard.caption(), "File Zip Wizard");
    ZipWizard dropped(app->settings(), "");
    dropped.presetDropped({files + "a.txt"});
    EXPECT_EQ(dropped.caption(), "File Zip Wizard - 1 file dropped.");
    dropped.presetDropped({files + "a.txt", files + "b.txt"});
    EXPECT_EQ(dropped.caption(), "File Zip Wizard - 2 files dropped.");
    EXPECT_EQ(ZipWizard::nextButtonText(1), "&Next >");
    EXPECT_EQ(ZipWizard::nextButtonText(3), "&Finish");

    wizard.setFileName("backup/site");
    EXPECT_TRUE(wizard.acceptFileName().ok());
    EXPECT_EQ(wizard.fileName(), "backup/site.zip");
}

TEST_F(ZipWizardTest, AddActionsAreHonoured) {
    const std::string archive = m_home.path() + "zips/site.zip";
    makeFile(files + "kept.txt", "kept v1", 1500000000);
    makeFile(files + "newer.txt", "newer v1", 1500000000);
    {
        ZipWizard wizard(app->settings(), "");
        wizard.chooseNewArchive(archive);
        wizard.addFiles({files + "kept.txt", files + "newer.txt"});
        wizard.finish(*browser);
        EXPECT_EQ(wizard.apply(*browser), 0);
    }
    EXPECT_THAT(entryNames(archive), ElementsAre("kept.txt", "newer.txt")) << "paths not kept";
    EXPECT_EQ(browser->currentArchive()->entries.size(), 2u);

    makeFile(files + "kept.txt", "kept v2", 1500000000);
    makeFile(files + "newer.txt", "newer v2", 1500000100);
    makeFile(files + "extra.txt", "extra", 1500000000);
    struct Step {
        ZipAddAction action;
        std::string keptContent; // written with its old time before the step
        std::vector<std::string> entries;
    } steps[] = {
        {ZipAddAction::Freshen, "kept v2", {"kept.txt", "newer.txt"}},
        {ZipAddAction::Update, "kept v3", {"kept.txt", "newer.txt", "extra.txt"}},
    };
    for (const auto& step : steps) {
        makeFile(files + "kept.txt", step.keptContent, 1500000000);
        ZipWizard wizard(app->settings(), archive);
        wizard.chooseExistingArchive(archive);
        wizard.action = step.action;
        wizard.addFiles({files + "kept.txt", files + "newer.txt", files + "extra.txt"});
        wizard.finish(*browser);
        EXPECT_EQ(wizard.apply(*browser), 0);
        EXPECT_THAT(entryNames(archive), ::testing::ElementsAreArray(step.entries));
    }
    // Freshen replaced kept.txt whatever its time; Update left it, being no newer.
    ExtractSettings unzip;
    unzip.folder = m_home.path() + "out/";
    unzip.overwrite = true;
    EXPECT_EQ(unzip.run(*browser), 0);
    EXPECT_EQ(readWholeFile(unzip.folder + "kept.txt"), "kept v2");
    EXPECT_EQ(readWholeFile(unzip.folder + "newer.txt"), "newer v2");
}

TEST_F(ZipWizardTest, NewArchiveReplacesTheChosenFileOnlyWhenApplied) {
    const std::string archive = m_home.path() + "zips/site.zip";
    ASSERT_TRUE(craftZip(archive, {{"old.txt", "old"}}));
    browser->openArchive(archive);
    ASSERT_EQ(browser->currentArchive()->entries.count("old.txt"), 1u);
    makeFile(files + "new.txt", "new");

    ZipWizard wizard(app->settings(), "");
    wizard.chooseNewArchive(archive);
    wizard.addFiles({files + "new.txt"});
    wizard.finish(*browser);
    EXPECT_THAT(entryNames(archive), ElementsAre("old.txt"));
    EXPECT_EQ(wizard.apply(*browser), 0);
    EXPECT_THAT(entryNames(archive), ElementsAre("new.txt"));
    ASSERT_EQ(browser->archives().size(), 1u) << "the open archive was closed and made anew";
    EXPECT_EQ(browser->currentArchive()->entries.count("old.txt"), 0u);
    EXPECT_EQ(browser->currentArchive()->entries.count("new.txt"), 1u);

    // Opening it afterwards, or typing another name, keeps the file.
    ZipWizard reopened(app->settings(), "");
    reopened.chooseNewArchive(archive);
    reopened.chooseExistingArchive(archive);
    reopened.finish(*browser);
    reopened.apply(*browser);
    ZipWizard renamed(app->settings(), "");
    renamed.chooseNewArchive(archive);
    renamed.setFileName(m_home.path() + "zips/other.zip");
    renamed.finish(*browser);
    renamed.apply(*browser);
    EXPECT_THAT(entryNames(archive), ElementsAre("new.txt"));

    // While the task's zip timer adds into another archive, this one cannot be selected, and
    // the file stays.
    browser->openArchive(m_home.path() + "zips/other.zip");
    browser->setTimerAdding(true);
    ZipWizard refused(app->settings(), "");
    refused.chooseNewArchive(archive);
    refused.addFiles({files + "new.txt"});
    EXPECT_EQ(refused.apply(*browser), ZipResult::NothingToDo);
    browser->setTimerAdding(false);
    EXPECT_TRUE(std::filesystem::exists(archive));
    EXPECT_EQ(browser->archives().size(), 2u);
}

TEST_F(ZipWizardTest, UnzipDialogSettingsAndRun) {
    SettingsStore& settings = app->settings();
    ExtractSettings first = ExtractSettings::read(settings);
    EXPECT_FALSE(first.usePaths);
    EXPECT_FALSE(first.overwrite);
    EXPECT_EQ(first.folder, "");
    EXPECT_FALSE(first.canUnzip());

    first.folder = m_home.path() + "out/";
    first.usePaths = true;
    EXPECT_TRUE(first.store(settings));
    EXPECT_EQ(ExtractSettings::read(settings).folder, "") << "not remembered";
    EXPECT_TRUE(ExtractSettings::read(settings).usePaths);
    first.rememberFolder = true;
    EXPECT_TRUE(first.store(settings));
    EXPECT_EQ(ExtractSettings::read(settings).folder, m_home.path() + "out/");

    const std::string archive = m_home.path() + "zips/site.zip";
    ASSERT_TRUE(craftZip(archive, {{"d/one.txt", "1"}, {"two.txt", "2"}}));
    browser->openArchive(archive);
    ASSERT_TRUE(browser->select(browser->currentArchive()->entries["d/one.txt"]));
    ExtractSettings selected = first;
    selected.allFiles = false;
    selected.usePaths = false;
    EXPECT_EQ(selected.run(*browser), 0);
    EXPECT_EQ(readWholeFile(first.folder + "one.txt"), "1");
    EXPECT_FALSE(std::filesystem::exists(first.folder + "two.txt"));

    ExtractSettings listed = selected;
    listed.folder = m_home.path() + "listed/";
    listed.selection = {"two.txt"};
    EXPECT_EQ(listed.run(*browser), 0);
    EXPECT_EQ(readWholeFile(listed.folder + "two.txt"), "2");
    EXPECT_FALSE(std::filesystem::exists(listed.folder + "one.txt")) << "the rows, not the node";

    makeFile(first.folder + "d/one.txt", "mine");
    EXPECT_EQ(first.run(*browser), ZipResult::FilesSkipped) << "asked, and the answer was No";
    EXPECT_EQ(readWholeFile(first.folder + "d/one.txt"), "mine");
    EXPECT_EQ(hooks.texts("message").back(), "Some files were skipped while extracting.");
    EXPECT_EQ(readWholeFile(first.folder + "two.txt"), "2");
}

} // namespace
