#include "model/RunRequest.h"
#include "model/TQLTask.h"
#include "shell/DialogEntryPoints.h"
#include "shell/TdlgRunTask.h"
#include "support/GuiFixture.h"
#include "support/ModalDialog.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace quarlo;
using namespace quarlo::test;
using shell::TdlgRunTask;

namespace {

// On the indicator: a wide choice ignores clicks right of its text.
void choose(QRadioButton& choice) {
    QTest::mouseClick(&choice, Qt::LeftButton, {}, QPoint(6, choice.height() / 2));
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

class RunTaskDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;
    std::unique_ptr<TQLTask> m_task;

    void setCounters(std::int64_t pageErrors, std::int64_t resourceErrors) {
        TaskCounters& c = m_task->counters();
        c.PagesFound = 20;
        c.ResourcesFound = 30;
        c.PagesSaved = 10;
        c.ResourcesSaved = 25;
        c.PageErrors = pageErrors;
        c.ResourceErrors = resourceErrors;
    }
    QString cell(TdlgRunTask& dialog, int row, int column) {
        return dialog.summaryTable().item(row, column)->text();
    }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_task = std::make_unique<TQLTask>(m_home->app());
        QVERIFY(m_task->setLocation("General", "News Site").ok());
        QVERIFY(m_task->save().ok());
    }
    void cleanup() {
        m_task.reset();
        m_home.reset();
    }

    void showsTheSummaryAndExplainsTheChosenMethod() {
        m_task->setStatus(TaskStatus::Zipped);
        setCounters(2, 1);
        TdlgRunTask dialog(*m_task);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), qs(runDialogText(764) + "News Site)"));
        QCOMPARE(dialog.questionLabel().text(), qs(runDialogText(766)));
        QTableWidget& table = dialog.summaryTable();
        QCOMPARE(table.verticalHeaderItem(2)->text(), QStringLiteral("New/Modified"));
        QCOMPARE(table.horizontalHeaderItem(1)->text(), QStringLiteral("Media"));
        QCOMPARE(cell(dialog, RunSummary::Downloaded, 2), QStringLiteral("35"));
        QCOMPARE(cell(dialog, RunSummary::Queued, 0), QStringLiteral("8"));
        QCOMPARE(cell(dialog, RunSummary::Queued, 1), QStringLiteral("4"));
        QCOMPARE(cell(dialog, RunSummary::NewModified, 2), QString());
        QCOMPARE(cell(dialog, RunSummary::Errors, 2), QStringLiteral("3"));

        QVERIFY(dialog.choice(RunMethod::Resume).isChecked());
        QCOMPARE(dialog.explanationLabel().text(), qs(runDialogText(769)));
        QVERIFY(dialog.choice(RunMethod::SmartRecovery).isEnabled());
        choose(dialog.choice(RunMethod::SmartRecovery));
        QCOMPARE(dialog.runMethod(), RunMethod::SmartRecovery);
        QCOMPARE(dialog.explanationLabel().text(), qs(runDialogText(771)));
        QCOMPARE(dialog.runButton().text(), QStringLiteral("&Run"));
        QVERIFY(dialog.grab().save(screenshotPath("dialog_run_task.png")));
        QTest::mouseClick(&dialog.runButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void recoveryNeedsErrorsAndTheQuestionFollowsTheStatus() {
        m_task->setStatus(TaskStatus::TaskComplete);
        setCounters(0, 0);
        {
            TdlgRunTask dialog(*m_task);
            QVERIFY(!dialog.choice(RunMethod::SmartRecovery).isEnabled());
            QCOMPARE(dialog.questionLabel().text(), qs(runDialogText(765)));
            dialog.setRunMethod(RunMethod::SmartRecovery);
            QCOMPARE(dialog.runMethod(), RunMethod::Resume);
        }
        m_task->setStatus(TaskStatus::DownloadStopped);
        TdlgRunTask dialog(*m_task);
        QCOMPARE(dialog.questionLabel().text(), qs(runDialogText(767)));
    }

    void theRunRequestAsksOnlyWhenThereIsADownloadList() {
        // No queue file: Restart without a question.
        QCOMPARE(shell::chooseRunMethod(nullptr, *m_task),
                 std::optional<RunMethod>(RunMethod::Restart));

        writeWholeFile(m_task->queueFilePath(), "");
        whenDialogShown<TdlgRunTask>([](TdlgRunTask& dialog) {
            choose(dialog.choice(RunMethod::SmartUpdate));
            QTest::mouseClick(&dialog.runButton(), Qt::LeftButton);
        });
        QCOMPARE(shell::chooseRunMethod(nullptr, *m_task),
                 std::optional<RunMethod>(RunMethod::SmartUpdate));

        whenDialogShown<TdlgRunTask>([](TdlgRunTask& dialog) {
            choose(dialog.choice(RunMethod::Restart));
            QTest::mouseClick(&dialog.cancelButton(), Qt::LeftButton);
        });
        QCOMPARE(shell::chooseRunMethod(nullptr, *m_task), std::nullopt);
    }
};

QTEST_MAIN(RunTaskDialogTest)
#include "run_task_dialog_test.moc"
