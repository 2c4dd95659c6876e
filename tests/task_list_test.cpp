#include "reports/TaskList.h"

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "platform/InstanceLock.h"
#include "platform/TextUtil.h"
#include "reports/ExportScript.h"
#include "reports/TaskMenu.h"
#include "support/AppFixture.h"
#include "support/RecordingUiHooks.h"
#include "support/TempHome.h"
#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace quarlo {
namespace {

using test::readWholeFile;
using test::writeWholeFile;

class TaskListTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
        m_app->setHooks(&m_hooks);
    }
    void TearDown() override {
        if (m_app)
            m_app->setHooks(nullptr);
    }

    // Saves a task under Tasks/<category>/<name>.qlt after letting the caller set it up.
    std::string saveTask(const std::string& category, const std::string& name,
                         const std::function<void(TQLTask&)>& setUp = {}) {
        TQLTask task(*m_app);
        EXPECT_TRUE(task.setLocation(category, name));
        task.setURL("http://www.site.test/" + name + "/index.html");
        task.setDestination(m_app->dataFolder() + "Downloads/" + name + ".zip");
        if (setUp)
            setUp(task);
        EXPECT_TRUE(task.save());
        return task.filePath();
    }
    TaskStatus savedStatus(const std::string& file) {
        return TQLTask::loadFromFile(*m_app, file)->status();
    }

    RecordingUiHooks m_hooks;
    std::unique_ptr<TQLApp> m_app;
};

TEST_F(TaskListTest, TaskLineHoldsEveryColumnFirstBareTheRestQuotedUnescaped) {
    const std::string file = saveTask("General", "Alpha", [&](TQLTask& task) {
        task.setStartPageTitle("Say \"hi\", world");
        task.setStatus(TaskStatus::Zipped);
        task.setSchedule("Daily at 10:00:00");
        task.setLastRun(*makeDateTime(2025, 3, 7, 10, 0, 0));
        task.setNextRun(*makeDateTime(2025, 12, 24, 8, 5, 9));
        task.counters().PagesSaved = 4;
        task.counters().PagesFound = 7;
        task.counters().ResourcesSaved = 12;
        task.setDestination("/srv/sites/alpha/");
        task.setIntranetMode(true);
        task.profile().setProfileName("Whole Site");
    });
    const auto task = TQLTask::loadFromFile(*m_app, file);
    EXPECT_EQ(taskLineText(taskLineValues(*task)),
              "Alpha,\"Say \"hi\", world\",\"Zipped!\",\"Daily at 10:00:00\",\"03/7/25 10:00:00\","
              "\"12/24/25 08:05:09\",\"4/7\",\"12\",\"http://www.site.test/Alpha/index.html\",\"\","
              "\"/srv/sites/alpha/\",\"Whole Site\",\"" +
                  file + "\"");
}

TEST_F(TaskListTest, DatesAreEmptyUnlessAfterTheEpoch) {
    EXPECT_EQ(listDateText(0), "");
    EXPECT_EQ(listDateText(-3.5), "");
    EXPECT_EQ(listDateText(*makeDateTime(2001, 1, 2, 23, 59, 58)), "01/2/01 23:59:58");
}

TEST_F(TaskListTest, LocalUrlNamesTheStartPageOnlyOnceItIsSaved) {
    const std::string site = m_home.path() + "site/";
    const std::string intranet = saveTask("General", "Intranet", [&](TQLTask& task) {
        task.setDestination(site);
        task.setIntranetMode(true);
    });
    const std::string zip = saveTask("General", "Zip");
    constexpr std::size_t kLocalUrl = 9;
    const auto intranetTask = TQLTask::loadFromFile(*m_app, intranet);
    const auto zipTask = TQLTask::loadFromFile(*m_app, zip);
    EXPECT_EQ(taskLineValues(*intranetTask)[kLocalUrl], "");
    EXPECT_EQ(taskLineValues(*zipTask)[kLocalUrl], "");

    const std::string intranetPage = intranetTask->startPageLocalFile();
    const std::string zipPage = zipTask->startPageLocalFile();
    EXPECT_EQ(intranetPage.rfind(site, 0), 0u) << intranetPage;
    EXPECT_EQ(zipPage.rfind(m_app->tempFolder(), 0), 0u) << zipPage;
    test::makeFile(intranetPage, "<html></html>");
    test::makeFile(zipPage, "<html></html>");
    EXPECT_EQ(taskLineValues(*intranetTask)[kLocalUrl], intranetPage);
    EXPECT_EQ(taskLineValues(*zipTask)[kLocalUrl], zipPage);
}

TEST_F(TaskListTest, ProfilePartTextsForLocationsDepthsAndTypes) {
    struct Case {
        int pages, media, depth;
        std::vector<std::string> types;
        ExportRow expected;
    };
    const Case cases[] = {
        {0,
         1,
         -1,
         {".gif", ".jpg"},
         {"P", ".gif  .jpg  ", "within the selected directory", "within the selected site",
          "all levels", "2"}},
        {2, 3, 0, {}, {"P", "", "anywhere", "", "current page", "2"}},
        {7, 2, 3, {".pdf"}, {"P", ".pdf  ", "", "anywhere", "current page + 3", "2"}},
    };
    for (const Case& c : cases) {
        TQLProfile profile;
        profile.setProfileName("P");
        profile.setPageLocation(static_cast<std::uint8_t>(c.pages));
        profile.setResourceLocation(static_cast<std::uint8_t>(c.media));
        profile.setDepth(c.depth);
        profile.setFileTypes(c.types);
        profile.setAggressiveParser(2);
        EXPECT_EQ(profilePartValues(profile), c.expected) << c.pages << "/" << c.depth;
    }
    EXPECT_EQ(quotedLineText({"a", "b,\"c\""}), "\"a\",\"b,\"c\"\"");
}

TEST_F(TaskListTest, ListExportSettlesStoppedAndCompleteTasksAndWritesCrLfLines) {
    const std::string stopped = saveTask(
        "General", "b-stopped", [](TQLTask& t) { t.setStatus(TaskStatus::DownloadStopped); });
    const std::string complete = saveTask(
        "General", "c-complete", [](TQLTask& t) { t.setStatus(TaskStatus::DownloadComplete); });
    const std::string scheduled =
        saveTask("General", "a-scheduled", [](TQLTask& t) { t.setStatus(TaskStatus::Scheduled); });
    saveTask("Other", "elsewhere");

    std::vector<std::pair<int, int>> progress;
    auto list =
        exportTaskList(*m_app, "General", [&](int i, int n) { progress.emplace_back(i, n); });
    ASSERT_TRUE(list) << list.message();
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(savedStatus(stopped), TaskStatus::Incomplete);
    EXPECT_EQ(savedStatus(complete), TaskStatus::Incomplete);
    EXPECT_EQ(savedStatus(scheduled), TaskStatus::Scheduled);

    const std::string text = readWholeFile(m_app->exportFolder() + "tasks.txt");
    std::string expected = "Task Name,Title,Status,Schedule,Last Run,Next Run,Pages,Media,URL,"
                           "Local URL,Destination,Download Method,Start Page\r\n";
    for (const std::string& file : {scheduled, stopped, complete}) {
        const auto task = TQLTask::loadFromFile(*m_app, file);
        expected += taskLineText(taskLineValues(*task)) + "\r\n";
    }
    EXPECT_EQ(text, expected);
    EXPECT_NE(text.find("b-stopped,\"\",\"Incomplete\""), std::string::npos);
    ASSERT_EQ(list->rows.size(), 3u);
    EXPECT_EQ(list->rows[0][0], "a-scheduled");
    EXPECT_EQ(list->rows[2][2], "Incomplete");
    EXPECT_EQ(m_hooks.texts("status"),
              (std::vector<std::string>{"Loading 3 Tasks...", "Loading 3 Tasks...",
                                        "Loading 3 Tasks...", "3 Tasks"}));
}

TEST_F(TaskListTest, TheTaskAnInstanceIsDownloadingKeepsItsStatus) {
    const std::string busy =
        saveTask("General", "busy", [](TQLTask& t) { t.setStatus(TaskStatus::DownloadComplete); });
    InstanceLock lock(m_app->dataFolder());
    ASSERT_TRUE(lock.tryAcquire("gui"));
    lock.setCurrentTask(busy);
    auto list = exportTaskList(*m_app, "General");
    ASSERT_TRUE(list) << list.message();
    EXPECT_EQ(savedStatus(busy), TaskStatus::DownloadComplete);
    EXPECT_EQ(list->rows.at(0)[2], "Download Complete");
}

TEST_F(TaskListTest, EmptyCategoryGivesTheHeaderOnlyAndUnreadableTasksTheirDefaults) {
    ASSERT_TRUE(forceDirectories(m_app->tasksFolder() + "Empty/"));
    auto empty = exportTaskList(*m_app, "Empty");
    ASSERT_TRUE(empty) << empty.message();
    EXPECT_EQ(readWholeFile(empty->textFile),
              "Task Name,Title,Status,Schedule,Last Run,Next Run,Pages,Media,URL,Local URL,"
              "Destination,Download Method,Start Page\r\n");
    EXPECT_EQ(m_hooks.texts("status").back(), "0 Tasks");

    const std::string broken = m_app->tasksFolder() + "Broken/junk.qlt";
    test::makeFile(broken, "\x01\x02 not a task [[[\nStatus=banana\n");
    auto list = exportTaskList(*m_app, "Broken");
    ASSERT_TRUE(list) << list.message();
    ASSERT_EQ(list->rows.size(), 1u);
    EXPECT_EQ(list->rows[0][0], "junk");
    EXPECT_EQ(list->rows[0][2], "Unscheduled");
    EXPECT_EQ(list->rows[0][12], broken);

    EXPECT_FALSE(exportTaskList(*m_app, "../outside"));
    EXPECT_FALSE(exportTaskList(*m_app, ""));
}

TEST_F(TaskListTest, DetailsExportAppendsTheProfilePart) {
    const std::string file = saveTask("General", "Detail", [](TQLTask& task) {
        task.profile().setProfileName("Deep");
        task.profile().setFileTypes({".png"});
        task.profile().setDepth(2);
        task.profile().setAggressiveParser(1);
    });
    auto details = exportTaskDetails(*m_app, file);
    ASSERT_TRUE(details) << details.message();
    const auto task = TQLTask::loadFromFile(*m_app, file);
    EXPECT_EQ(readWholeFile(m_app->exportFolder() + "task_details.txt"),
              "Task Name,Title,Status,Schedule,Last Run,Next Run,Pages,Media,URL,Local URL,"
              "Destination,Download Method,Start Page,Profile Name,File Types,"
              "Retrieve Page Location,Retrieve Media Location,Depth,Aggressive Parser\r\n" +
                  taskLineText(taskLineValues(*task)) +
                  ",\"Deep\",\".png  \",\"within the selected directory\","
                  "\"within the selected directory\",\"current page + 2\",\"1\"\r\n");
    ASSERT_EQ(details->rows.size(), 1u);
    EXPECT_EQ(details->rows[0].size(), details->header.size());
    EXPECT_EQ(details->header.size(), 19u);
}

TEST_F(TaskListTest, JsonStringsCannotBreakOutOfTheScript) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"</script><script>alert(1)</script>",
         "\"\\u003c/script\\u003e\\u003cscript\\u003ealert(1)\\u003c/script\\u003e\""},
        {"say \"hi\" \\ there", "\"say \\\"hi\\\" \\\\ there\""},
        {"a\nb\r\tc\x01", "\"a\\nb\\r\\tc\\u0001\""},
        {"line\xE2\x80\xA8para\xE2\x80\xA9", "\"line\\u2028para\\u2029\""},
        {"caf\xC3\xA9 \xF0\x9F\x98\x80", "\"caf\xC3\xA9 \xF0\x9F\x98\x80\""},
        {"bad\xB6 \xC3", "\"bad\\ufffd \\ufffd\""},
        {"<!-- & -->", "\"\\u003c!-- \\u0026 --\\u003e\""},
    };
    for (const auto& [text, json] : cases)
        EXPECT_EQ(jsonString(text), json) << text;
}

TEST_F(TaskListTest, ScriptDefinesTheSameRowsAsTheExport) {
    const std::string title = "</script>\"<img src=x onerror=alert(1)>\", \xE2\x80\xA8";
    saveTask("General", "Hostile", [&](TQLTask& task) { task.setStartPageTitle(title); });
    auto list = exportTaskList(*m_app, "General");
    ASSERT_TRUE(list) << list.message();
    const std::string script = readWholeFile(list->scriptFile);
    EXPECT_EQ(script.rfind("window.quarloExport = {", 0), 0u) << script;
    EXPECT_EQ(script.find("</"), std::string::npos);
    EXPECT_EQ(script.find("\xE2\x80\xA8"), std::string::npos);
    // Read back by an independent JSON parser.
    const std::string json = m_home.path() + "rows.json";
    writeWholeFile(json, script.substr(script.find('{'), script.rfind('}') - script.find('{') + 1));
    std::string parsed;
    ASSERT_EQ(test::runCommand("python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); "
                               "sys.stdout.write(d[\"rows\"][0][1] + \"|\" + "
                               "str(len(d[\"header\"])))' '" +
                                   json + "'",
                               &parsed),
              0)
        << parsed;
    EXPECT_EQ(parsed, title + "|13");
}

TEST_F(TaskListTest, SkinPageUrlCarriesTheScriptAndANewSerial) {
    const std::string script = m_app->exportFolder() + "tasks.js";
    const std::string first = skinPageUrl(*m_app, "tasks.htm", script);
    const std::string second = skinPageUrl(*m_app, "tasks.htm", script);
    const std::string page = localFileUrl(m_app->defaultSkinFolder() + "tasks.htm");
    const std::string query = "?data=" + percentEncode("file://" + script) + "&n=";
    EXPECT_EQ(first.rfind(page + query, 0), 0u) << first;
    EXPECT_EQ(second.rfind(page + query, 0), 0u) << second;
    EXPECT_NE(first, second);
    EXPECT_EQ(query.find('/'), std::string::npos);
    EXPECT_EQ(localFileUrl("/a b/c#d?e%"), "file:///a%20b/c%23d%3Fe%25");

    // A skin that has its own page is preferred; one without falls back to the default.
    m_app->setSkin("Blue");
    EXPECT_EQ(skinPagePath(*m_app, "tasks.htm"), m_app->defaultSkinFolder() + "tasks.htm");
    test::makeFile(m_app->resourceFolder() + "Skins/Blue/tasks.htm", "<html></html>");
    EXPECT_EQ(skinPagePath(*m_app, "tasks.htm"), m_app->resourceFolder() + "Skins/Blue/tasks.htm");
}

TEST(TaskMenuTest, EnablingFollowsTheSelectionAndTheTaskStatus) {
    struct Row {
        bool isFile;
        TaskStatus status;
        // run, stop, schedule, delete, properties, category, browse
        std::array<bool, 7> enabled;
        const char* caption;
    };
    using S = TaskStatus;
    const Row rows[] = {
        {false, S::Downloading, {false, false, false, true, false, true, false}, kScheduleCaption},
        {true, S::Unscheduled, {true, false, true, true, true, false, true}, kScheduleCaption},
        {true, S::Scheduled, {false, false, true, false, false, false, true}, kUnscheduleCaption},
        {true, S::Downloading, {false, true, false, false, false, false, true}, kScheduleCaption},
        {true, S::DownloadStopped, {true, false, true, true, true, false, true}, kScheduleCaption},
        {true, S::TaskComplete, {true, false, true, true, true, false, true}, kScheduleCaption},
    };
    for (const Row& row : rows) {
        const TaskMenuState s = taskMenuState(row.isFile, row.status);
        const std::array<bool, 7> enabled = {s.run,        s.stop,        s.schedule, s.deleteItem,
                                             s.properties, s.newCategory, s.browse};
        EXPECT_EQ(enabled, row.enabled) << row.isFile << " " << toIniValue(row.status);
        EXPECT_EQ(s.scheduleCaption, row.caption) << row.isFile << " " << toIniValue(row.status);
        EXPECT_TRUE(s.newItem && s.newTask);
        EXPECT_EQ(s.download && s.explore && s.reports, row.isFile);
    }
}

TEST_F(TaskListTest, MenuStateReadsTheStatusFromTheTaskFile) {
    const std::string file =
        saveTask("General", "Busy", [](TQLTask& t) { t.setStatus(TaskStatus::Downloading); });
    EXPECT_EQ(taskMenuStateFor(*m_app, file, true), taskMenuState(true, TaskStatus::Downloading));
    EXPECT_EQ(taskMenuStateFor(*m_app, m_app->tasksFolder() + "General", false),
              taskMenuState(false, TaskStatus::Unscheduled));
}

} // namespace
} // namespace quarlo
