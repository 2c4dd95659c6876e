#include "shell/TFormStatus.h"

#include "engine/StatusFigures.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "shell/ShellEngine.h"
#include "shell/ShellHooks.h"
#include "shell/UiTaskLock.h"

#include <QChart>
#include <QChartView>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QProgressBar>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <climits>

namespace quarlo::shell {

namespace {

constexpr int kBarGap = 20;        // between the status text and the progress bar
constexpr int kBarRightInset = 30; // between the progress bar and the panel's right edge
constexpr QSize kScrollMinimum(120, 24);

QLabel* namedLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QProgressBar* gauge(const QString& name, QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setTextVisible(false);
    bar->setRange(0, 1);
    bar->setValue(0);
    return bar;
}

int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX));
}

// A maximum of 0 would turn the bar into a busy indicator; an empty range shows empty.
void setGauge(QProgressBar* bar, std::int64_t progress, std::int64_t maximum) {
    const int top = std::max(1, clampToInt(maximum));
    bar->setRange(0, top);
    bar->setValue(std::min(top, clampToInt(progress)));
}

} // namespace

TFormStatus::TFormStatus(ShellEngine& engine, QWidget* parent) : QWidget(parent), m_engine(engine) {
    setObjectName(QStringLiteral("TFormStatus"));
    setWindowTitle(QStringLiteral("Status"));
    buildControls();
    applySkin();
    connect(&engine.hooks(), &ShellHooks::countersChanged, this, &TFormStatus::refresh);
    connect(&engine.hooks(), &ShellHooks::statusLineChanged, this, &TFormStatus::onStatusLine);
    // A fresh run starts its elapsed time at 0 again: its curve starts afresh too.
    connect(&engine, &ShellEngine::runStarted, this, &TFormStatus::resetChart);
}

// The task may outlive this window: its progress reports reach the application's hooks
// only, so nothing needs unhooking here.
TFormStatus::~TFormStatus() = default;

void TFormStatus::buildControls() {
    // The figures on the left, the rate chart beside them, the status line below both: the
    // window stays low enough for the bottom of the main window.
    auto* figures = new QVBoxLayout;
    figures->addWidget(buildHeader());
    figures->addWidget(buildGauges());
    figures->addWidget(buildFigures());
    figures->addStretch(1);
    // They scroll in a low window; the status line stays in sight below them.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("statusScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setMinimumSize(kScrollMinimum);
    auto* content = new QWidget(scroll);
    auto* top = new QHBoxLayout(content);
    top->addLayout(figures, 3);
    top->addWidget(buildChart(content), 2);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(scroll, 1);
    layout->addWidget(buildStatusPanel());
}

QWidget* TFormStatus::buildHeader() {
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    m_taskName = namedLabel(QStringLiteral("lblTaskName"), QStringLiteral("Quarlo 3.0"), header);
    QFont bold = m_taskName->font();
    bold.setBold(true);
    m_taskName->setFont(bold);
    m_run = new QToolButton(header);
    m_run->setObjectName(QStringLiteral("btnRun"));
    m_run->setToolTip(QStringLiteral("Run Task"));
    m_stop = new QToolButton(header);
    m_stop->setObjectName(QStringLiteral("btnStop"));
    m_stop->setToolTip(QStringLiteral("Stop Task"));
    m_run->setEnabled(false);
    m_stop->setEnabled(false);
    connect(m_run, &QToolButton::clicked, this, &TFormStatus::runRequested);
    connect(m_stop, &QToolButton::clicked, this, &TFormStatus::stopRequested);
    row->addWidget(m_taskName, 1);
    row->addWidget(m_run);
    row->addWidget(m_stop);
    return header;
}

QWidget* TFormStatus::buildGauges() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    m_gaugePages = gauge(QStringLiteral("GaugePages"), box);
    m_gaugeRes = gauge(QStringLiteral("GaugeRes"), box);
    m_gaugeErrors = gauge(QStringLiteral("GaugeErrors"), box);
    m_pagesBar = namedLabel(QStringLiteral("lblPagesBar"), QStringLiteral("0%"), box);
    m_resBar = namedLabel(QStringLiteral("lblResBar"), QStringLiteral("0%"), box);
    m_errorsBar = namedLabel(QStringLiteral("lblErrorsBar"), QStringLiteral("0%"), box);
    const struct {
        const char* caption;
        QProgressBar* bar;
        QLabel* label;
    } rows[] = {{"Pages:", m_gaugePages, m_pagesBar},
                {"Media Files:", m_gaugeRes, m_resBar},
                {"Errors:", m_gaugeErrors, m_errorsBar}};
    int line = 0;
    for (const auto& r : rows) {
        grid->addWidget(new QLabel(QString::fromLatin1(r.caption), box), line, 0);
        grid->addWidget(r.bar, line, 1);
        grid->addWidget(r.label, line, 2);
        ++line;
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QWidget* TFormStatus::buildFigures() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    m_time = namedLabel(QStringLiteral("lblTime"), QStringLiteral("00 00 00"), box);
    m_kbytes = namedLabel(QStringLiteral("lblKbytes"), QStringLiteral("0.0"), box);
    m_kbytesSec = namedLabel(QStringLiteral("lblKbytessec"), QStringLiteral("0.0"), box);
    row->addWidget(new QLabel(QStringLiteral("Time:"), box));
    row->addWidget(m_time);
    row->addStretch(1);
    row->addWidget(m_kbytes);
    row->addWidget(new QLabel(QStringLiteral("KB"), box));
    row->addStretch(1);
    row->addWidget(m_kbytesSec);
    row->addWidget(new QLabel(QStringLiteral("KB/sec"), box));
    return box;
}

QWidget* TFormStatus::buildChart(QWidget* parent) {
    m_chart = new QChart;
    m_chart->setObjectName(QStringLiteral("chartStats"));
    m_chart->legend()->hide();
    m_series = new QLineSeries;
    m_series->setObjectName(QStringLiteral("seriesTransferRate"));
    m_series->setName(QStringLiteral("Transfer Rate"));
    m_chart->addSeries(m_series);
    m_chart->setTitle(QStringLiteral("Transfer Rate"));
    m_axisX = new QValueAxis;
    m_axisX->setTitleText(QStringLiteral("Time (secs)"));
    m_axisX->setLabelFormat(QStringLiteral("%d"));
    m_axisY = new QValueAxis;
    m_axisY->setTitleText(QStringLiteral("( KB/sec )"));
    m_chart->addAxis(m_axisX, Qt::AlignBottom);
    m_chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisX);
    m_series->attachAxis(m_axisY);
    resetChart();
    // A gradient only where the screen can show one.
    if (depth() > 8) {
        QLinearGradient shade(0, 0, 0, 1);
        shade.setCoordinateMode(QGradient::ObjectBoundingMode);
        shade.setColorAt(0, QColor(255, 255, 255));
        shade.setColorAt(1, QColor(214, 226, 240));
        m_chart->setBackgroundBrush(shade);
    }
    auto* view = new QChartView(m_chart, parent);
    view->setObjectName(QStringLiteral("chartStatsView"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(220, 160);
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    return view;
}

QWidget* TFormStatus::buildStatusPanel() {
    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel3"));
    m_panel->setFrameShape(QFrame::StyledPanel);
    auto* row = new QHBoxLayout(m_panel);
    row->setContentsMargins(4, 2, kBarRightInset, 2);
    m_status = namedLabel(QStringLiteral("lblStatus"), QStringLiteral("Ready"), m_panel);
    // A long line (an address) is cut at the panel's edge instead of widening the window.
    m_status->setMinimumWidth(40);
    m_progress = new QProgressBar(m_panel);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->hide();
    row->addWidget(m_status);
    row->addSpacing(kBarGap);
    row->addWidget(m_progress, 1);
    return m_panel;
}

void TFormStatus::attach() {
    clear();
    TQLTask* task = m_engine.app().currentTask();
    if (task == nullptr)
        return;
    m_run->setEnabled(true);
    m_stop->setEnabled(true);
    m_taskName->setText(QString::fromStdString(task->taskName()));
    refresh();
    // Called on worker threads under the task's lock: it only passes the report on to the
    // application's hooks, which deliver it here on the GUI thread.
    TQLApp* app = &m_engine.app();
    auto progress = [app](const std::string& message, std::int64_t position, std::int64_t maximum) {
        if (message.empty())
            app->hooks().refreshCounters();
        else if (position >= maximum)
            app->hooks().setStatusLine({}, -1);
        else
            app->hooks().setStatusLine(
                message, maximum > 0 ? static_cast<int>(position * 100 / maximum) : 0);
    };
    UiTaskLock lock(task->mutex());
    task->setOnTaskProgress(progress);
}

void TFormStatus::clear() {
    m_taskName->clear();
    m_run->setEnabled(false);
    m_stop->setEnabled(false);
    resetChart();
    for (QProgressBar* bar : {m_gaugePages, m_gaugeRes, m_gaugeErrors})
        setGauge(bar, 0, 0);
    m_time->setText(QStringLiteral("00: 00: 00"));
    m_kbytes->setText(QStringLiteral("0.0"));
    m_kbytesSec->setText(QStringLiteral("0.0"));
}

void TFormStatus::refresh() {
    TQLTask* task = m_engine.app().currentTask();
    if (task == nullptr)
        return;
    TaskCounters c;
    DateTime elapsed = 0;
    bool running = false;
    {
        UiTaskLock lock(task->mutex());
        c = task->counters();
        elapsed = task->elapsedTime();
        running = task->isRunning();
    }
    const StatusFigures f = computeStatusFigures(c, elapsed);
    setGauge(m_gaugePages, c.PagesSaved + c.PageErrors, c.PagesFound);
    setGauge(m_gaugeRes, c.ResourcesSaved + c.ResourceErrors, c.ResourcesFound);
    setGauge(m_gaugeErrors, c.PageErrors + c.ResourceErrors, c.PagesFound + c.ResourcesFound);
    m_pagesBar->setText(QString::fromStdString(f.pagesBar));
    m_resBar->setText(QString::fromStdString(f.mediaBar));
    m_errorsBar->setText(QString::fromStdString(f.errorsBar));
    m_time->setText(QString::fromStdString(f.time));
    m_kbytes->setText(QString::fromStdString(f.kilobytes));
    m_kbytesSec->setText(QString::fromStdString(f.rate));
    if (f.seconds > 0 && running)
        addChartPoint(f.seconds, f.kilobytesPerSecond);
}

void TFormStatus::resetChart() {
    m_series->clear();
    m_lastChartSecond = -1;
    m_chartPeak = 0;
    m_axisX->setRange(0, 10);
    m_axisY->setRange(0, 1);
}

void TFormStatus::addChartPoint(long long seconds, double kilobytesPerSecond) {
    // The curve is sampled at most once per elapsed second.
    if (seconds <= m_lastChartSecond)
        return;
    m_series->append(static_cast<qreal>(seconds), kilobytesPerSecond);
    m_lastChartSecond = seconds;
    m_chartPeak = std::max(m_chartPeak, kilobytesPerSecond);
    m_axisX->setRange(0, static_cast<qreal>(std::max(10LL, seconds)));
    m_axisY->setRange(0, std::max(1.0, m_chartPeak * 1.2));
}

void TFormStatus::showStatusLine(const QString& text, int progress) {
    m_message = text;
    setLineText(text);
    if (progress < 0 || progress >= 100) {
        m_progress->hide();
        return;
    }
    m_progress->setValue(progress);
    m_progress->show();
}

void TFormStatus::onStatusLine(const QString& text, int progress) {
    // An empty line is the end of a progress report: the line is cleared and the counters
    // it was about are shown.
    if (text.isEmpty()) {
        m_message.clear();
        setLineText({});
        m_progress->hide();
        refresh();
        return;
    }
    showStatusLine(text, progress);
}

void TFormStatus::showPassingText(const QString& text) {
    setLineText(text.isEmpty() ? m_message : text);
}

void TFormStatus::setLineText(const QString& text) {
    m_status->setText(text);
    // A long reason is cut at the panel's edge; the tip shows all of it.
    m_status->setToolTip(text);
}

void TFormStatus::applySkin() {
    const TQLApp& app = m_engine.app();
    m_run->setIcon(QIcon(QString::fromStdString(app.skinFile("run.bmp"))));
    m_stop->setIcon(QIcon(QString::fromStdString(app.skinFile("stop.bmp"))));
}

} // namespace quarlo::shell
