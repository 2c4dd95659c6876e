// The skin pages that show the task-list exports, rendered by headless Chromium from disk.

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "reports/TaskList.h"
#include "support/AppFixture.h"
#include "support/HeadlessChromium.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quarlo {
namespace {

// The text of an element's inner HTML as a browser serialised it: tags dropped, entities read.
std::string textOf(const std::string& html) {
    std::string text;
    bool inTag = false;
    for (char c : html) {
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag)
            text += c;
    }
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", "\xC2\xA0"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : entities) {
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1))
            text.replace(at, std::string(entity).size(), plain);
    }
    return text;
}

// The inner HTML of every element opened by `open` (up to its first ">") and closed by
// `close`, within [from, to).
std::vector<std::string> elements(const std::string& html, const std::string& open,
                                  const std::string& close, std::size_t from = 0,
                                  std::size_t to = std::string::npos) {
    std::vector<std::string> found;
    to = std::min(to, html.size());
    for (std::size_t at = html.find(open, from); at < to; at = html.find(open, at)) {
        const std::size_t start = html.find('>', at) + 1;
        const std::size_t end = html.find(close, start);
        found.push_back(html.substr(start, end - start));
        at = end;
    }
    return found;
}

// The rows of the rendered task table: the text of each cell.
std::vector<std::vector<std::string>> tableRows(const std::string& dom) {
    std::vector<std::vector<std::string>> rows;
    const std::size_t body = dom.find("<tbody>");
    if (body == std::string::npos)
        return rows;
    for (const std::string& row : elements(dom, "<tr", "</tr>", body, dom.find("</tbody>"))) {
        rows.emplace_back();
        for (const std::string& cell : elements(row, "<td", "</td>"))
            rows.back().push_back(textOf(cell));
    }
    return rows;
}

class TaskPagesTest : public test::AppFixture {
protected:
    void SetUp() override {
        QUARLO_REQUIRE_CHROMIUM_OR_SKIP();
        m_app = makeApp();
        ASSERT_TRUE(m_app);
    }

    std::string saveTask(const std::string& name, const std::function<void(TQLTask&)>& setUp) {
        TQLTask task(*m_app);
        EXPECT_TRUE(task.setLocation("General", name));
        task.setURL("http://www.site.test/" + name + "/");
        task.setDestination(m_app->dataFolder() + "Downloads/" + name + ".zip");
        setUp(task);
        EXPECT_TRUE(task.save());
        return task.filePath();
    }
    void expectNoScriptErrors(const test::ChromiumPage& page) {
        for (const std::string& line : page.console)
            EXPECT_EQ(line.find("Uncaught"), std::string::npos) << line;
    }

    std::unique_ptr<TQLApp> m_app;
};

constexpr const char* kHostileTitle = "<img src=x onerror=alert(1)>";

TEST_F(TaskPagesTest, TaskListPageShowsEveryRowOfTheExportAsText) {
    saveTask("alpha", [](TQLTask& task) {
        task.setStartPageTitle(kHostileTitle);
        task.setStatus(TaskStatus::DownloadStopped);
        task.counters().PagesSaved = 3;
        task.counters().PagesFound = 9;
    });
    saveTask("beta", [](TQLTask& task) {
        task.setStartPageTitle("Say \"hi\", & </script> bye");
        task.setStatus(TaskStatus::Scheduled);
        task.setSchedule("Daily at 10:00:00");
        task.setNextRun(*makeDateTime(2031, 1, 2, 10, 0, 0));
        task.profile().setProfileName("Whole Site");
    });
    saveTask("gamma", [](TQLTask& task) {
        task.setStartPageTitle("Caf\xC3\xA9 \xE2\x9C\x93");
        task.setStatus(TaskStatus::TaskComplete);
        task.setLastRun(*makeDateTime(2030, 6, 7, 8, 9, 10));
    });
    auto list = exportTaskList(*m_app, "General");
    ASSERT_TRUE(list) << list.message();
    const test::ChromiumPage page = test::dumpDom(list->pageUrl);
    ASSERT_EQ(page.exitCode, 0);
    expectNoScriptErrors(page);

    EXPECT_EQ(elements(page.dom, "<th>", "</th>"), list->header);
    EXPECT_EQ(tableRows(page.dom), list->rows);
    ASSERT_EQ(list->rows.size(), 3u);
    EXPECT_EQ(list->rows[0][1], kHostileTitle);
    EXPECT_EQ(page.dom.find("<img"), std::string::npos);
    EXPECT_NE(page.dom.find("&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
    EXPECT_NE(page.dom.find(">3 tasks<"), std::string::npos);
    EXPECT_TRUE(test::screenshot(list->pageUrl, test::screenshotFolder() + "tasks.png", 1400, 500));
}

TEST_F(TaskPagesTest, EmptyCategoryShowsTheHeadingsAndSaysSo) {
    ASSERT_TRUE(forceDirectories(m_app->tasksFolder() + "Empty/"));
    auto list = exportTaskList(*m_app, "Empty");
    ASSERT_TRUE(list) << list.message();
    const test::ChromiumPage page = test::dumpDom(list->pageUrl);
    expectNoScriptErrors(page);
    EXPECT_EQ(elements(page.dom, "<th>", "</th>"), list->header);
    EXPECT_TRUE(tableRows(page.dom).empty());
    EXPECT_NE(page.dom.find("This category holds no tasks."), std::string::npos);
}

TEST_F(TaskPagesTest, DetailsPageListsEachColumnWithItsValue) {
    const std::string file = saveTask("delta", [](TQLTask& task) {
        task.setStartPageTitle(kHostileTitle);
        task.profile().setProfileName("Images");
        task.profile().setFileTypes({".gif", ".png"});
        task.profile().setDepth(2);
        task.profile().setResourceLocation(TQLProfile::Anywhere);
    });
    auto details = exportTaskDetails(*m_app, file);
    ASSERT_TRUE(details) << details.message();
    const test::ChromiumPage page = test::dumpDom(details->pageUrl);
    ASSERT_EQ(page.exitCode, 0);
    expectNoScriptErrors(page);

    std::vector<std::string> names;
    std::vector<std::string> values;
    for (const std::string& row : elements(page.dom, "<tr>", "</tr>")) {
        const auto name = elements(row, "<th scope=\"row\"", "</th>");
        const auto value = elements(row, "<td", "</td>");
        if (name.size() == 1 && value.size() == 1) {
            names.push_back(textOf(name[0]));
            values.push_back(textOf(value[0]));
        }
    }
    EXPECT_EQ(names, details->header);
    EXPECT_EQ(values, details->rows.at(0));
    EXPECT_EQ(page.dom.find("<img"), std::string::npos);
    EXPECT_NE(page.dom.find("<h1 id=\"title\">delta</h1>"), std::string::npos);
    EXPECT_TRUE(test::screenshot(details->pageUrl, test::screenshotFolder() + "task_details.png",
                                 1000, 900));
}

TEST_F(TaskPagesTest, PageWithoutAnExportSaysSo) {
    const std::string page = m_app->defaultSkinFolder() + "tasks.htm";
    const std::pair<std::string, std::string> cases[] = {
        {test::fileUrl(page), "No task list to show."},
        {test::fileUrl(page) + "?data=http%3A%2F%2F127.0.0.1%3A9%2Fx.js", "No task list to show."},
        {test::fileUrl(page) + "?data=" + "file%3A%2F%2F%2Fnowhere%2Fx.js",
         "The task list could not be read."},
    };
    for (const auto& [url, message] : cases) {
        const test::ChromiumPage shown = test::dumpDom(url);
        EXPECT_NE(shown.dom.find(message), std::string::npos) << url;
        EXPECT_EQ(shown.dom.find("<tbody>"), std::string::npos) << url;
    }
}

} // namespace
} // namespace quarlo
