#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;
class QFrame;

class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

namespace quarlo {
class TQLTask;
} // namespace quarlo

namespace quarlo::shell {

class ShellEngine;

// The status window: the current task's counters, elapsed time, volume and average rate
// with its curve, a status line with an optional progress bar, and the task's Run and Stop
// buttons. It only reads the engine; the buttons are reported through signals.
class TFormStatus : public QWidget {
    Q_OBJECT
public:
    explicit TFormStatus(ShellEngine& engine, QWidget* parent = nullptr);
    ~TFormStatus() override;

    // Called whenever the application's current task changes: clears the window and, when
    // there is a current task, enables the buttons, shows its name, refreshes and routes the
    // task's progress reports here.
    void attach();
    void clear();
    // Counters, gauges, time, volume and rate of the current task; adds a rate point while
    // its run is in progress.
    void refresh();
    // The status line; progress 0..99 shows the bar at that position, anything else hides it.
    void showStatusLine(const QString& text, int progress);
    // A passing text (a hovered link) shown over the status line; an empty one gives the line
    // back its last message.
    void showPassingText(const QString& text);
    // Reloads the Run and Stop pictures from the current skin.
    void applySkin();

signals:
    void runRequested();
    void stopRequested();

private:
    void buildControls();
    QWidget* buildHeader();
    QWidget* buildGauges();
    QWidget* buildFigures();
    QWidget* buildChart(QWidget* parent);
    QWidget* buildStatusPanel();
    void onStatusLine(const QString& text, int progress);
    void setLineText(const QString& text);
    void resetChart();
    void addChartPoint(long long seconds, double kilobytesPerSecond);

    ShellEngine& m_engine;
    QLabel* m_taskName = nullptr;
    QToolButton* m_run = nullptr;
    QToolButton* m_stop = nullptr;
    QProgressBar* m_gaugePages = nullptr;
    QProgressBar* m_gaugeRes = nullptr;
    QProgressBar* m_gaugeErrors = nullptr;
    QLabel* m_pagesBar = nullptr;
    QLabel* m_resBar = nullptr;
    QLabel* m_errorsBar = nullptr;
    QLabel* m_time = nullptr;
    QLabel* m_kbytes = nullptr;
    QLabel* m_kbytesSec = nullptr;
    QChart* m_chart = nullptr;
    QLineSeries* m_series = nullptr;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    QFrame* m_panel = nullptr;
    QLabel* m_status = nullptr;
    QString m_message; // the status line's last message, shown again when a passing text ends
    QProgressBar* m_progress = nullptr;
    long long m_lastChartSecond = -1; // the latest point's x, -1 while the chart is empty
    double m_chartPeak = 0;
};

} // namespace quarlo::shell
