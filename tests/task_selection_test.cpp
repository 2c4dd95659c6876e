#include "reports/TaskSelection.h"

#include "model/TQLTask.h"
#include "support/AppFixture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarlo {
namespace {

const std::string kTasks = "/home/u/.local/share/quarlo/Tasks/";
const std::string kTop = "/home/u/.local/share/quarlo/Tasks";
const std::string kDetailsUrl = "file:///skins/Default/task_details.htm?data=x&n=3";
const std::string kListUrl = "file:///skins/Default/TASKS.HTM?data=y&n=4";

TEST(TaskSelectionTest, ChangeShowsOnlyAnItemThatIsNeitherLastTaskNorLastCategory) {
    struct Case {
        std::string path;
        std::string lastTask;
        std::string lastCategory;
        bool shows;
    };
    const std::vector<Case> cases = {
        {kTasks + "General", kTasks + "General", "General", false},
        {kTasks + "general", kTasks + "Other/a.qlt", "General", false},
        {kTasks + "General/a.qlt", kTasks + "general/A.QLT", "News", false},
        {kTasks + "General/a.qlt", kTasks + "General", "General", true},
        {kTasks + "News", kTasks + "General/a.qlt", "General", true},
        {kTasks + "General/News", kTasks + "General", "General/News", false},
        {kTop, kTasks + "General", "General", true},
        // A category "Tasks" left from the top node must not hide the top node's sibling.
        {kTasks + "General", kTop, "", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(selectionChangeShows(c.path, c.lastTask, kTasks, c.lastCategory), c.shows)
            << c.path << " last task " << c.lastTask << " last category " << c.lastCategory;
}

TEST(TaskSelectionTest, CategoryIsTheFolderPartRelativeToTheTasksFolder) {
    struct Case {
        TaskTreeItem item;
        std::string category;
    };
    const std::vector<Case> cases = {
        {{kTasks + "General/a.qlt", true}, "General"},
        {{kTasks + "General", false}, "General"},
        {{kTasks + "General/", false}, "General"},
        {{kTasks + "General/News/b.qlt", true}, "General/News"},
        {{kTasks + "General/News", false}, "General/News"},
        {{kTop, false}, ""},
        {{kTasks + "loose.qlt", true}, ""},
        {{"/home/u/.local/share/quarlo/TASKS/Mixed", false}, "Mixed"},
        // Only a whole leading folder name is removed.
        {{"/home/u/.local/share/quarlo/Tasks2/x.qlt", true}, "/home/u/.local/share/quarlo/Tasks2"},
        {{"/elsewhere/home/u/.local/share/quarlo/Tasks/General", false},
         "/elsewhere/home/u/.local/share/quarlo/Tasks/General"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(categoryOfItem(c.item, kTasks), c.category) << c.item.path;
}

TEST(TaskSelectionTest, ShowPlansTheExportOfTheSelectedItem) {
    struct Case {
        TaskTreeItem item;
        std::string lastTask;
        std::string browser;
        bool unchanged;
        ShowKind kind;
        std::string lastCategory;
    };
    const std::string task = kTasks + "General/a.qlt";
    const std::vector<Case> cases = {
        {{task, true}, kTasks + "General", kListUrl, false, ShowKind::TaskDetails, "General"},
        {{task, true}, task, kDetailsUrl, true, ShowKind::Nothing, ""},
        {{task, true}, task, kListUrl, true, ShowKind::Nothing, ""},
        // The same item while the browser shows something else is shown again.
        {{task, true}, task, "https://example.test/", false, ShowKind::TaskDetails, "General"},
        {{task, true}, task, "", false, ShowKind::TaskDetails, "General"},
        // "Last Task" is compared exactly for this rule.
        {{task, true},
         kTasks + "general/a.qlt",
         kDetailsUrl,
         false,
         ShowKind::TaskDetails,
         "General"},
        {{kTasks + "General", false}, task, kDetailsUrl, false, ShowKind::TaskList, "General"},
        {{kTasks + "A/B", false}, "", "", false, ShowKind::TaskList, "A/B"},
        {{kTop, false}, task, kDetailsUrl, false, ShowKind::Nothing, ""},
        {{kTasks, false}, task, kDetailsUrl, false, ShowKind::Nothing, ""},
        // A category that happens to be called "Tasks" is listed like any other.
        {{kTasks + "Tasks", false}, task, "", false, ShowKind::TaskList, "Tasks"},
    };
    for (const auto& c : cases) {
        const ShowPlan plan = planShow(c.item, c.lastTask, c.browser, kTasks);
        SCOPED_TRACE(c.item.path + " last task " + c.lastTask + " browser " + c.browser);
        EXPECT_EQ(plan.unchanged, c.unchanged);
        EXPECT_EQ(plan.kind, c.kind);
        EXPECT_EQ(plan.lastCategory, c.lastCategory);
        EXPECT_EQ(plan.lastTask, c.unchanged ? std::string() : c.item.path);
    }
}

class ReportPageChoiceTest : public test::AppFixture {};

TEST_F(ReportPageChoiceTest, AnExistingPageIsShownAndAMissingOneCreated) {
    auto app = makeApp();
    TQLTask task(*app);
    ASSERT_TRUE(task.setLocation("General", "Site"));
    task.setURL("http://www.site.test/docs/index.html");
    task.setIntranetMode(true);
    task.setDestination(m_home.path() + "mirror/");
    const std::string folder = m_home.path() + "mirror/www.site.test/";
    test::writeWholeFile(folder + "!Site_pages_1.htm", "<html></html>");

    auto pages = reportPageChoice(task, ReportPage::PageIndex);
    ASSERT_TRUE(pages) << pages.message();
    EXPECT_EQ(pages->path, folder + "!Site_pages_1.htm");
    EXPECT_TRUE(pages->exists);

    auto summary = reportPageChoice(task, ReportPage::Summary);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->path, folder + "!Site_summary.htm");
    EXPECT_FALSE(summary->exists);
    auto images = reportPageChoice(task, ReportPage::ImageIndex);
    ASSERT_TRUE(images);
    EXPECT_EQ(images->path, folder + "!Site_images_1.htm");

    // Zip mode: the pages lie in the Temp folder, where the archive is unpacked.
    task.setIntranetMode(false);
    auto zipped = reportPageChoice(task, ReportPage::Summary);
    ASSERT_TRUE(zipped);
    EXPECT_EQ(zipped->path, app->tempFolder() + "www.site.test/!Site_summary.htm");

    task.setURL("");
    EXPECT_FALSE(reportPageChoice(task, ReportPage::Summary));
}

} // namespace
} // namespace quarlo
