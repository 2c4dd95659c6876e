#include "model/TQLTask.h"
#include "schedule/Clock.h"
#include "schedule/Schedule.h"
#include "shell/DialogEntryPoints.h"
#include "shell/TdlgSchedule.h"
#include "support/Controls.h"
#include "support/GuiFixture.h"
#include "support/ModalDialog.h"
#include "support/ScheduleTimes.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <stdexcept>

using namespace quarlo;
using namespace quarlo::test;
using shell::TdlgSchedule;

namespace {

QString label(QWidget& dialog, const char* name) {
    return child<QLabel>(dialog, name).text();
}

} // namespace

class ScheduleTaskDialogTest : public QObject {
    Q_OBJECT

private slots:
    void opensOnTodayAndTheLabelsFollowEachKind() {
        TestClock clock(at(2025, 3, 5, 9, 59)); // a Wednesday
        TdlgSchedule dialog(clock);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Schedule Task"));
        QVERIFY(child<QRadioButton>(dialog, "rbAt").isChecked());
        QCOMPARE(label(dialog, "lblSchedule"), QStringLiteral(" Run once at 03/5/25  09:59:00"));
        QCOMPARE(label(dialog, "lblNextRun"), QStringLiteral(" Next Run: 03/5/25  09:59:00"));

        child<QTimeEdit>(dialog, "dtpDaily").setTime(QTime(10, 0));
        QVERIFY(child<QRadioButton>(dialog, "rbDaily").isChecked());
        QVERIFY(!child<QRadioButton>(dialog, "rbAt").isChecked());
        QCOMPARE(label(dialog, "lblSchedule"), QStringLiteral(" Run daily at 10:00:00"));
        QCOMPARE(label(dialog, "lblNextRun"), QStringLiteral(" Next Run: 03/5/25  10:00:00"));

        child<QTimeEdit>(dialog, "dtpWeekly").setTime(QTime(8, 30));
        click(dialog, "cbFri");
        click(dialog, "cbMon");
        QVERIFY(child<QRadioButton>(dialog, "rbWeekly").isChecked());
        QCOMPARE(label(dialog, "lblSchedule"),
                 QStringLiteral(" Run every Mon, Fri of every week at 08:30:00"));
        QCOMPARE(label(dialog, "lblNextRun"), QStringLiteral(" Next Run: 03/7/25  08:30:00"));
        QVERIFY(dialog.grab().save(screenshotPath("dialog_schedule_task.png")));
        click(dialog, "btnOK");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.accepted().description, std::string("Weekly every Mon, Fri at 08:30:00"));
        QCOMPARE(*dialog.accepted().nextRun, at(2025, 3, 7, 8, 30));
    }

    void everyBoxesAreCorrectedAsTyped() {
        TestClock clock(at(2025, 3, 5, 12, 0));
        TdlgSchedule dialog(clock);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSpinBox& hours = child<QSpinBox>(dialog, "edHours");
        QCOMPARE(hours.text(), QStringLiteral("0"));
        hours.setFocus();
        hours.selectAll();
        QTest::keyClicks(&hours, QStringLiteral("2x5"));
        QCOMPARE(hours.text(), QStringLiteral("23"));
        QVERIFY(child<QRadioButton>(dialog, "rbEvery").isChecked());
        QCOMPARE(label(dialog, "lblSchedule"), QStringLiteral(" Run every 23 hours, 0 mins"));
        QCOMPARE(label(dialog, "lblNextRun"), QStringLiteral(" Next Run: 03/6/25  11:00:00"));
    }

    void weeklyWithoutADayWarnsAndStaysOpen() {
        PromptRecorder prompts;
        TestClock clock(at(2025, 3, 5, 12, 0));
        TdlgSchedule dialog(clock);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        click(dialog, "rbWeekly");
        QCOMPARE(label(dialog, "lblNextRun"), QStringLiteral(" Next Run:"));
        click(dialog, "btnOK");
        QCOMPARE(prompts.count(shell::Prompts::Kind::Warning), 1);
        QCOMPARE(prompts.prompts().front().text, QString::fromLatin1(kNoWeekdayMessage));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        click(dialog, "cbSun");
        click(dialog, "btnOK");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(prompts.count(shell::Prompts::Kind::Warning), 1);
    }

    void theEntryPointSetsTheScheduleOnlyOnOk() {
        ShellHome home;
        TQLTask task(home.app());
        QVERIFY(task.setLocation("General", "Site").ok());
        whenDialogShown<TdlgSchedule>([](TdlgSchedule& dialog) {
            click(dialog, "rbDaily");
            click(dialog, "btnCancel");
        });
        QVERIFY(!shell::editSchedule(nullptr, home.engine(), task));
        QCOMPARE(task.schedule(), std::string());
        QCOMPARE(task.nextRun(), 0.0);

        whenDialogShown<TdlgSchedule>([](TdlgSchedule& dialog) {
            child<QTimeEdit>(dialog, "dtpDaily").setTime(QTime(23, 59, 59));
            click(dialog, "btnOK");
        });
        QVERIFY(shell::editSchedule(nullptr, home.engine(), task));
        QCOMPARE(task.schedule(), std::string("Daily at 23:59:59"));
        QVERIFY(task.nextRun() > 0);
        QCOMPARE(longTimeText(task.nextRun()), std::string("23:59:59"));
        // Saving is the caller's: nothing was written.
        QVERIFY(!QFileInfo::exists(QString::fromStdString(task.filePath())));
    }
};

QTEST_MAIN(ScheduleTaskDialogTest)
#include "schedule_task_dialog_test.moc"
