#include "engine/Queue.h"
#include "model/TQLQItem.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "reports/ReportTexts.h"
#include "shell/DialogEntryPoints.h"
#include "shell/ShellHooks.h"
#include "shell/TdlgTaskReport.h"
#include "support/GuiFixture.h"
#include "support/ZipTestFiles.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace quarlo;
using namespace quarlo::test;
using quarlo::shell::TdlgTaskReport;

namespace {

// An intranet task whose queue holds saved pages and images under the home's "site/".
std::unique_ptr<TQLTask> siteTask(ShellHome& home, int pages) {
    auto task = std::make_unique<TQLTask>(home.app());
    if (!task->setLocation("General", "Site"))
        return nullptr;
    task->setURL("http://h.test/");
    task->setStartPageTitle("Home");
    task->setIntranetMode(true);
    task->setDestination(home.path() + "site/");
    auto add = [&task](const std::string& url, const std::string& type) {
        TQLQItem item;
        item.URL = url;
        item.FileType = type;
        item.Status = QueueStatus::Saved;
        item.Title = url;
        task->queue().append(url, buildDataLine(item), task->counters());
    };
    for (int i = 0; i < pages; ++i)
        add("http://h.test/p" + std::to_string(i) + ".html", "HTML");
    add("http://h.test/logo.gif", "Images");
    if (!SaveQueue(*task))
        return nullptr;
    return task;
}

} // namespace

class ReportDialogTest : public QObject {
    Q_OBJECT
private slots:
    void writesOnFirstPaintShowsTheSummaryAndCloses();
    void aReportFolderThatCannotBeMadeIsAnError();
};

void ReportDialogTest::writesOnFirstPaintShowsTheSummaryAndCloses() {
    ShellHome home;
    PromptRecorder prompts;
    auto task = siteTask(home, 45);
    QVERIFY(task);
    QSignalSpy browsed(&home.engine().hooks(), &shell::ShellHooks::browserRequested);
    TdlgTaskReport dialog(home.engine(), *task);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Task Reports"));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->text(),
             QStringLiteral("Generate"));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("Button2"))->text(),
             QStringLiteral("&Cancel"));

    QStringList labels;
    QList<int> pageSteps;
    QList<int> heights;
    bool shot = false;
    connect(&dialog, &TdlgTaskReport::stepShown, this, [&](const QString& label, int percent) {
        if (labels.isEmpty() || labels.last() != label)
            labels << label;
        if (label == QLatin1String(kPageIndexLabel)) {
            pageSteps << dialog.progressBar()->value();
            QCOMPARE(percent, dialog.progressBar()->value());
        }
        heights << dialog.height();
        if (!shot && label == QLatin1String(kPageIndexLabel) && percent > 0) {
            shot = dialog.grab().save(screenshotPath(QStringLiteral("dialog_task_reports.png")));
        }
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));

    QCOMPARE(labels,
             (QStringList{QString::fromStdString(reportText(790)), QLatin1String(kPageIndexLabel),
                          QLatin1String(kImageIndexLabel)}));
    // Three index pages: the bar moves once per page, to 100.
    QCOMPARE(pageSteps, (QList<int>{0, 33, 67, 100}));
    for (int height : heights)
        QCOMPARE(height, TdlgTaskReport::kShownHeight);
    QVERIFY(shot);
    // Only the label and the bar fit in the window; the buttons lie below it.
    QVERIFY(dialog.progressBar()->geometry().bottom() < TdlgTaskReport::kShownHeight);
    QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->geometry().top() >=
            TdlgTaskReport::kShownHeight);

    const std::string folder = home.path() + "site/h.test/";
    QVERIFY(fileExists(folder + "!Site_summary.htm"));
    QVERIFY(fileExists(folder + "!Site_pages_3.htm"));
    QVERIFY(fileExists(folder + "!Site_images_1.htm"));
    QCOMPARE(dialog.summaryPath(), folder + "!Site_summary.htm");
    // The summary is on its way to the browser when the dialog has closed.
    QCOMPARE(browsed.size(), 1);
    QCOMPARE(browsed.first().at(0).toString(),
             QString::fromStdString(folder + "!Site_summary.htm"));
    QVERIFY(prompts.prompts().empty());
}

void ReportDialogTest::aReportFolderThatCannotBeMadeIsAnError() {
    ShellHome home;
    PromptRecorder prompts;
    auto task = siteTask(home, 1);
    QVERIFY(task);
    // A file stands where the report folder should be made.
    makeFile(home.path() + "blocked", "not a folder");
    task->setDestination(home.path() + "blocked/");
    QSignalSpy browsed(&home.engine().hooks(), &shell::ShellHooks::browserRequested);
    QVERIFY(!shell::createReports(nullptr, home.engine(), *task));
    QCOMPARE(prompts.count(shell::Prompts::Kind::Error), 1);
    QVERIFY(browsed.isEmpty());
}

QTEST_MAIN(ReportDialogTest)
#include "report_dialog_test.moc"
