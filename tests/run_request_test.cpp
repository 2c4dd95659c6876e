#include "model/RunRequest.h"

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "support/AppFixture.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quarlo {
namespace {

TaskCounters counters(std::int64_t pagesFound, std::int64_t resourcesFound, std::int64_t pagesSaved,
                      std::int64_t resourcesSaved, std::int64_t pageErrors,
                      std::int64_t resourceErrors) {
    TaskCounters c;
    c.PagesFound = pagesFound;
    c.ResourcesFound = resourcesFound;
    c.PagesSaved = pagesSaved;
    c.ResourcesSaved = resourcesSaved;
    c.PageErrors = pageErrors;
    c.ResourceErrors = resourceErrors;
    return c;
}

std::string row(const RunSummary& summary, int r) {
    return summary.cell(r, 0) + "|" + summary.cell(r, 1) + "|" + summary.cell(r, 2);
}

TEST(RunSummary, RowsAddUpToWhatWasFoundWithTotalsPerRow) {
    // 40 pages: 12 saved, 3 failed, so 25 still queued; 100 media: 70 saved, 5 failed.
    const RunSummary s = runSummary(counters(40, 100, 12, 70, 3, 5));
    EXPECT_EQ(row(s, RunSummary::Downloaded), "12|70|82");
    EXPECT_EQ(row(s, RunSummary::Queued), "25|25|50");
    EXPECT_EQ(row(s, RunSummary::NewModified), "||");
    EXPECT_EQ(row(s, RunSummary::Errors), "3|5|8");
    EXPECT_TRUE(s.hasErrors());
}

TEST(RunSummary, CountersThatDisagreeNeverShowNegativeCounts) {
    // A queue file edited by hand, or counters caught between two updates.
    const RunSummary s = runSummary(counters(2, 0, 3, 0, 1, 4));
    EXPECT_EQ(row(s, RunSummary::Queued), "0|0|0");
    EXPECT_EQ(row(s, RunSummary::Downloaded), "3|0|3");
    const RunSummary empty = runSummary(counters(0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(empty.hasErrors());
    EXPECT_EQ(row(empty, RunSummary::Errors), "0|0|0");
}

TEST(RunDialogTexts, EveryChoiceHasItsOwnExplanation) {
    std::set<std::string> seen;
    const int first = 768;
    for (const RunMethod method : {RunMethod::Restart, RunMethod::Resume, RunMethod::SmartUpdate,
                                   RunMethod::SmartRecovery}) {
        const std::string text = runMethodExplanation(method);
        EXPECT_FALSE(text.empty()) << toIniValue(method);
        EXPECT_EQ(text, runDialogText(first + toIniValue(method)));
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(runMethodExplanation(RunMethod::Map), "");
    for (int number = 764; number <= 771; ++number)
        EXPECT_FALSE(runDialogText(number).empty()) << number;
    EXPECT_EQ(runDialogText(763), "");
}

class RunDialogModelTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
        m_task = std::make_unique<TQLTask>(*m_app);
        ASSERT_TRUE(m_task->setLocation("General", "My Site").ok());
    }
    std::unique_ptr<TQLApp> m_app;
    std::unique_ptr<TQLTask> m_task;
};

TEST_F(RunDialogModelTest, QuestionFollowsStatusAndErrors) {
    struct Case {
        TaskStatus status;
        std::int64_t errors;
        int question;
    } cases[] = {
        {TaskStatus::DownloadStopped, 0, 767}, {TaskStatus::DownloadStopped, 2, 767},
        {TaskStatus::Incomplete, 1, 767},      {TaskStatus::DownloadComplete, 0, 767},
        {TaskStatus::Zipped, 0, 765},          {TaskStatus::TaskComplete, 0, 765},
        {TaskStatus::Zipped, 1, 766},          {TaskStatus::TaskComplete, 3, 766},
    };
    for (const Case& c : cases) {
        m_task->setStatus(c.status);
        m_task->counters() = counters(10, 10, 5, 5, 0, c.errors);
        const RunDialogModel model = runDialogModel(*m_task);
        EXPECT_EQ(model.question, runDialogText(c.question))
            << toIniValue(c.status) << " " << c.errors;
        EXPECT_EQ(model.recoveryAllowed, c.errors > 0);
        EXPECT_EQ(model.initialMethod, RunMethod::Resume);
    }
}

TEST_F(RunDialogModelTest, TitleNamesTheTaskAndTheTableShowsItsCounters) {
    m_task->counters() = counters(7, 9, 4, 6, 1, 0);
    const RunDialogModel model = runDialogModel(*m_task);
    EXPECT_EQ(model.title, runDialogText(764) + "My Site)");
    EXPECT_EQ(model.summary.cell(RunSummary::Queued, 2), "5");
    EXPECT_EQ(model.summary.cell(RunSummary::Errors, 0), "1");
}

} // namespace
} // namespace quarlo
