#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "support/AppFixture.h"
#include "support/RecordingUiHooks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quarlo {
namespace {

using test::readWholeFile;
using test::writeWholeFile;

using AppTest = test::AppFixture;

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

TEST_F(AppTest, FirstRunImportsTheTableAndMovesOldTaskFilesIntoGeneral) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    const std::string tasks = app->tasksFolder();
    writeWholeFile(tasks + "Old.qlt", "old task");
    writeWholeFile(tasks + "Old.dwn", "old queue");
    writeWholeFile(tasks + "Kept.QLT", "older copy");
    writeWholeFile(tasks + "General/Kept.QLT", "newer copy");
    writeWholeFile(tasks + "notes.txt", "stays");

    const Status setup = app->firstRunSetup();
    EXPECT_FALSE(setup.ok()); // the name already taken in General is reported
    EXPECT_NE(setup.message().find("Kept.QLT"), std::string::npos);

    EXPECT_EQ(app->settings().readText(kProductKey, "Version", ""), kProgramVersion);
    EXPECT_NE(app->settings().readText(kFileTypesKey, "HTML", "").find(".html;"),
              std::string::npos);
    EXPECT_TRUE(directoryExists(app->downloadsFolder()));
    EXPECT_EQ(readWholeFile(tasks + "General/Old.qlt"), "old task");
    EXPECT_EQ(readWholeFile(tasks + "General/Old.dwn"), "old queue");
    EXPECT_FALSE(fileExists(tasks + "Old.qlt"));
    EXPECT_FALSE(fileExists(tasks + "Old.dwn"));
    EXPECT_EQ(readWholeFile(tasks + "General/Kept.QLT"), "newer copy");
    EXPECT_EQ(readWholeFile(tasks + "Kept.QLT"), "older copy");
    EXPECT_TRUE(fileExists(tasks + "notes.txt"));
}

TEST_F(AppTest, FirstRunIsSkippedForTheSameVersionUnlessTheTableOrSkinsAreGone) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    ASSERT_TRUE(app->firstRunSetup().ok());
    const std::string tasks = app->tasksFolder();

    writeWholeFile(tasks + "Late.qlt", "x");
    ASSERT_TRUE(app->firstRunSetup().ok());
    EXPECT_TRUE(fileExists(tasks + "Late.qlt")) << "setup ran again for the same version";

    // A settings file that lost its file-type table gets it back.
    ASSERT_TRUE(app->settings().deleteKey(kFileTypesKey));
    ASSERT_TRUE(app->firstRunSetup().ok());
    EXPECT_FALSE(app->settings().values(kFileTypesKey).empty());
    EXPECT_TRUE(fileExists(tasks + "General/Late.qlt"));

    writeWholeFile(tasks + "Later.qlt", "x");
    ASSERT_TRUE(app->settings().writeText(kProductKey, "Version", "2.9"));
    ASSERT_TRUE(app->firstRunSetup().ok());
    EXPECT_TRUE(fileExists(tasks + "General/Later.qlt"));
}

// The Temp folder deletion: folders are laid out below a box of the test's own, with
// "quarlo" in the names where the guard must be passed by the name rule.
class TempCleanupTest : public test::AppFixture {
protected:
    std::string m_box = m_home.path() + "box/";

    // Points the Temp setting straight at the folder (the setter would add "Quarlo/"), puts
    // a file into it and returns that file's path.
    std::string prepareTemp(TQLApp& app, const std::string& temp) {
        EXPECT_TRUE(app.settings().writeText(kSettingsKey, "Temp Folder", temp));
        writeWholeFile(temp + "page.html", "page");
        return temp + "page.html";
    }
};

TEST_F(TempCleanupTest, RefusesEveryFolderThatIsOrHoldsTheUsersData) {
    struct Case {
        const char* name;
        std::string temp;
        std::string data;      // data folder, when changed
        std::string home;      // home folder, when changed
        std::string intranet;  // "Local Intranet Folder", when set
        std::string downloads; // "Downloads Folder", when set
    };
    const std::string b = m_box;
    const Case cases[] = {
        {"name lacks the program's name", b + "scratch/", "", "", "", ""},
        {"is the data folder", b + "quarlo-data/", b + "quarlo-data/", "", "", ""},
        {"holds the data folder", b + "quarlo-top/", b + "quarlo-top/data/", "", "", ""},
        {"holds the home folder", b + "quarlo-h/", "", b + "quarlo-h/me/", "", ""},
        {"is the intranet folder", b + "QuarloWeb/", "", "", b + "QuarloWeb/", ""},
        {"holds the intranet folder", b + "quarlo-w/", "", "", b + "quarlo-w/a/b/", ""},
        {"is the downloads folder", b + "quarlo-dl/", "", "", "", b + "quarlo-dl/"},
        {"holds the downloads folder", b + "quarlo-x/", "", "", "", b + "quarlo-x/Downloads/"},
        {"is the tasks folder", b + "quarlo/Tasks/", b + "quarlo/", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A checkout whose own path holds the name cannot show the name rule at work.
        if (c.temp == b + "scratch/" && asciiLower(b).find("quarlo") != std::string::npos)
            continue;
        Folders where = folders();
        if (!c.data.empty())
            where.dataFolder = c.data;
        if (!c.home.empty())
            where.homeFolder = c.home;
        auto app = makeApp(where);
        ASSERT_TRUE(app);
        if (!c.intranet.empty()) {
            EXPECT_TRUE(app->setIntranetFolder(c.intranet));
        }
        if (!c.downloads.empty()) {
            EXPECT_TRUE(app->setDownloadsFolder(c.downloads));
        }
        const std::string kept = prepareTemp(*app, c.temp);
        const Status deleted = app->deleteTempFolder();
        EXPECT_FALSE(deleted.ok());
        EXPECT_NE(deleted.message().find(c.temp), std::string::npos) << deleted.message();
        EXPECT_TRUE(fileExists(kept));
    }
}

TEST_F(TempCleanupTest, SeesThroughLinksInThePathAndNeverFollowsTheFolderItself) {
    // The data folder reached through a linked parent folder.
    Folders where = folders();
    where.dataFolder = m_box + "real/quarlo/";
    fs::create_directories(m_box + "real/quarlo");
    fs::create_directory_symlink(m_box + "real", m_box + "via");
    auto app = makeApp(where);
    ASSERT_TRUE(app);
    const std::string kept = prepareTemp(*app, m_box + "via/quarlo/");
    EXPECT_FALSE(app->deleteTempFolder().ok());
    EXPECT_TRUE(fileExists(kept));

    // The Temp folder itself a link to someone's folder.
    writeWholeFile(m_box + "elsewhere/precious.txt", "keep");
    fs::create_directory_symlink(m_box + "elsewhere", m_box + "quarlo-link");
    ASSERT_TRUE(app->settings().writeText(kSettingsKey, "Temp Folder", m_box + "quarlo-link/"));
    EXPECT_FALSE(app->deleteTempFolder().ok());
    EXPECT_TRUE(fileExists(m_box + "elsewhere/precious.txt"));
}

TEST_F(TempCleanupTest, DeletesAProperFolderWithoutFollowingLinksInside) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    writeWholeFile(m_box + "outside/file.txt", "keep");
    EXPECT_TRUE(app->setTempFolder(m_box + "work"));
    const std::string temp = app->tempFolder();
    ASSERT_EQ(temp, m_box + "work/Quarlo/");
    writeWholeFile(temp + "host/a/page.html", "page");
    fs::create_directory_symlink(m_box + "outside", temp + "host/link");
    fs::create_symlink(m_box + "outside/file.txt", temp + "file-link");

    const Status deleted = app->deleteTempFolder();
    EXPECT_TRUE(deleted.ok()) << deleted.message();
    EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));
    EXPECT_EQ(readWholeFile(m_box + "outside/file.txt"), "keep");
    // Nothing left to delete is no failure.
    EXPECT_TRUE(app->deleteTempFolder().ok());
}

// Tasks written as a previous session left them, listed in "ActiveTasks.lst" in the order
// given.
class StartupCheckTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
    }

    std::string writeTask(const std::string& name, TaskStatus status, const std::string& schedule) {
        TQLTask task(*m_app);
        const std::string path = m_app->tasksFolder() + "General/" + name + ".qlt";
        task.setFilePath(path);
        task.setStatus(status);
        task.setSchedule(schedule);
        EXPECT_TRUE(task.save().ok());
        return path;
    }

    std::unique_ptr<TQLTask> reload(const std::string& path) {
        return TQLTask::loadFromFile(*m_app, path);
    }

    std::unique_ptr<TQLApp> m_app;
};

TEST_F(StartupCheckTest, ResetsInterruptedRunsAndKeepsRealSchedules) {
    const std::string first = writeTask("first", TaskStatus::Downloading, "Now");
    const std::string second = writeTask("second", TaskStatus::Downloading, "");
    const std::string daily = writeTask("daily", TaskStatus::Scheduled, "Daily at 10:00");
    const std::string now = writeTask("now", TaskStatus::Scheduled, "Now");
    ASSERT_EQ(m_app->activeTasks().paths().size(), 4u);

    EXPECT_TRUE(m_app->startupCheck(false).empty());

    // Both adjacent interrupted runs are reset although each reset shrinks the list.
    for (const std::string& path : {first, second}) {
        auto task = reload(path);
        EXPECT_EQ(task->status(), TaskStatus::Unscheduled) << path;
        EXPECT_EQ(task->schedule(), "") << path;
    }
    EXPECT_EQ(reload(daily)->status(), TaskStatus::Scheduled);
    EXPECT_EQ(reload(daily)->schedule(), "Daily at 10:00");
    // Without the request a task waiting for "Now" stays: the scheduler front end starts it.
    EXPECT_EQ(reload(now)->status(), TaskStatus::Scheduled);
    EXPECT_EQ(m_app->activeTasks().paths(), (std::vector<std::string>{daily, now}));
}

TEST_F(StartupCheckTest, ResetsTasksWaitingForNowOnlyWhenAsked) {
    const std::string now = writeTask("now", TaskStatus::Scheduled, "Now");
    const std::string daily = writeTask("daily", TaskStatus::Scheduled, "Daily at 10:00");
    EXPECT_TRUE(m_app->startupCheck(true).empty());
    EXPECT_EQ(reload(now)->status(), TaskStatus::Unscheduled);
    EXPECT_EQ(reload(now)->schedule(), "");
    EXPECT_EQ(m_app->activeTasks().paths(), (std::vector<std::string>{daily}));
}

TEST_F(StartupCheckTest, DropsListedTasksWhoseFileIsGoneWithoutCreatingThem) {
    const std::string kept = writeTask("kept", TaskStatus::Scheduled, "Daily at 10:00");
    const std::string gone = m_app->tasksFolder() + "General/gone.qlt";
    ASSERT_TRUE(m_app->activeTasks().add(gone).ok());
    ASSERT_TRUE(m_app->activeTasks().add(m_app->tasksFolder() + "General/GONE.qlt").ok());
    EXPECT_TRUE(m_app->startupCheck(true).empty());
    EXPECT_EQ(m_app->activeTasks().paths(), (std::vector<std::string>{kept}));
    EXPECT_FALSE(fileExists(gone));
}

TEST_F(AppTest, SettingTheSameTaskTwiceKeepsItAndRefreshesTheViews) {
    auto app = makeApp();
    ASSERT_TRUE(app);
    RecordingUiHooks hooks;
    app->setHooks(&hooks);
    auto owned = std::make_unique<TQLTask>(*app);
    TQLTask* task = owned.get();
    task->setStartPageTitle("still here");
    app->setCurrentTask(std::move(owned));
    app->setCurrentTask(std::unique_ptr<TQLTask>(task));
    ASSERT_EQ(app->currentTask(), task);
    EXPECT_EQ(app->currentTask()->startPageTitle(), "still here");
    EXPECT_EQ(hooks.count("counters"), 2);
    EXPECT_EQ(hooks.count("explorer"), 2);

    // A new priority restarts the balance of the current run.
    task->counters().PagesDispatched = 3;
    task->counters().ResourcesDispatched = 1;
    app->setPriority(7);
    EXPECT_EQ(task->counters().PagesDispatched, 0);
    EXPECT_EQ(task->counters().ResourcesDispatched, 0);

    auto released = app->releaseCurrentTask();
    EXPECT_EQ(released.get(), task);
    EXPECT_EQ(app->currentTask(), nullptr);
    app->setHooks(nullptr);
}

} // namespace
} // namespace quarlo
