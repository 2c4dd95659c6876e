#pragma once

#include "reports/TaskReport.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quarlo {
class TQLTask;
}

namespace quarlo::shell {

class ShellEngine;

// "Task Reports": writes a task's summary and index pages once it is first painted, with
// the part being written and the progress of the index pages on show, then shows the
// summary in the embedded browser and closes itself. Only the label and the progress bar
// fit in its height; the buttons below them write the summary and the page index again.
class TdlgTaskReport : public QDialog {
    Q_OBJECT
public:
    static constexpr int kShownHeight = 80;

    TdlgTaskReport(ShellEngine& engine, const TQLTask& task, QWidget* parent = nullptr);

    QLabel* label() const { return m_label; }
    QProgressBar* progressBar() const { return m_progress; }
    // Writes the given parts, shows the summary and closes with OK; an error box and
    // Cancel when they cannot be written.
    void generate(ReportParts parts);
    const std::string& summaryPath() const { return m_summaryPath; }

signals:
    // The label and the bar were just updated (once per part and per index page).
    void stepShown(const QString& label, int percent);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ShellEngine& m_engine;
    const TQLTask& m_task;
    QLabel* m_label;
    QProgressBar* m_progress;
    QPushButton* m_generate;
    QPushButton* m_cancel;
    bool m_started = false;
    bool m_busy = false;
    std::string m_summaryPath;
};

} // namespace quarlo::shell
