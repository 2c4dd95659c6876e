#include "model/TaskEditor.h"

#include "model/NewTask.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "support/AppFixture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace quarlo {
namespace {

using test::writeWholeFile;

class TaskEditorTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
        ASSERT_TRUE(forceDirectories(m_app->tasksFolder() + "General"));
        TQLProfile named = TQLProfile::defaults();
        named.setDepth(2);
        named.setFileTypes({".gif"});
        ASSERT_TRUE(saveAsNamedProfile(*m_app, named, "Site Copy"));
    }

    // A saved task of the given name in "General", using the named profile.
    std::unique_ptr<TQLTask> savedTask(const std::string& name) {
        auto task = std::make_unique<TQLTask>(*m_app);
        EXPECT_TRUE(task->setLocation("General", name));
        task->setURL("http://www.alpha.test/");
        task->setDestination(m_home.path() + "alpha.zip");
        Result<TQLProfile> named = loadNamedProfile(*m_app, "Site Copy");
        EXPECT_TRUE(named);
        task->profile() = *named;
        task->profile().setFilePath(task->filePath());
        EXPECT_TRUE(task->save());
        return TQLTask::loadFromFile(*m_app, task->filePath());
    }

    std::unique_ptr<TQLTask> newTask(const std::string& url) {
        NewTaskRequest request;
        request.url = url;
        auto created = createTaskFromUrl(*m_app, request);
        EXPECT_TRUE(created);
        return std::move(*created);
    }

    static AskYesNo answer(bool yes, int* asked = nullptr) {
        return [yes, asked](const std::string&) {
            if (asked != nullptr)
                ++*asked;
            return yes;
        };
    }

    std::unique_ptr<TQLApp> m_app;
};

TEST_F(TaskEditorTest, TypingAUrlNamesTheTaskAndZipOnlyOutsideEditTask) {
    auto fresh = newTask("http://www.alpha.test/");
    TaskEditor create(*m_app, *fresh, EditorMode::CreateNewTask);
    create.show();
    EXPECT_EQ(create.values().taskName, "alpha");
    create.startUrlTyped("http://www.beta.test/docs/");
    EXPECT_EQ(create.values().taskName, "beta");
    EXPECT_EQ(create.values().zipFile, m_app->downloadsFolder() + "beta.zip");

    // Names already taken get a number.
    writeWholeFile(m_app->downloadsFolder() + "gamma.zip", "x");
    writeWholeFile(m_app->tasksFolder() + "General/gamma.qlt", "");
    create.startUrlTyped("http://www.gamma.test/");
    EXPECT_EQ(create.values().taskName, "gamma(0)");
    EXPECT_EQ(create.values().zipFile, m_app->downloadsFolder() + "gamma(0).zip");

    auto stored = savedTask("Mine");
    TaskEditor edit(*m_app, *stored, EditorMode::EditTask);
    edit.show();
    const std::string zip = edit.values().zipFile;
    edit.startUrlTyped("http://www.beta.test/");
    EXPECT_EQ(edit.values().taskName, "Mine");
    EXPECT_EQ(edit.values().zipFile, zip);
}

TEST_F(TaskEditorTest, ANameTypedFirstIsKeptWhileTheZipFollowsTheUrl) {
    TQLTask task(*m_app);
    ASSERT_TRUE(task.setLocation("General", "x"));
    TaskEditor editor(*m_app, task, EditorMode::CreateNewTask);
    editor.show();
    editor.taskNameTyped("");
    editor.startUrlTyped("");
    editor.taskNameTyped("My Name");
    editor.startUrlTyped("http://www.delta.test/");
    EXPECT_EQ(editor.values().taskName, "My Name");
    EXPECT_EQ(editor.values().zipFile, m_app->downloadsFolder() + "delta.zip");
}

TEST_F(TaskEditorTest, ShowingANamedProfileAndTheCustomRule) {
    auto task = savedTask("Alpha");
    TaskEditor editor(*m_app, *task, EditorMode::EditTask);
    editor.show();
    const ProfileControls& shown = editor.values().profile;
    EXPECT_EQ(shown.profileName, "Site Copy");
    EXPECT_EQ(shown.levelChoice, LevelChoice::ThisPageAnd);
    EXPECT_EQ(shown.levels, 2);
    EXPECT_EQ(shown.fileTypes, std::vector<std::string>{".gif"});
    EXPECT_EQ(editor.titleBar("Filetypes", false), " Site Copy --> Filetypes");
    EXPECT_EQ(editor.titleBar("Save to", true), " Save to");

    // Changes while loading do not count; link conversion keeps the name.
    editor.setLoading(true);
    EXPECT_FALSE(editor.profileControlChanged(ProfileControl::Levels));
    editor.setLoading(false);
    EXPECT_FALSE(editor.profileControlChanged(ProfileControl::ConvertFollowed));
    EXPECT_FALSE(editor.profileControlChanged(ProfileControl::RemoveUrlFilter));
    EXPECT_EQ(editor.values().profile.profileName, "Site Copy");

    editor.values().profile.levels = 5;
    EXPECT_TRUE(editor.profileControlChanged(ProfileControl::Levels));
    EXPECT_EQ(editor.values().profile.profileName, "");
    EXPECT_EQ(editor.titleBar("Filetypes", false), " Filetypes");
    ASSERT_FALSE(editor.validate(answer(true)));
    ASSERT_TRUE(editor.save(false));

    auto saved = TQLTask::loadFromFile(*m_app, task->filePath());
    EXPECT_EQ(saved->profile().profileName(), "");
    EXPECT_EQ(saved->profile().depth(), 5);
    EXPECT_EQ(saved->profile().fileTypes(), std::vector<std::string>{".gif"});
}

TEST_F(TaskEditorTest, UrlFilterChangesTellAddFromEditAndRemove) {
    ProfileControls before;
    before.include = {"[AL]a"};
    EXPECT_EQ(urlFilterChange(before, {"[AL]a", "[PL]b"}, {}), ProfileControl::AddUrlFilter);
    EXPECT_EQ(urlFilterChange(before, {"[AL]a"}, {"[RL]x"}), ProfileControl::AddUrlFilter);
    EXPECT_EQ(urlFilterChange(before, {}, {}), ProfileControl::RemoveUrlFilter);
    EXPECT_EQ(urlFilterChange(before, {"[AL]c"}, {}), ProfileControl::EditUrlFilter);
    EXPECT_TRUE(makesProfileCustom(ProfileControl::AddUrlFilter));
    EXPECT_FALSE(makesProfileCustom(ProfileControl::EditUrlFilter));
}

TEST_F(TaskEditorTest, ApplyingAProfileEntryShowsItsValuesAndResetShowsTheTasks) {
    auto task = savedTask("Alpha");
    TaskEditor editor(*m_app, *task, EditorMode::EditTask);
    editor.show();
    EXPECT_EQ(editor.profileEntries(), (std::vector<std::string>{"", "Site Copy"}));
    editor.applyProfileEntry("");
    EXPECT_EQ(editor.values().profile.levelChoice, LevelChoice::AllLevels);
    EXPECT_TRUE(editor.values().profile.fileTypes.empty());
    EXPECT_TRUE(editor.values().profile.aggressive);
    EXPECT_FALSE(editor.values().profile.aggressiveWholePage);
    EXPECT_FALSE(editor.loading());

    editor.values().taskName = "Changed";
    editor.show();
    EXPECT_EQ(editor.values().taskName, "Alpha");
    EXPECT_EQ(editor.values().profile.profileName, "Site Copy");
    EXPECT_EQ(editor.values().profile.levels, 2);
}

TEST_F(TaskEditorTest, ProfileControlsRoundTripEveryCode) {
    TQLProfile profile;
    profile.setProfileName("P");
    profile.setDepth(0);
    profile.setAggressiveParser(2);
    profile.setConvertFollowedLinks(0);
    profile.setConvertUnfollowedLinks(2);
    profile.setPageLocation(TQLProfile::Anywhere);
    profile.setResourceLocation(TQLProfile::WithinDirectory);
    profile.setUrlFiltersInclude({"[PL]x"});
    profile.setUrlFiltersExclude({"[RL]y"});
    profile.setPageFileSizeMax(77);
    ProfileControls controls = profileControls(profile);
    EXPECT_EQ(controls.levelChoice, LevelChoice::ThisPageOnly);
    EXPECT_TRUE(controls.aggressive && controls.aggressiveWholePage);
    TQLProfile back = profile;
    storeProfileControls(controls, back);
    EXPECT_EQ(back, profile);

    controls.aggressive = false;
    controls.levelChoice = LevelChoice::AllLevels;
    storeProfileControls(controls, back);
    EXPECT_EQ(back.aggressiveParser(), 0);
    EXPECT_EQ(back.depth(), -1);
    EXPECT_EQ(back.pageFileSizeMax(), 77);
}

struct ValidationCase {
    std::string url;
    std::string taskName;
    bool intranet;
    std::string destination;
    EditorRefusal::Kind kind;
    std::string message;
};

TEST_F(TaskEditorTest, ValidationRefusesInOrderWithItsMessages) {
    const std::string zip = m_home.path() + "a.zip";
    const std::string urlRequired = kUrlRequiredMessage;
    const std::string zipWarning = taskEditorText(786) + "\n" + taskEditorText(787);
    const std::string folderWarning = taskEditorText(788) + "\n" + taskEditorText(789);
    const ValidationCase cases[] = {
        {"", "", false, "", EditorRefusal::Kind::Error, urlRequired},
        {"http://", "n", false, zip, EditorRefusal::Kind::Error, urlRequired},
        {"ftp://ftp.alpha.test/pub/", "", false, "", EditorRefusal::Kind::Error,
         taskEditorText(782)},
        {"www.alpha.test", "", false, "", EditorRefusal::Kind::Error, taskEditorText(784)},
        {"www.alpha.test", "a/b", false, zip, EditorRefusal::Kind::Error,
         "Invalid task name \"a/b\": a name cannot contain \"/\""},
        {"www.alpha.test", "n", false, ".zip", EditorRefusal::Kind::Warning, zipWarning},
        {"www.alpha.test", "n", false, "site.zip", EditorRefusal::Kind::Warning, zipWarning},
        {"www.alpha.test", "n", false, "sites/.zip", EditorRefusal::Kind::Warning, zipWarning},
        {"www.alpha.test", "n", true, "Intranet", EditorRefusal::Kind::Warning, folderWarning},
    };
    for (const ValidationCase& c : cases) {
        SCOPED_TRACE(c.url + " | " + c.taskName + " | " + c.destination);
        TQLTask task(*m_app);
        TaskEditor editor(*m_app, task, EditorMode::CreateNewTask);
        editor.show();
        editor.values().url = c.url;
        editor.values().taskName = c.taskName;
        editor.values().intranet = c.intranet;
        (c.intranet ? editor.values().folder : editor.values().zipFile) = c.destination;
        const std::optional<EditorRefusal> refused = editor.validate(answer(true));
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->kind, c.kind);
        EXPECT_EQ(refused->message, c.message);
    }
}

TEST_F(TaskEditorTest, ValidationCompletesTheUrlAndTheZipName) {
    TQLTask task(*m_app);
    TaskEditor editor(*m_app, task, EditorMode::CreateNewTask);
    editor.show();
    editor.values().url = "WWW.alpha.test\\docs";
    editor.values().taskName = "n";
    editor.values().zipFile = "sites/site";
    ASSERT_FALSE(editor.validate(answer(true)));
    EXPECT_EQ(editor.values().url, "http://WWW.alpha.test/docs/");
    EXPECT_EQ(editor.values().zipFile, "sites/site.zip");
    ASSERT_TRUE(editor.save(false));
    EXPECT_EQ(task.destination(), "sites/site.zip");
    EXPECT_FALSE(task.intranetMode());

    editor.values().url = "HTTPS://alpha.test/a.html";
    EXPECT_FALSE(editor.validate(answer(true)));
}

TEST_F(TaskEditorTest, ReplacingAnotherTasksFileAsksFirst) {
    auto other = savedTask("Other");
    auto task = savedTask("Mine");
    int asked = 0;
    TaskEditor edit(*m_app, *task, EditorMode::EditTask);
    edit.show();
    EXPECT_FALSE(edit.validate(answer(true, &asked)));
    EXPECT_EQ(asked, 0); // its own file
    edit.values().taskName = "Other";
    const auto refused = edit.validate(answer(false, &asked));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->kind, EditorRefusal::Kind::Quiet);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(edit.overwriteConfirmed());

    // A task added from a file asks whenever the file exists.
    TaskEditor add(*m_app, *task, EditorMode::AddTask);
    add.show();
    EXPECT_FALSE(add.validate(answer(true, &asked)));
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(add.overwriteConfirmed());
}

TEST_F(TaskEditorTest, RunNowAndTheScheduleChoices) {
    auto task = savedTask("Alpha");
    task->setNextRun(50000.0);
    TaskEditor editor(*m_app, *task, EditorMode::EditTask);
    editor.show();
    EXPECT_EQ(editor.values().schedule, EditorSchedule::None);
    ASSERT_FALSE(editor.validate(answer(true)));
    ASSERT_TRUE(editor.save(true));
    auto saved = TQLTask::loadFromFile(*m_app, task->filePath());
    EXPECT_EQ(saved->status(), TaskStatus::Scheduled);
    EXPECT_EQ(saved->schedule(), "Now");
    EXPECT_EQ(saved->nextRun(), 0.0);
    EXPECT_TRUE(m_app->activeTasks().contains(task->filePath()));

    // A scheduled task shows its schedule, and OK keeps it.
    task->setSchedule("Daily at 10:00:00");
    task->setNextRun(45000.5);
    TaskEditor again(*m_app, *task, EditorMode::EditTask);
    again.show();
    EXPECT_EQ(again.values().schedule, EditorSchedule::At);
    EXPECT_EQ(again.values().atText, "Daily at 10:00:00");
    ASSERT_TRUE(again.save(false));
    EXPECT_EQ(task->schedule(), "Daily at 10:00:00");
    EXPECT_EQ(task->nextRun(), 45000.5);

    // A time from the schedule dialog becomes the next run.
    const DateTime when = *makeDateTime(2030, 3, 7, 10, 30);
    again.scheduleChosen(when);
    EXPECT_EQ(again.values().atText, "03/7/30 10:30");
    ASSERT_TRUE(again.save(false));
    EXPECT_EQ(task->schedule(), "03/7/30 10:30");
    EXPECT_EQ(task->nextRun(), when);

    again.values().schedule = EditorSchedule::None;
    ASSERT_TRUE(again.save(false));
    EXPECT_EQ(task->status(), TaskStatus::Unscheduled);
    EXPECT_EQ(task->schedule(), "");
    EXPECT_FALSE(m_app->activeTasks().contains(task->filePath()));
}

TEST_F(TaskEditorTest, SavingStoresThePagesIntoTheTask) {
    auto task = savedTask("Alpha");
    task->setUserName("only-a-name");
    TaskEditor editor(*m_app, *task, EditorMode::EditTask);
    editor.show();
    EXPECT_FALSE(editor.values().requiresPassword);
    TaskEditorValues& v = editor.values();
    v.requiresPassword = true;
    v.account = "user";
    v.password = "secret";
    v.intranet = true;
    v.folder = m_home.path() + "Intranet";
    v.profile.convertUnfollowed = 2;
    ASSERT_FALSE(editor.validate(answer(true)));
    ASSERT_TRUE(editor.save(false));
    auto saved = TQLTask::loadFromFile(*m_app, task->filePath());
    EXPECT_EQ(saved->userName(), "user");
    EXPECT_EQ(saved->password(), "secret");
    EXPECT_TRUE(saved->intranetMode());
    EXPECT_EQ(saved->destination(), m_home.path() + "Intranet/");
    EXPECT_EQ(saved->profile().convertUnfollowedLinks(), 2);
    EXPECT_EQ(saved->profile().profileName(), "Site Copy");
    EXPECT_FALSE(editor.anotherCategory());

    editor.values().requiresPassword = false;
    ASSERT_TRUE(editor.save(false));
    EXPECT_EQ(task->userName(), "");
    EXPECT_EQ(task->password(), "");
}

TEST_F(TaskEditorTest, AnotherCategoryMovesTheTaskAndItsQueue) {
    m_app->setLastCategory("General");
    auto task = savedTask("Alpha");
    const std::string oldFile = task->filePath();
    const std::string oldQueue = m_app->tasksFolder() + "General/Alpha.dwn";
    writeWholeFile(oldQueue, "queue");
    TaskEditor editor(*m_app, *task, EditorMode::EditTask);
    editor.show();
    EXPECT_EQ(editor.values().category, "General");
    editor.categoryTyped("Work");
    ASSERT_FALSE(editor.validate(answer(true)));
    ASSERT_TRUE(editor.save(true));
    EXPECT_TRUE(editor.anotherCategory());
    EXPECT_EQ(task->filePath(), m_app->tasksFolder() + "Work/Alpha.qlt");
    EXPECT_EQ(task->category(), "Work");
    EXPECT_TRUE(fileExists(task->filePath()));
    EXPECT_FALSE(fileExists(oldFile));
    EXPECT_FALSE(fileExists(oldQueue));
    EXPECT_EQ(test::readWholeFile(m_app->tasksFolder() + "Work/Alpha.dwn"), "queue");
    EXPECT_FALSE(m_app->activeTasks().contains(oldFile));
    EXPECT_TRUE(m_app->activeTasks().contains(task->filePath()));
}

TEST_F(TaskEditorTest, AMoveLeavesAnotherTasksFileOfTheOldName) {
    m_app->setLastCategory("General");
    auto bystander = savedTask("Alpha");
    // A task of the same name loaded from another place.
    auto task = std::make_unique<TQLTask>(*m_app);
    ASSERT_TRUE(task->setLocation("Elsewhere", "Alpha"));
    task->setURL("http://www.alpha.test/");
    task->setDestination(m_home.path() + "a.zip");
    ASSERT_TRUE(task->save());
    TaskEditor editor(*m_app, *task, EditorMode::AddTask);
    editor.show();
    editor.categoryTyped("Work");
    ASSERT_FALSE(editor.validate(answer(true)));
    ASSERT_TRUE(editor.save(false));
    EXPECT_TRUE(fileExists(bystander->filePath()));
}

TEST_F(TaskEditorTest, AnExistingNewZipFileGoesOnlyWhenTheTaskIsSaved) {
    const std::string existing = m_home.path() + "old.zip";
    writeWholeFile(existing, "old archive");
    auto task = savedTask("Alpha");
    {
        TaskEditor cancelled(*m_app, *task, EditorMode::EditTask);
        cancelled.show();
        cancelled.newZipFileChosen(existing);
        EXPECT_EQ(cancelled.values().zipFile, existing);
    }
    EXPECT_TRUE(fileExists(existing));

    TaskEditor changedMind(*m_app, *task, EditorMode::EditTask);
    changedMind.show();
    changedMind.newZipFileChosen(existing);
    changedMind.values().zipFile = m_home.path() + "other.zip";
    ASSERT_TRUE(changedMind.save(false));
    EXPECT_TRUE(fileExists(existing));

    TaskEditor saved(*m_app, *task, EditorMode::EditTask);
    saved.show();
    saved.newZipFileChosen(existing);
    ASSERT_FALSE(saved.validate(answer(true)));
    ASSERT_TRUE(saved.save(false));
    EXPECT_FALSE(fileExists(existing));
    EXPECT_EQ(task->destination(), existing);
}

} // namespace
} // namespace quarlo
