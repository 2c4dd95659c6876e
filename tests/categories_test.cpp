#include "reports/Categories.h"

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "platform/InstanceLock.h"
#include "platform/Trash.h"
#include "reports/Browse.h"
#include "support/AppFixture.h"
#include "support/TempHome.h"
#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <unistd.h>

namespace quarlo {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;

class CategoriesTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
    }

    std::string saveTask(const std::string& category, const std::string& name) {
        TQLTask task(*m_app);
        EXPECT_TRUE(task.setLocation(category, name));
        task.setURL("http://www.site.test/" + name + "/index.html");
        task.setDestination(m_app->dataFolder() + "Downloads/" + name + ".zip");
        EXPECT_TRUE(task.save());
        return task.filePath();
    }
    std::string tasks() const { return m_app->tasksFolder(); }
    std::string trash() const { return m_home.path() + "Trash/"; }
    std::string trashInfo(const std::string& name) const {
        return readWholeFile(trash() + "info/" + name + ".trashinfo");
    }

    std::unique_ptr<TQLApp> m_app;
};

TEST_F(CategoriesTest, NewCategoriesTakeTheFirstFreeName) {
    ASSERT_TRUE(forceDirectories(tasks() + "General/"));
    EXPECT_EQ(*newCategory(*m_app, ""), "New Folder");
    EXPECT_EQ(*newCategory(*m_app, ""), "New Folder (2)");
    ASSERT_TRUE(fs::create_directory(tasks() + "New Folder (3)"));
    test::makeFile(tasks() + "New Folder (4)", "a file takes the name too");
    EXPECT_EQ(*newCategory(*m_app, ""), "New Folder (5)");
    EXPECT_EQ(*newCategory(*m_app, "General"), "General/New Folder");
    EXPECT_TRUE(directoryExists(tasks() + "General/New Folder/"));
    EXPECT_TRUE(directoryExists(tasks() + "New Folder (5)/"));
}

TEST_F(CategoriesTest, NewCategoryFailuresNameTheFolderAndTheSystemError) {
    ASSERT_TRUE(forceDirectories(tasks() + "Full/New Folder/"));
    for (int n = 2; n <= 50; ++n)
        ASSERT_TRUE(fs::create_directory(tasks() + "Full/New Folder (" + std::to_string(n) + ")"));
    auto full = newCategory(*m_app, "Full");
    ASSERT_FALSE(full);
    EXPECT_EQ(full.message(),
              "Unable to create the folder '" + tasks() + "Full/New Folder (50)'\n\nFile exists");
    EXPECT_FALSE(fs::exists(tasks() + "Full/New Folder (51)"));

    auto missing = newCategory(*m_app, "Nowhere");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.message(), "Unable to create the folder '" + tasks() +
                                     "Nowhere/New Folder'\n\nNo such file or directory");
    EXPECT_FALSE(newCategory(*m_app, "General/.."));
    EXPECT_FALSE(newCategory(*m_app, "/tmp"));
}

TEST_F(CategoriesTest, DeletingATaskTrashesItsFileAndQueueOnly) {
    const std::string file = saveTask("General", "Alpha");
    const std::string other = saveTask("General", "Alpha2");
    test::makeFile(tasks() + "General/Alpha.dwn", "queue");
    test::makeFile(tasks() + "General/Alpha2.dwn", "other queue");
    test::makeFile(tasks() + "General/Alpha.dwn.journal", "journal");

    ASSERT_TRUE(deleteTask(*m_app, file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(tasks() + "General/Alpha.dwn"));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(tasks() + "General/Alpha2.dwn"));
    EXPECT_EQ(readWholeFile(trash() + "files/Alpha.dwn"), "queue");
    EXPECT_TRUE(fileExists(trash() + "files/Alpha.qlt"));
    EXPECT_TRUE(std::regex_match(trashInfo("Alpha.qlt"),
                                 std::regex("\\[Trash Info\\]\nPath=" + tasks() +
                                            "General/Alpha\\.qlt\nDeletionDate=\\d{4}-\\d\\d-"
                                            "\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
        << trashInfo("Alpha.qlt");

    // The same name deleted again from another category does not replace the first.
    const std::string again = saveTask("My Sites", "Alpha");
    ASSERT_TRUE(deleteTask(*m_app, again));
    EXPECT_TRUE(fileExists(trash() + "files/Alpha.qlt.2"));
    EXPECT_NE(trashInfo("Alpha.qlt.2").find("Path=" + tasks() + "My%20Sites/Alpha.qlt\n"),
              std::string::npos);
    EXPECT_NE(trashInfo("Alpha.qlt").find("Path=" + tasks() + "General/Alpha.qlt\n"),
              std::string::npos);
}

TEST_F(CategoriesTest, DeletingACategoryTrashesTheFolderWithItsTasks) {
    saveTask("General", "Stays");
    saveTask("Old", "One");
    saveTask("Old", "Two");
    test::makeFile(tasks() + "Old/Sub/Three.qlt", "[Task]\n");
    ASSERT_TRUE(deleteCategory(*m_app, "Old"));
    EXPECT_FALSE(fs::exists(tasks() + "Old"));
    EXPECT_TRUE(fileExists(trash() + "files/Old/One.qlt"));
    EXPECT_TRUE(fileExists(trash() + "files/Old/Two.qlt"));
    EXPECT_TRUE(fileExists(trash() + "files/Old/Sub/Three.qlt"));
    EXPECT_NE(trashInfo("Old").find("Path=" + tasks() + "Old\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(tasks() + "General"));
    EXPECT_FALSE(deleteCategory(*m_app, "Old"));
}

TEST_F(CategoriesTest, NothingOutsideTheTasksFolderIsDeleted) {
    test::TempDir outside;
    test::makeFile(outside.path() + "keep/precious.qlt", "precious");
    test::makeFile(outside.path() + "precious.dwn", "precious queue");
    saveTask("General", "Inside");
    fs::create_directory_symlink(outside.path() + "keep", tasks() + "Linked");
    fs::create_symlink(outside.path() + "keep/precious.qlt", tasks() + "General/Link.qlt");

    const std::string refusals[] = {
        tasks(),
        withoutTrailingSlash(tasks()),
        tasks() + "General/..",
        tasks() + "../settings.reg",
        tasks() + "Linked",
        tasks() + "Linked/precious.qlt",
        tasks() + "General/Link.qlt",
        outside.path() + "keep/precious.qlt",
    };
    for (const std::string& path : refusals)
        EXPECT_FALSE(insideTasksFolder(*m_app, path)) << path;
    EXPECT_TRUE(insideTasksFolder(*m_app, tasks() + "General/Inside.qlt"));
    EXPECT_TRUE(insideTasksFolder(*m_app, tasks() + "General/"));

    EXPECT_FALSE(deleteTask(*m_app, tasks() + "Linked/precious.qlt"));
    EXPECT_FALSE(deleteTask(*m_app, tasks() + "General/Link.qlt"));
    EXPECT_FALSE(deleteTask(*m_app, outside.path() + "keep/precious.qlt"));
    EXPECT_FALSE(deleteCategory(*m_app, "Linked"));
    EXPECT_FALSE(deleteCategory(*m_app, ".."));
    EXPECT_FALSE(deleteCategory(*m_app, "General/../.."));
    EXPECT_EQ(readWholeFile(outside.path() + "keep/precious.qlt"), "precious");
    EXPECT_EQ(readWholeFile(outside.path() + "precious.dwn"), "precious queue");
    EXPECT_TRUE(fs::is_symlink(tasks() + "Linked"));
    EXPECT_TRUE(fs::is_symlink(tasks() + "General/Link.qlt"));
    EXPECT_TRUE(fs::exists(tasks() + "General/Inside.qlt"));
    EXPECT_FALSE(fs::exists(trash()));
}

TEST_F(CategoriesTest, TheTaskBeingDownloadedIsNotDeleted) {
    const std::string busy = saveTask("Work", "Busy");
    const std::string idle = saveTask("Spare", "Idle");
    InstanceLock lock(m_app->dataFolder());
    ASSERT_TRUE(lock.tryAcquire("gui"));
    lock.setCurrentTask(busy);
    const Status task = deleteTask(*m_app, busy);
    const Status category = deleteCategory(*m_app, "Work");
    ASSERT_FALSE(task);
    ASSERT_FALSE(category);
    const std::string process = "(process " + std::to_string(::getpid()) + ")";
    EXPECT_NE(task.message().find("being downloaded by the running instance " + process),
              std::string::npos)
        << task.message();
    EXPECT_NE(category.message().find(process), std::string::npos) << category.message();
    EXPECT_TRUE(fs::exists(busy));
    EXPECT_TRUE(deleteTask(*m_app, idle));
    EXPECT_FALSE(fs::exists(idle));
}

TEST_F(CategoriesTest, DeletingTheCurrentTasksFileFreesIt) {
    const std::string kept = saveTask("General", "Kept");
    const std::string gone = saveTask("General", "Gone");
    m_app->setCurrentTask(TQLTask::loadFromFile(*m_app, kept));
    ASSERT_TRUE(deleteTask(*m_app, gone));
    EXPECT_NE(m_app->currentTask(), nullptr);
    ASSERT_TRUE(deleteTask(*m_app, kept));
    EXPECT_EQ(m_app->currentTask(), nullptr);

    m_app->setCurrentTask(TQLTask::loadFromFile(*m_app, saveTask("Whole", "Inner")));
    ASSERT_TRUE(deleteCategory(*m_app, "Whole"));
    EXPECT_EQ(m_app->currentTask(), nullptr);
}

TEST_F(CategoriesTest, QueueFileIsTheTaskFileWithItsExtensionReplaced) {
    EXPECT_EQ(deletedQueueFile("/t/General/Site.qlt"), "/t/General/Site.dwn");
    EXPECT_EQ(deletedQueueFile("/t/General/Site.QLT"), "/t/General/Site.dwn");
    EXPECT_EQ(deleteCategoryQuestion("News"), "Are you sure you want to remove the category "
                                              "'News' and delete all the Tasks it contains?");
}

TEST_F(CategoriesTest, TrashFolderFollowsTheDataFolderOrTheUsersTrash) {
    Folders where = folders();
    EXPECT_EQ(trashFolderOf(where), m_home.path() + "Trash/");
    where.trashFolder.clear();
    where.homeFolder = "/home/someone/";
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(trashFolderOf(where), "/home/someone/.local/share/Trash/");
    ::setenv("XDG_DATA_HOME", "/data/x", 1);
    EXPECT_EQ(trashFolderOf(where), "/data/x/Trash/");
    ::unsetenv("XDG_DATA_HOME");
}

TEST_F(CategoriesTest, BrowseTargetsTheSavedStartPage) {
    TQLTask intranet(*m_app);
    ASSERT_TRUE(intranet.setLocation("General", "Site"));
    intranet.setURL("http://www.site.test/docs/index.html");
    intranet.setIntranetMode(true);
    intranet.setDestination(m_home.path() + "mirror/");
    auto page = browseTarget(*m_app, intranet);
    ASSERT_TRUE(page) << page.message();
    EXPECT_EQ(*page, intranet.startPageLocalFile());
    EXPECT_EQ(page->rfind(m_home.path() + "mirror/", 0), 0u);

    TQLTask zip(*m_app);
    ASSERT_TRUE(zip.setLocation("General", "Zipped"));
    zip.setURL("http://www.site.test/docs/index.html");
    zip.setDestination(m_home.path() + "out/site.zip");
    auto missing = browseTarget(*m_app, zip);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.message(), kNotRunMessage);

    const std::string start = zip.startPageLocalFile();
    const std::string entry = start.substr(m_app->tempFolder().size());
    ASSERT_TRUE(test::craftZip(zip.destination(), {{entry, "<p>saved</p>"}, {"a/b.gif", "GIF"}}));
    auto unpacked = browseTarget(*m_app, zip);
    ASSERT_TRUE(unpacked) << unpacked.message();
    EXPECT_EQ(*unpacked, start);
    EXPECT_EQ(readWholeFile(start), "<p>saved</p>");
    EXPECT_TRUE(fileExists(m_app->tempFolder() + "a/b.gif"));
}

} // namespace
} // namespace quarlo
