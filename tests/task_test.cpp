#include "model/TQLTask.h"

#include "model/NewTask.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "platform/IniFile.h"
#include "platform/SettingsStore.h"
#include "platform/TextUtil.h"
#include "support/AppFixture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quarlo {
namespace {

using test::readWholeFile;
using test::writeWholeFile;

class TaskTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
    }

    std::string general() const { return m_app->tasksFolder() + "General/"; }

    // A task with every persisted field away from its default.
    std::unique_ptr<TQLTask> fullTask() {
        auto task = std::make_unique<TQLTask>(*m_app);
        EXPECT_TRUE(task->setLocation("General", "My Site"));
        task->setURL("http://www.alpha.test/index.html");
        task->setUrls({"http://a.test/1", "http://a.test/2 x", "http://a.test/3,\"q\""});
        task->setStartPageTitle("Alpha \"Home\", Page");
        task->setServer("srv");
        task->setCanUpdate(true);
        task->setUserName("user");
        task->setPassword("p=w;rd");
        task->setAcceptAnyCertificate(true);
        task->setComment("Line one; \"quoted\", with commas");
        task->setDestination("/home/someone/Sites/a.zip");
        task->setIntranetMode(true);
        task->setStatus(TaskStatus::DownloadStopped);
        task->setSchedule("Daily at 10:00");
        task->setRunMethod(RunMethod::SmartRecovery);
        TaskCounters& c = task->counters();
        c.BytesDownloaded = 5000000000LL;
        c.PagesFound = 2147483648LL;
        c.ResourcesFound = 3;
        c.PagesSaved = 4;
        c.ResourcesSaved = 5;
        c.PageErrors = 6;
        c.ResourceErrors = 7;
        task->setElapsedTime(*makeDateTime(1899, 12, 31, 2, 0, 0));
        task->setLastRun(*makeDateTime(2024, 2, 29, 13, 14, 15));
        task->setNextRun(*makeDateTime(2025, 1, 2, 3, 4, 5));
        task->profile() = TQLProfile::defaults();
        task->profile().setProfileName("Site Copy");
        task->profile().setUrlFiltersExclude({"[AL]a b", "[PL]c,d"});
        task->profile().setFileTypes({""});
        return task;
    }

    std::unique_ptr<TQLApp> m_app;
};

void expectSameTask(const TQLTask& a, const TQLTask& b) {
    EXPECT_EQ(a.filePath(), b.filePath());
    EXPECT_EQ(a.taskName(), b.taskName());
    EXPECT_EQ(a.url(), b.url());
    EXPECT_EQ(a.urls(), b.urls());
    EXPECT_EQ(a.startPageTitle(), b.startPageTitle());
    EXPECT_EQ(a.server(), b.server());
    EXPECT_EQ(a.canUpdate(), b.canUpdate());
    EXPECT_EQ(a.userName(), b.userName());
    EXPECT_EQ(a.password(), b.password());
    EXPECT_EQ(a.acceptAnyCertificate(), b.acceptAnyCertificate());
    EXPECT_EQ(a.comment(), b.comment());
    EXPECT_EQ(a.destination(), b.destination());
    EXPECT_EQ(a.intranetMode(), b.intranetMode());
    EXPECT_EQ(a.status(), b.status());
    EXPECT_EQ(a.schedule(), b.schedule());
    EXPECT_EQ(a.runMethod(), b.runMethod());
    EXPECT_EQ(a.counters(), b.counters());
    EXPECT_EQ(formatTaskDate(a.elapsedTime()), formatTaskDate(b.elapsedTime()));
    EXPECT_EQ(formatTaskDate(a.lastRun()), formatTaskDate(b.lastRun()));
    EXPECT_EQ(formatTaskDate(a.nextRun()), formatTaskDate(b.nextRun()));
    EXPECT_EQ(a.profile(), b.profile());
}

// The keys of a section in file order.
std::vector<std::string> keysOf(const std::string& path, const char* section) {
    return IniFile(path).keys(section);
}

TEST_F(TaskTest, RoundTripsEveryFieldThroughItsFile) {
    auto task = fullTask();
    task->setComment(std::string(2048, 'c'));
    ASSERT_TRUE(task->save());
    auto back = TQLTask::loadFromFile(*m_app, task->filePath());
    EXPECT_TRUE(back->unreadableKeys().empty());
    EXPECT_EQ(back->comment(), std::string(2047, 'c'));
    task->setComment(std::string(2047, 'c'));
    expectSameTask(*back, *task);
    EXPECT_EQ(back->category(), "General");
    EXPECT_EQ(back->counters().PagesFound, 2147483648LL);
    EXPECT_EQ(back->elapsedTime(), 1 + 2.0 / 24);
}

TEST_F(TaskTest, WritesItsSectionsAndKeysInOrder) {
    auto task = fullTask();
    task->setElapsedTime(0);
    ASSERT_TRUE(task->save());
    const std::string path = task->filePath();
    EXPECT_EQ(path, general() + "My Site.qlt");
    EXPECT_EQ(task->queueFilePath(), general() + "My Site.dwn");

    std::vector<std::string> taskKeys = {
        "Task Name",       "URL",         "Start Page Title", "Server",      "Can Update",
        "User Name",       "Password",    "Comment",          "Destination", "Intranet Mode",
        "Status",          "Schedule",    "Run Method",       "Total Bytes", "Total Pages",
        "Total Resources", "Pages Saved", "Resources Saved",  "Page Errors", "Resource Errors",
        "Elapsed Time",    "Last Run",    "Next Run"};
    // Keys added later follow those the previous version wrote.
    taskKeys.push_back("Accept Any Certificate");
    EXPECT_EQ(keysOf(path, "Task"), taskKeys);
    EXPECT_EQ(keysOf(path, "URLs"), (std::vector<std::string>{"URL0", "URL1", "URL2"}));
    EXPECT_EQ(IniFile(path).sections(), (std::vector<std::string>{"Task", "URLs", "Profile"}));

    const std::string text = readWholeFile(path);
    EXPECT_NE(text.find("\r\nDestination=/home/someone/Sites/a.zip\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nElapsed Time=\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nLast Run=02/29/2024 13:14:15\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nTotal Bytes=5000000000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nURL1=http://a.test/2 x\r\n"), std::string::npos);
    EXPECT_EQ(TQLTask::loadFromFile(*m_app, path)->elapsedTime(), 0);
}

TEST_F(TaskTest, AFileOfThePreviousVersionReadsUnchangedUntilSaved) {
    auto task = fullTask();
    task->setAcceptAnyCertificate(false);
    ASSERT_TRUE(task->save());
    // The file as the previous version wrote it: without the certificate choice.
    IniFile ini(task->filePath());
    ini.eraseKey("Task", "Accept Any Certificate");
    ASSERT_TRUE(ini.save(0600));
    const std::string before = readWholeFile(task->filePath());

    auto back = TQLTask::loadFromFile(*m_app, task->filePath());
    EXPECT_TRUE(back->unreadableKeys().empty());
    EXPECT_FALSE(back->acceptAnyCertificate());
    expectSameTask(*back, *task);
    EXPECT_EQ(readWholeFile(task->filePath()), before);

    back->setAcceptAnyCertificate(true);
    ASSERT_TRUE(back->save());
    EXPECT_EQ(keysOf(task->filePath(), "Task").back(), "Accept Any Certificate");
    EXPECT_TRUE(TQLTask::loadFromFile(*m_app, task->filePath())->acceptAnyCertificate());
}

TEST_F(TaskTest, UrlListStopsAtTheFirstHoleAndLeavesNoStaleKeys) {
    const std::string path = general() + "list.qlt";
    writeWholeFile(path, "[URLs]\r\nURL0=http://a.test/\r\nURL1=\r\nURL2=http://c.test/\r\n");
    auto task = TQLTask::loadFromFile(*m_app, path);
    EXPECT_EQ(task->urls(), (std::vector<std::string>{"http://a.test/"}));

    task->setUrls({"http://x.test/", "http://y.test/", "http://z.test/"});
    ASSERT_TRUE(task->save());
    task->setUrls({"http://only.test/"});
    ASSERT_TRUE(task->save());
    EXPECT_EQ(keysOf(path, "URLs"), (std::vector<std::string>{"URL0"}));
    EXPECT_EQ(TQLTask::loadFromFile(*m_app, path)->urls(), task->urls());
}

TEST_F(TaskTest, ActiveListFollowsTheStatus) {
    auto task = fullTask();
    const std::string listFile = m_app->activeTasks().filePath();
    for (TaskStatus status :
         {TaskStatus::Scheduled, TaskStatus::Scheduled, TaskStatus::Downloading}) {
        task->setStatus(status);
        ASSERT_TRUE(task->save());
    }
    EXPECT_EQ(m_app->activeTasks().paths(), (std::vector<std::string>{task->filePath()}));
    EXPECT_EQ(readWholeFile(listFile), task->filePath() + "\r\n");

    task->setStatus(TaskStatus::TaskComplete);
    ASSERT_TRUE(task->save());
    ASSERT_TRUE(task->save());
    EXPECT_TRUE(m_app->activeTasks().paths().empty());
}

TEST_F(TaskTest, TaskFilesAreReadableByTheirOwnerOnly) {
    auto task = fullTask();
    ASSERT_TRUE(task->save());
    ASSERT_TRUE(task->save());
    struct stat info {};
    ASSERT_EQ(::stat(task->filePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(TaskTest, AMissingFileGivesAnEmptyTaskNamedAfterIt) {
    auto task = TQLTask::loadFromFile(*m_app, general() + "Nothing Here.qlt");
    EXPECT_EQ(task->taskName(), "Nothing Here");
    EXPECT_TRUE(task->url().empty());
    EXPECT_EQ(task->status(), TaskStatus::Unscheduled);
    EXPECT_EQ(task->counters(), TaskCounters{});
    EXPECT_EQ(task->lastRun(), 0);
    EXPECT_TRUE(task->unreadableKeys().empty());
    EXPECT_EQ(task->profile().depth(), -1);
}

TEST_F(TaskTest, GarbageValuesLoadAsDefaultsAndAreReported) {
    const std::string path = general() + "junk.qlt";
    std::string text = "\x01\xff\xfe garbage line\r\n[Task]\r\nTask Name=../../escape\r\n"
                       "URL=http://\x80\x81/\r\nStatus=sleeping\r\nRun Method=77\r\n"
                       "Total Bytes=99999999999999999999999\r\nTotal Pages=-12\r\n"
                       "Pages Saved=0x\r\nIntranet Mode=maybe\r\nElapsed Time=13/45/2020\r\n"
                       "Last Run=yesterday\r\nNext Run=\r\nPage Errors=$ff\r\n";
    text += "Comment=nul";
    text += '\0';
    text += "inside\r\n[URLs\r\nURL0=\r\n[Profile]\r\nDepth=deep\r\n";
    writeWholeFile(path, text);

    auto task = TQLTask::loadFromFile(*m_app, path);
    EXPECT_EQ(task->taskName(), "junk");
    EXPECT_EQ(task->queueFilePath(), general() + "junk.dwn");
    EXPECT_EQ(task->url(), "http://\x80\x81/");
    EXPECT_EQ(task->status(), TaskStatus::Unscheduled);
    EXPECT_EQ(task->runMethod(), RunMethod::Restart);
    EXPECT_EQ(task->counters().BytesDownloaded, 0);
    EXPECT_EQ(task->counters().PagesFound, -12);
    EXPECT_EQ(task->counters().PageErrors, 255);
    EXPECT_FALSE(task->intranetMode());
    EXPECT_EQ(task->elapsedTime(), 0);
    EXPECT_EQ(task->lastRun(), 0);
    EXPECT_EQ(task->profile().depth(), -1);
    std::vector<std::string> bad = task->unreadableKeys();
    std::sort(bad.begin(), bad.end());
    EXPECT_EQ(bad, (std::vector<std::string>{"Depth", "Elapsed Time", "Intranet Mode", "Last Run",
                                             "Pages Saved", "Run Method", "Status", "Task Name",
                                             "Total Bytes"}));
    // What was loaded saves and loads again cleanly.
    ASSERT_TRUE(task->save());
    EXPECT_TRUE(TQLTask::loadFromFile(*m_app, path)->unreadableKeys().empty());
}

TEST_F(TaskTest, NamesThatLeaveTheirFolderAreRefused) {
    TQLTask task(*m_app);
    ASSERT_TRUE(task.setLocation("General", "ok"));
    for (const char* name : {"a/b", "..", "../x", ""}) {
        EXPECT_FALSE(task.setLocation("General", name)) << name;
        EXPECT_FALSE(task.setLocation(name, "ok")) << name;
        EXPECT_FALSE(task.moveToCategory(name)) << name;
    }
    EXPECT_EQ(task.filePath(), general() + "ok.qlt");
    EXPECT_EQ(task.category(), "General");
}

TEST_F(TaskTest, MovingToAnotherCategoryTakesTheQueueAlong) {
    auto task = fullTask();
    task->setStatus(TaskStatus::Scheduled);
    ASSERT_TRUE(task->save());
    const std::string oldPath = task->filePath();
    writeWholeFile(general() + "My Site.dwn", "queue");
    writeWholeFile(general() + "My Site.dwn.journal", "changes");

    ASSERT_TRUE(task->moveToCategory("Archive"));
    const std::string archive = m_app->tasksFolder() + "Archive/";
    EXPECT_EQ(task->filePath(), archive + "My Site.qlt");
    EXPECT_EQ(task->category(), "Archive");
    EXPECT_FALSE(fileExists(oldPath));
    EXPECT_FALSE(fileExists(general() + "My Site.dwn"));
    EXPECT_EQ(readWholeFile(archive + "My Site.dwn"), "queue");
    EXPECT_EQ(readWholeFile(archive + "My Site.dwn.journal"), "changes");
    EXPECT_FALSE(fileExists(general() + "My Site.dwn.journal"));
    EXPECT_EQ(m_app->activeTasks().paths(), (std::vector<std::string>{task->filePath()}));
    expectSameTask(*TQLTask::loadFromFile(*m_app, task->filePath()), *task);
}

TEST_F(TaskTest, StatusTextsAndRunningStates) {
    const char* const texts[] = {"Unscheduled",      "Scheduled",     "Downloading...",
                                 "Download Stopped", "Incomplete",    "Download Complete",
                                 "Zipped!",          "Task Complete", "Deleted"};
    TQLTask task(*m_app);
    using S = TaskStatus;
    const S statuses[] = {S::Unscheduled,     S::Scheduled,    S::Downloading,
                          S::DownloadStopped, S::Incomplete,   S::DownloadComplete,
                          S::Zipped,          S::TaskComplete, S::Deleted};
    for (std::size_t n = 0; n < std::size(statuses); ++n) {
        const S status = statuses[n];
        task.setStatus(status);
        EXPECT_EQ(task.statusText(), texts[n]);
        EXPECT_EQ(task.isRunning(), status == S::Downloading || status == S::DownloadComplete) << n;
        EXPECT_EQ(task.isActive(), status == S::Scheduled || status == S::Downloading) << n;
    }
}

TEST_F(TaskTest, RunStateResetsAndResumes) {
    auto task = fullTask();
    task->counters().PagesDispatched = 9;
    EXPECT_TRUE(m_app->settings().writeBool(kSettingsKey, "Zip Last", true));
    task->resetRunState();
    EXPECT_EQ(task->counters(), TaskCounters{});
    EXPECT_EQ(task->elapsedTime(), 0);
    EXPECT_TRUE(task->zipLast());
    const DateTime fresh = task->startTime();
    EXPECT_NEAR(fresh, currentDateTime(), 1.0 / 24);

    // Without the setting the task keeps what it had.
    EXPECT_TRUE(m_app->settings().deleteValue(kSettingsKey, "Zip Last"));
    task->resetRunState();
    EXPECT_TRUE(task->zipLast());

    task->setElapsedTime(2.0);
    task->counters().ResourcesDispatched = 4;
    task->beginResumedRun();
    EXPECT_NEAR(task->lastRun() - task->startTime(), 2.0, 1e-9);
    EXPECT_EQ(task->counters().ResourcesDispatched, 0);
}

TEST_F(TaskTest, RunRequestSchedulesForNow) {
    auto task = fullTask();
    ASSERT_TRUE(task->requestRun(RunMethod::Resume));
    auto back = TQLTask::loadFromFile(*m_app, task->filePath());
    EXPECT_EQ(back->status(), TaskStatus::Scheduled);
    EXPECT_EQ(back->schedule(), "Now");
    EXPECT_EQ(back->runMethod(), RunMethod::Resume);
    EXPECT_TRUE(m_app->activeTasks().contains(task->filePath()));
}

TEST_F(TaskTest, ZipNameAfterTheStartPageTitle) {
    auto task = fullTask();
    task->setIntranetMode(false);
    task->profile().setUseStartPageTitle(true);
    task->setStartPageTitle("A/B: \"C\" <d>|e*?\\");
    EXPECT_EQ(task->titleZipName(), "A B   C   d  e   .zip");
    // Named as the page shows its title: references read first, what they give made safe.
    const std::vector<std::pair<std::string, std::string>> written = {
        {"Home &amp; Garden", "Home & Garden.zip"},
        {"Caf&eacute; &#8211;  Menu", "Caf\u00e9 \u2013 Menu.zip"},
        {"Up&#47;Down &quot;now&quot;", "Up Down  now .zip"},
        {" &#32; ", ""},
    };
    for (const auto& [title, name] : written) {
        task->setStartPageTitle(title);
        EXPECT_EQ(task->titleZipName(), name) << title;
    }
    task->profile().setUseStartPageTitle(false);
    EXPECT_EQ(task->titleZipName(), "");
    task->profile().setUseStartPageTitle(true);
    task->setIntranetMode(true);
    EXPECT_EQ(task->titleZipName(), "");

    ASSERT_TRUE(task->archiveRenamed("/x/Home Page.zip"));
    EXPECT_EQ(TQLTask::loadFromFile(*m_app, task->filePath())->destination(), "/x/Home Page.zip");
}

TEST_F(TaskTest, ResultPlaceFollowsTheMode) {
    TQLTask task(*m_app);
    task.setDestination("/sites/alpha");
    task.setIntranetMode(true);
    EXPECT_EQ(task.resultPlace(), "/sites/alpha/");
    task.setIntranetMode(false);
    EXPECT_EQ(task.resultPlace(), m_app->tempFolder());
}

TEST_F(TaskTest, AFileThatCannotBeWrittenIsReported) {
    writeWholeFile(m_app->tasksFolder() + "Blocked", "a file where a category should be");
    TQLTask task(*m_app);
    ASSERT_TRUE(task.setLocation("Blocked", "t"));
    task.setStatus(TaskStatus::Scheduled);
    const Status saved = task.save();
    EXPECT_EQ(saved.message(), "Unable to write to " + task.filePath() + ": Not a directory");
    EXPECT_FALSE(m_app->activeTasks().contains(task.filePath()));
}

class NewTaskTest : public TaskTest {};

NewTaskRequest requestFor(const std::string& url, const std::string& profileName = "") {
    NewTaskRequest request;
    request.url = url;
    request.profileName = profileName;
    return request;
}

TEST_F(NewTaskTest, NamesAreMadeUniqueInTheCategory) {
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        auto made = createTaskFromUrl(*m_app, requestFor("http://www.alpha.test/page.html"));
        ASSERT_TRUE(made) << made.message();
        names.push_back((*made)->taskName());
        EXPECT_EQ((*made)->filePath(), general() + names.back() + ".qlt");
        ASSERT_TRUE((*made)->save());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "alpha(0)", "alpha(1)"}));
}

TEST_F(NewTaskTest, CustomProfileZipModeGoesToAFreeArchive) {
    writeWholeFile(m_app->downloadsFolder() + "alpha.zip", "PK");
    NewTaskRequest request = requestFor("http://www.alpha.test/");
    request.map = true;
    auto made = createTaskFromUrl(*m_app, request);
    ASSERT_TRUE(made) << made.message();
    const TQLTask& task = **made;
    EXPECT_EQ(task.url(), "http://www.alpha.test/");
    EXPECT_EQ(task.category(), "General");
    EXPECT_FALSE(task.intranetMode());
    EXPECT_EQ(task.destination(), m_app->downloadsFolder() + "alpha(0).zip");
    EXPECT_EQ(task.runMethod(), RunMethod::Map);
    TQLProfile expected = TQLProfile::defaults();
    expected.setFilePath(task.filePath());
    EXPECT_EQ(task.profile(), expected);
    EXPECT_FALSE(fileExists(task.filePath()));
}

TEST_F(NewTaskTest, NamedProfileAndTheOtherDestinations) {
    TQLProfile deep = TQLProfile::defaults();
    deep.setDepth(5);
    ASSERT_TRUE(saveAsNamedProfile(*m_app, deep, "Deep"));
    m_app->setLastCategory("Work");

    NewTaskRequest request = requestFor("http://docs.beta.test/", "Deep");
    request.intranetMode = true;
    auto intranet = createTaskFromUrl(*m_app, request);
    ASSERT_TRUE(intranet) << intranet.message();
    EXPECT_EQ((*intranet)->filePath(), m_app->tasksFolder() + "Work/docs_beta.qlt");
    EXPECT_EQ((*intranet)->destination(), m_app->intranetFolder());
    EXPECT_EQ((*intranet)->profile().profileName(), "Deep");
    EXPECT_EQ((*intranet)->profile().depth(), 5);
    EXPECT_EQ((*intranet)->profile().filePath(), (*intranet)->filePath());

    request = requestFor("http://docs.beta.test/", "Custom");
    request.selectedZip = "/zips/current.zip";
    auto selected = createTaskFromUrl(*m_app, request);
    ASSERT_TRUE(selected) << selected.message();
    EXPECT_EQ((*selected)->destination(), "/zips/current.zip");
    EXPECT_FALSE((*selected)->profile().useStartPageTitle());
    EXPECT_TRUE((*selected)->profile().isCustom());

    EXPECT_FALSE(createTaskFromUrl(*m_app, requestFor("http://a.test/", "Gone")));
    EXPECT_FALSE(createTaskFromUrl(*m_app, requestFor("http://a.test/", "../x")));
    request = requestFor("http://a.test/");
    request.category = "a/b";
    EXPECT_FALSE(createTaskFromUrl(*m_app, request));
    m_app->setLastCategory("../outside");
    EXPECT_FALSE(createTaskFromUrl(*m_app, requestFor("http://a.test/")));
}

} // namespace
} // namespace quarlo
