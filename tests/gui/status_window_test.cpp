#include "model/TQLTask.h"
#include "shell/ShellHooks.h"
#include "shell/TFormStatus.h"
#include "support/GuiFixture.h"

#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace quarlo;
using namespace quarlo::test;
using quarlo::shell::TFormStatus;

namespace {

constexpr DateTime kSecond = 1.0 / 86400.0;

} // namespace

class StatusWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;
    std::unique_ptr<TFormStatus> m_form;

    template <typename T> T* child(const char* name) {
        T* found = m_form->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }
    QString text(const char* label) { return child<QLabel>(label)->text(); }

    TQLTask& makeCurrentTask() {
        auto task = std::make_unique<TQLTask>(m_home->app());
        if (!task->setLocation("General", "Status Demo").ok())
            qFatal("task location refused");
        m_home->app().setCurrentTask(std::move(task));
        return *m_home->app().currentTask();
    }
    void setRun(TQLTask& task, TaskStatus status, DateTime elapsed, std::int64_t bytes) {
        std::lock_guard lock(task.mutex());
        task.setStatus(status);
        task.setElapsedTime(elapsed);
        task.counters().BytesDownloaded = bytes;
    }
    QList<QPointF> chartPoints() {
        auto* view = child<QChartView>("chartStatsView");
        auto* series = qobject_cast<QLineSeries*>(view->chart()->series().value(0));
        if (series == nullptr || series->objectName() != QLatin1String("seriesTransferRate"))
            qFatal("no rate series");
        return series->points();
    }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_form = std::make_unique<TFormStatus>(m_home->engine());
    }
    void cleanup() {
        m_form.reset();
        m_home.reset();
    }

    void startsWithItsInitialTexts() {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Status"));
        QCOMPARE(text("lblTaskName"), QStringLiteral("Quarlo 3.0"));
        QCOMPARE(text("lblPagesBar"), QStringLiteral("0%"));
        QCOMPARE(text("lblTime"), QStringLiteral("00 00 00"));
        QCOMPARE(text("lblKbytessec"), QStringLiteral("0.0"));
        QCOMPARE(text("lblStatus"), QStringLiteral("Ready"));
        QVERIFY(child<QProgressBar>("ProgressBar")->isHidden());
        QVERIFY(!child<QToolButton>("btnRun")->isEnabled());
        QCOMPARE(child<QToolButton>("btnRun")->toolTip(), QStringLiteral("Run Task"));
        QVERIFY(!child<QToolButton>("btnStop")->icon().pixmap(16, 16).isNull());
    }

    void attachShowsCountersAndClearEmptiesThem() {
        TQLTask& task = makeCurrentTask();
        {
            std::lock_guard lock(task.mutex());
            TaskCounters& c = task.counters();
            c.PagesSaved = 12;
            c.PageErrors = 3;
            c.PagesFound = 40;
            c.ResourcesFound = 10;
            c.ResourcesSaved = 5;
            c.BytesDownloaded = 3 * 1024 * 1024;
            // 26 hours 3 minutes: the whole day is dropped from the time shown.
            task.setElapsedTime(1.0 + (2 * 3600 + 3 * 60) * kSecond);
        }
        m_form->attach();
        auto* pages = child<QProgressBar>("GaugePages");
        QCOMPARE(pages->value(), 15);
        QCOMPARE(pages->maximum(), 40);
        QCOMPARE(text("lblPagesBar"), QStringLiteral("12/40 -> 37%"));
        QCOMPARE(text("lblResBar"), QStringLiteral("5/10 -> 50%"));
        QCOMPARE(text("lblErrorsBar"), QStringLiteral("3/50 -> 6%"));
        QCOMPARE(text("lblTime"), QStringLiteral("2: 03: 00"));
        QCOMPARE(text("lblKbytes"), QStringLiteral("3072.0"));
        QCOMPARE(text("lblKbytessec"), QStringLiteral("0.4")); // 3072 KB over 7380 s
        QCOMPARE(text("lblTaskName"), QStringLiteral("Status Demo"));
        QVERIFY(child<QToolButton>("btnRun")->isEnabled());

        QSignalSpy stops(m_form.get(), &TFormStatus::stopRequested);
        QTest::mouseClick(child<QToolButton>("btnStop"), Qt::LeftButton);
        QCOMPARE(stops.count(), 1);

        m_form->clear();
        QCOMPARE(text("lblTaskName"), QString());
        QVERIFY(!child<QToolButton>("btnStop")->isEnabled());
        QCOMPARE(pages->value(), 0);
        QCOMPARE(text("lblTime"), QStringLiteral("00: 00: 00"));
        QCOMPARE(text("lblKbytes"), QStringLiteral("0.0"));
    }

    void statusLineShowsAndHidesTheBar() {
        TQLTask& task = makeCurrentTask();
        m_form->attach();
        auto& hooks = m_home->engine().hooks();
        auto* bar = child<QProgressBar>("ProgressBar");

        hooks.setStatusLine("Loading 40 Tasks...", 25);
        hooks.flush();
        QCOMPARE(text("lblStatus"), QStringLiteral("Loading 40 Tasks..."));
        QVERIFY(!bar->isHidden());
        QCOMPARE(bar->value(), 25);

        hooks.setStatusLine("Download stopped", -1);
        hooks.flush();
        QCOMPARE(text("lblStatus"), QStringLiteral("Download stopped"));
        QVERIFY(bar->isHidden());

        // The queue opening reports through the task; its last step clears the line.
        const auto report = [&](std::int64_t at, std::int64_t of) {
            std::lock_guard lock(task.mutex());
            task.onTaskProgress()("Opening task....", at, of);
        };
        report(1, 199);
        hooks.flush();
        QCOMPARE(text("lblStatus"), QStringLiteral("Opening task...."));
        QVERIFY(!bar->isHidden());
        report(199, 199);
        hooks.flush();
        QCOMPARE(text("lblStatus"), QString());
        QVERIFY(bar->isHidden());

        // A counter change refreshes the gauges.
        {
            std::lock_guard lock(task.mutex());
            task.counters().PagesFound = 4;
            task.counters().PagesSaved = 1;
            task.onTaskProgress()("", 0, 0);
        }
        hooks.flush();
        QCOMPARE(text("lblPagesBar"), QStringLiteral("1/4 -> 25%"));
    }

    // A hovered link shows over the line for as long as the pointer stays on it; leaving it
    // gives back the run's last message rather than an empty line.
    void aPassingTextGivesTheLastMessageBack() {
        auto& hooks = m_home->engine().hooks();
        auto* bar = child<QProgressBar>("ProgressBar");
        hooks.setStatusLine("Download completed (Status Demo)", -1);
        hooks.flush();
        m_form->showPassingText(QStringLiteral("http://127.0.0.1/a.html"));
        QCOMPARE(text("lblStatus"), QStringLiteral("http://127.0.0.1/a.html"));
        m_form->showPassingText({});
        QCOMPARE(text("lblStatus"), QStringLiteral("Download completed (Status Demo)"));
        QCOMPARE(child<QLabel>("lblStatus")->toolTip(),
                 QStringLiteral("Download completed (Status Demo)"));

        // A message arriving while a link is hovered is the one given back; the bar stays.
        hooks.setStatusLine("Loading 40 Tasks...", 25);
        hooks.flush();
        m_form->showPassingText(QStringLiteral("http://127.0.0.1/b.html"));
        hooks.setStatusLine("Loading 40 Tasks...", 50);
        hooks.flush();
        m_form->showPassingText({});
        QCOMPARE(text("lblStatus"), QStringLiteral("Loading 40 Tasks..."));
        QVERIFY(!bar->isHidden());
        QCOMPARE(bar->value(), 50);
    }

    void chartTakesOnePointPerSecondOnlyWhileRunning() {
        TQLTask& task = makeCurrentTask();
        m_form->attach();
        setRun(task, TaskStatus::Downloading, 0, 0);
        m_form->refresh();
        QVERIFY(chartPoints().isEmpty()); // no second elapsed yet

        setRun(task, TaskStatus::Downloading, 4 * kSecond, 40 * 1024);
        m_form->refresh();
        m_form->refresh();
        setRun(task, TaskStatus::Downloading, 4.3 * kSecond, 50 * 1024);
        m_form->refresh();
        QCOMPARE(chartPoints(), (QList<QPointF>{{4, 10}}));

        setRun(task, TaskStatus::DownloadComplete, 8 * kSecond, 120 * 1024);
        m_form->refresh();
        QCOMPARE(chartPoints(), (QList<QPointF>{{4, 10}, {8, 15}}));

        setRun(task, TaskStatus::DownloadStopped, 20 * kSecond, 400 * 1024);
        m_form->refresh();
        QCOMPARE(chartPoints().size(), 2);
        QCOMPARE(text("lblKbytessec"), QStringLiteral("20.0"));

        m_form->clear();
        QVERIFY(chartPoints().isEmpty());
    }
};

QTEST_MAIN(StatusWindowTest)
#include "status_window_test.moc"
