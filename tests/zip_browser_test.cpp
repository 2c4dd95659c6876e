#include "archive/ZipBrowserModel.h"
#include "archive/ZipTexts.h"
#include "cli/Cli.h"
#include "model/TQLApp.h"
#include "support/AppFixture.h"
#include "support/RecordingUiHooks.h"
#include "support/ZipTestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

using namespace quarlo;
using quarlo::test::craftZip;
using quarlo::test::makeFile;
using quarlo::test::readWholeFile;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class Views : public ZipBrowserListener {
public:
    void nodeAdded(ZipNode& node) override { added.push_back(node.text); }
    void nodeRemoving(ZipNode& node) override { removed.push_back(node.text); }
    void nodeChanged(ZipNode& node) override { changed.push_back(node.text); }
    void summaryChanged(const std::string& text) override { summary = text; }
    void recentFileChanged(const std::string& from, const std::string& to) override {
        recent.push_back(from + ">" + to);
    }
    ZipReplaceAnswer askReplace(const std::string& question) override {
        questions.push_back(question);
        return ZipReplaceAnswer::Yes;
    }
    std::vector<std::string> added, removed, changed, recent, questions;
    std::string summary;
};

class ZipBrowserTest : public quarlo::test::SetUpAppFixture {
protected:
    void SetUp() override {
        SetUpAppFixture::SetUp();
        if (HasFatalFailure())
            return;
        model = std::make_unique<ZipBrowserModel>(*app);
        model->setListener(&views);
        model->component().Compression = 0;
        archivePath = m_home.path() + "zips/site.zip";
        temp = app->tempFolder();
    }
    void craftSite() {
        ASSERT_TRUE(craftZip(archivePath, {{"host/index.html", std::string(1000, 'i')},
                                           {"host/img/logo.gif", std::string(3000, 'g')},
                                           {"host/img/icons/a.gif", "a"},
                                           {"readme.txt", ""}}));
    }
    std::vector<std::string> rowEntries() const {
        std::vector<std::string> entries;
        for (const auto& row : model->rows())
            entries.push_back(row.entry());
        return entries;
    }
    ZipNode* node(const std::string& folderOrEntry) {
        TZipObj* archive = model->currentArchive();
        if (auto f = archive->folders.find(folderOrEntry); f != archive->folders.end())
            return f->second;
        auto e = archive->entries.find(folderOrEntry);
        return e == archive->entries.end() ? nullptr : e->second;
    }

    Views views;
    std::unique_ptr<ZipBrowserModel> model;
    std::string archivePath, temp;
};

TEST(ZipBrowserTexts, NumbersAndStatusTexts) {
    EXPECT_EQ(withThousands(0), "0");
    EXPECT_EQ(withThousands(999), "999");
    EXPECT_EQ(withThousands(1000), "1,000");
    EXPECT_EQ(withThousands(1234567), "1,234,567");
    EXPECT_EQ(withThousands(-1234), "-1,234");
    EXPECT_EQ(zipSummaryText(3, 4000, 1000, 3), "Total: 3 files  4,000 / 1,000 bytes (75%)");
    EXPECT_EQ(zipSummaryText(2, 0, 0, 7), "Total: 7 files  ");
    EXPECT_EQ(zipSelectionText(2, 2500, 2500), "Selected 2 files  2,500 / 2,500 bytes");
    EXPECT_EQ(zipSelectionText(1, 0, 0), "Selected 1 files ");
}

TEST_F(ZipBrowserTest, OpeningBuildsTheTreeOnceAndListsPages) {
    craftSite();
    ZipNode* root = model->openArchive(archivePath);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text, "site.zip");
    TZipObj* archive = root->archive;
    EXPECT_EQ(archive->entries.size(), 4u);
    EXPECT_EQ(archive->folders.size(), 4u); // "", host/, host/img/, host/img/icons/
    EXPECT_EQ(archive->totalSize, 4001);
    EXPECT_EQ(node("host/img/")->parent, node("host/"));
    EXPECT_EQ(node("host/img/icons/a.gif")->parent->text, "icons");
    EXPECT_EQ(model->rows().size(), 4u);
    EXPECT_THAT(model->pages().size(), 1u);
    EXPECT_EQ(model->pages()[0].entry, "host/index.html");
    EXPECT_EQ(views.recent, std::vector<std::string>{">" + archivePath});
    EXPECT_GT(hooks.count("status"), 0);
    EXPECT_EQ(hooks.texts("status").front(), "Opening Zip file site.zip");

    const std::size_t nodes = views.added.size();
    EXPECT_EQ(model->openArchive(archivePath), root);
    EXPECT_EQ(model->archives().size(), 1u);
    EXPECT_EQ(views.added.size(), nodes);
}

TEST_F(ZipBrowserTest, ADamagedArchiveIsReportedOnceWhenOpened) {
    makeFile(archivePath, "not an archive");
    ZipNode* root = model->openArchive(archivePath);
    ASSERT_NE(root, nullptr);
    EXPECT_TRUE(model->rows().empty());
    EXPECT_TRUE(model->select(root));
    EXPECT_EQ(
        hooks.texts("message"),
        std::vector<std::string>{"The archive file is corrupted. Try using the Fix option on it."});
    for (const auto& call : hooks.calls()) {
        if (call.what == "message") {
            EXPECT_EQ(call.number, static_cast<int>(UiHooks::MessageKind::Error));
        }
    }
}

TEST_F(ZipBrowserTest, NodeSpecsDriveTheFolderListingAndStatus) {
    craftSite();
    ZipNode* root = model->openArchive(archivePath);
    EXPECT_EQ(root->spec(), "*.*");
    EXPECT_EQ(node("host/img/")->spec(), "host/img/*.*");
    EXPECT_EQ(node("host/index.html")->spec(), "host/index.html");

    ASSERT_TRUE(model->select(node("host/img/")));
    EXPECT_THAT(rowEntries(), ElementsAre("host/img/logo.gif", "host/img/icons/a.gif"));
    EXPECT_EQ(model->summaryText(), "Total: 2 files  3,001 / 3,001 bytes (0%)");
    EXPECT_EQ(views.summary, model->summaryText());
    EXPECT_EQ(model->selectionText({0}), "Selected 1 files  3,000 / 3,000 bytes");
    ASSERT_TRUE(model->select(node("readme.txt")));
    EXPECT_EQ(model->summaryText(), "Total: 4 files  ") << "no size: the archive's entry count";
    EXPECT_EQ(model->selectionText({0}), "Selected 1 files ");
}

TEST_F(ZipBrowserTest, UnpackOnceAndBrowseByFileType) {
    craftSite();
    ZipNode* root = model->openArchive(archivePath);
    EXPECT_EQ(model->browse("host/img/logo.gif", false), temp + "host/img/logo.gif");
    EXPECT_TRUE(std::filesystem::exists(temp + "host/img/logo.gif"));
    EXPECT_FALSE(std::filesystem::exists(temp + "host/index.html")) << "only that file";
    EXPECT_EQ(hooks.texts("browser").back(), temp + "host/img/logo.gif");

    model->browse("host/index.html", true);
    EXPECT_TRUE(root->archive->unpacked);
    EXPECT_EQ(readWholeFile(temp + "readme.txt"), "");
    EXPECT_EQ(hooks.texts("open").back(), temp + "host/index.html");

    makeFile(temp + "host/index.html", "changed since");
    EXPECT_TRUE(model->unpackForBrowsing(*root->archive));
    EXPECT_EQ(readWholeFile(temp + "host/index.html"), "changed since") << "unpacked once";

    ASSERT_TRUE(model->select(node("host/index.html")));
    EXPECT_EQ(model->showSelection(ZipBrowserModel::Focus::Tree), temp + "host/index.html");
    EXPECT_EQ(model->browseEntry(ZipBrowserModel::Focus::Tree, nullptr), "host/index.html");
    ASSERT_TRUE(model->select(root));
    EXPECT_EQ(model->browseEntry(ZipBrowserModel::Focus::Tree, nullptr), "host/index.html");
    EXPECT_EQ(model->browseEntry(ZipBrowserModel::Focus::List, &model->rows()[1]),
              "host/img/logo.gif");
}

TEST_F(ZipBrowserTest, ExtractOneEntryAsksBeforeReplacing) {
    craftSite();
    model->openArchive(archivePath);
    const std::string target = m_home.path() + "out/";
    makeFile(target + "readme.txt", "mine");
    EXPECT_EQ(model->extractEntry(target, "readme.txt", ZipOverwrite::xowAsk), 0);
    ASSERT_EQ(views.questions.size(), 1u);
    EXPECT_EQ(views.questions[0], "Replace File : " + target + "readme.txt\rWith File: readme.txt");
    EXPECT_EQ(readWholeFile(target + "readme.txt"), "");
    EXPECT_EQ(hooks.texts("status").back(), "Unzipped: readme.txt.");
}

TEST_F(ZipBrowserTest, InteractiveAndTaskAddsGrowTheTree) {
    ZipNode* root = model->openArchive(archivePath);
    EXPECT_TRUE(root->children.empty()) << "a missing archive opens empty";
    EXPECT_TRUE(std::filesystem::is_directory(m_home.path() + "zips"));

    const std::string source = m_home.path() + "pick/";
    makeFile(source + "a.txt", "a");
    makeFile(source + "sub/b.txt", "b");
    model->component().UsePaths = false;
    model->component().Recurse = true;
    EXPECT_EQ(model->addFiles({source}), 0);
    EXPECT_TRUE(model->interactive());
    EXPECT_THAT(model->currentArchive()->entries.size(), 2u);
    EXPECT_NE(node("b.txt"), nullptr);

    makeFile(temp + "www.alpha.test/pages/p.html", "<html>");
    EXPECT_EQ(model->addTaskFile(temp + "www.alpha.test/pages/p.html", "Page Title"), 0);
    EXPECT_FALSE(model->interactive());
    ZipNode* page = node("www.alpha.test/pages/p.html");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->text, "p.html   (Page Title)");
    EXPECT_EQ(page->parent->text, "pages");
    EXPECT_FALSE(model->component().UsePaths) << "the user's settings stay";
    EXPECT_TRUE(model->component().Recurse);
    EXPECT_EQ(hooks.texts("status").back(), "Ready");
    EXPECT_EQ(model->addTaskFile(temp, "x"), ZipResult::NothingToDo) << "the folder itself";
}

TEST_F(ZipBrowserTest, StagedTaskFilesAppearWithTheirCommit) {
    model->openArchive(archivePath);
    for (int i = 0; i < 3; ++i)
        makeFile(temp + "h/f" + std::to_string(i) + ".gif", std::string(100, 'x'));
    for (int i = 0; i < 3; ++i)
        model->stageTaskFile(archivePath, temp + "h/f" + std::to_string(i) + ".gif",
                             "T" + std::to_string(i));
    model->stageTaskFile(archivePath, temp + "h/f1.gif", "T1 again");
    EXPECT_EQ(model->stagedBytes(), 400);
    EXPECT_FALSE(std::filesystem::exists(archivePath));
    EXPECT_TRUE(model->currentArchive()->entries.empty());

    EXPECT_EQ(model->commitTaskFiles(), 0);
    EXPECT_FALSE(model->hasStagedFiles());
    EXPECT_EQ(model->currentArchive()->entries.size(), 3u);
    EXPECT_EQ(node("h/f1.gif")->text, "f1.gif   (T1 again)");
    EXPECT_EQ(quarlo::test::outsideComment(archivePath, "h/f2.gif"), "T2");

    std::filesystem::remove(temp + "h/f0.gif");
    model->stageTaskFile(archivePath, temp + "h/f0.gif", "gone");
    EXPECT_EQ(model->commitTaskFiles(), ZipResult::CannotAccess);
    EXPECT_EQ(hooks.texts("message").back(),
              "Could not access the Zip file or one of the files to process.");
}

TEST_F(ZipBrowserTest, DeletingRemovesEmptyFoldersButKeepsTheArchive) {
    craftSite();
    ZipNode* root = model->openArchive(archivePath);
    EXPECT_EQ(model->deleteQuestion(*node("host/img/")), "Delete every file in folder img?");
    EXPECT_EQ(model->deleteQuestion(*node("readme.txt")), "Delete readme.txt from the Zip file?");

    ASSERT_TRUE(model->select(node("host/img/icons/")));
    EXPECT_EQ(model->deleteNode(node("host/img/icons/a.gif")), 0);
    EXPECT_EQ(node("host/img/icons/"), nullptr) << "its folder went with it";
    EXPECT_NE(node("host/img/"), nullptr);
    EXPECT_EQ(model->selected(), node("host/img/"));

    EXPECT_EQ(model->deleteNode(node("host/")), 0);
    EXPECT_EQ(node("host/"), nullptr);
    EXPECT_THAT(views.removed, ElementsAre("a.gif", "icons", "host")) << "subtrees go whole";

    ASSERT_TRUE(model->select(root));
    EXPECT_THAT(rowEntries(), ElementsAre("readme.txt"));
    EXPECT_EQ(model->deleteRows({0}), 0);
    EXPECT_FALSE(std::filesystem::exists(archivePath));
    EXPECT_EQ(model->archives().size(), 1u);
    EXPECT_TRUE(root->children.empty());
    EXPECT_THAT(model->rows(), IsEmpty());
    EXPECT_EQ(model->summaryText(), "Total: 0 files  ");
}

TEST_F(ZipBrowserTest, RenameFindsAFreeNameOrKeepsTheOld) {
    craftSite();
    ZipNode* root = model->openArchive(archivePath);
    makeFile(m_home.path() + "zips/Home.zip", "taken");
    ASSERT_TRUE(model->renameArchive(root, "Home.zip").ok());
    EXPECT_EQ(root->archive->archivePath, m_home.path() + "zips/Home(0).zip");
    EXPECT_EQ(root->text, "Home(0).zip");
    EXPECT_EQ(model->component().ZipFileName, root->archive->archivePath);
    EXPECT_TRUE(std::filesystem::exists(m_home.path() + "zips/Home(0).zip"));
    EXPECT_EQ(views.recent.back(), archivePath + ">" + m_home.path() + "zips/Home(0).zip");

    const Status refused = model->renameArchive(root, "a/b.zip");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.message(), "Unable to rename file to: " + m_home.path() +
                                     "zips/a/b.zip\nA file may not contain any of the following "
                                     "characters: \n\\/:*?\"<>|");
    EXPECT_EQ(root->text, "Home(0).zip");
    EXPECT_EQ(hooks.count("message"), 1);
}

TEST_F(ZipBrowserTest, SelectionRulesAndClose) {
    craftSite();
    ZipNode* first = model->openArchive(archivePath);
    ASSERT_TRUE(craftZip(m_home.path() + "zips/other.zip", {{"o.html", "o"}}));
    ZipNode* second = model->openArchive(m_home.path() + "zips/other.zip");
    EXPECT_EQ(model->currentArchive(), second->archive);

    model->setTimerAdding(true);
    EXPECT_FALSE(model->select(first));
    EXPECT_EQ(model->selected(), second);
    model->setTimerAdding(false);
    EXPECT_FALSE(model->unpackForBrowsing(*second->archive) == false);

    ASSERT_TRUE(model->select(first->children.front().get()));
    EXPECT_EQ(model->currentArchive(), first->archive);
    EXPECT_EQ(model->pages().size(), 1u);
    model->closeArchive();
    EXPECT_EQ(model->archives().size(), 1u);
    EXPECT_EQ(model->selected(), nullptr);
    EXPECT_THAT(model->rows(), IsEmpty());
    EXPECT_THAT(model->pages(), IsEmpty());
    EXPECT_EQ(model->showSelection(ZipBrowserModel::Focus::Tree), app->downloadsFolder());
}

} // namespace

namespace {

struct CliRun {
    int code;
    std::string out, err;
};

CliRun zipCli(std::vector<std::string> words) {
    std::ostringstream out, err;
    words.insert(words.begin(), "zip");
    const int code = quarlo::cli::run(words, out, err);
    return {code, out.str(), err.str()};
}

TEST(ZipCli, CommandsPrintStatusAndResults) {
    quarlo::test::TempHome home;
    const std::string dir = home.path();
    makeFile(dir + "site/a.html", std::string(500, 'a'));
    makeFile(dir + "site/sub/b.gif", "b");
    const std::string archive = dir + "out.zip";

    CliRun added = zipCli({"add", archive, dir + "site", "--recurse", "--level", "0"});
    EXPECT_EQ(added.code, 0) << added.err;
    EXPECT_THAT(added.out, ::testing::HasSubstr("Adding: b.gif\n"));
    EXPECT_THAT(added.out, ::testing::HasSubstr("Total: 2 files  501 / 501 bytes (0%)"));
    EXPECT_EQ(zipCli({"add", archive, dir + "site", "--level", "12"}).code, 2);
    EXPECT_EQ(zipCli({"add", archive, dir + "site/a.html", "--action", "sideways"}).code, 2);

    CliRun listed = zipCli({"list", archive, "b.gif"});
    EXPECT_EQ(listed.code, 0);
    EXPECT_THAT(listed.out, ::testing::HasSubstr("\tb.gif\nTotal: 1 files  1 / 1 bytes (0%)"));

    makeFile(dir + "x/a.html", "mine");
    CliRun asked = zipCli({"extract", archive, dir + "x"});
    EXPECT_EQ(asked.code, 0);
    EXPECT_THAT(asked.out, ::testing::HasSubstr("Some files were skipped while extracting."));
    EXPECT_EQ(readWholeFile(dir + "x/a.html"), "mine") << "no terminal: the answer is No";
    EXPECT_EQ(zipCli({"extract", archive, dir + "x", "--overwrite"}).code, 0);
    EXPECT_EQ(readWholeFile(dir + "x/a.html"), std::string(500, 'a'));

    CliRun renamed = zipCli({"rename", archive, "new.zip"});
    EXPECT_EQ(renamed.code, 0);
    EXPECT_THAT(renamed.out, ::testing::HasSubstr("Renamed to " + dir + "new.zip"));
    EXPECT_EQ(zipCli({"delete", dir + "new.zip", "a.html"}).code, 0);
    EXPECT_EQ(zipCli({"delete", dir + "new.zip", "nothing"}).code, 2);

    CliRun missing = zipCli({"list", archive});
    EXPECT_EQ(missing.code, 2);
    EXPECT_EQ(missing.err, "quarlo-cli: Could not find the archive file.\n");
    ASSERT_TRUE(craftZip(dir + "evil.zip", {{"../escape.txt", "x"}, {"fine.txt", "y"}}));
    CliRun evil = zipCli({"extract", dir + "evil.zip", dir + "y", "--paths"});
    EXPECT_EQ(evil.code, 0);
    EXPECT_THAT(evil.out, ::testing::HasSubstr("Some files were skipped while extracting."));
    EXPECT_FALSE(std::filesystem::exists(dir + "escape.txt"));
}

} // namespace
