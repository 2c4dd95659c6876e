#include "shell/TdlgTaskReport.h"

#include "model/TQLTask.h"
#include "shell/DialogEntryPoints.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"
#include "shell/ShellHooks.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace quarlo::shell {

TdlgTaskReport::TdlgTaskReport(ShellEngine& engine, const TQLTask& task, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_task(task), m_label(new QLabel(this)),
      m_progress(new QProgressBar(this)), m_generate(new QPushButton(tr("Generate"), this)),
      m_cancel(new QPushButton(tr("&Cancel"), this)) {
    setObjectName(QStringLiteral("TdlgTaskReport"));
    setWindowTitle(tr("Task Reports"));
    setWindowFlag(Qt::Tool);
    setModal(true);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_generate->setObjectName(QStringLiteral("Button1"));
    m_cancel->setObjectName(QStringLiteral("Button2"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    // Fixed places: the window is cut to the label and the bar once shown.
    constexpr int width = 380;
    m_label->setGeometry(12, 10, width - 24, 20);
    m_progress->setGeometry(12, 36, width - 24, 22);
    m_generate->setGeometry(width - 196, 96, 88, 28);
    m_cancel->setGeometry(width - 100, 96, 88, 28);
    resize(width, 136);
    const ReportParts buttonParts{true, true, false};
    connect(m_generate, &QPushButton::clicked, this,
            [this, buttonParts] { generate(buttonParts); });
    connect(m_cancel, &QPushButton::clicked, this, [this, buttonParts] { generate(buttonParts); });
}

void TdlgTaskReport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    resize(width(), kShownHeight);
}

void TdlgTaskReport::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (m_started)
        return;
    m_started = true;
    // Written after this paint, so that the window is on the screen while it works.
    QTimer::singleShot(0, this, [this] { generate({}); });
}

void TdlgTaskReport::generate(ReportParts parts) {
    m_started = true;
    if (m_busy)
        return;
    m_busy = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto outcome = writeTaskReports(
        m_task,
        [this](int percent, std::string_view label) {
            m_label->setText(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
            m_progress->setValue(percent);
            emit stepShown(m_label->text(), percent);
            QApplication::processEvents();
        },
        parts);
    QApplication::changeOverrideCursor(Qt::BusyCursor);
    QApplication::processEvents();
    if (!outcome) {
        QApplication::restoreOverrideCursor();
        m_busy = false;
        Prompts::error(this, QString::fromStdString(outcome.message()));
        reject();
        return;
    }
    m_summaryPath = outcome->summaryPath;
    // Shown at once, before whatever the caller shows after the dialog.
    emit m_engine.hooks().browserRequested(QString::fromStdString(m_summaryPath));
    QApplication::restoreOverrideCursor();
    m_busy = false;
    accept();
}

bool createReports(QWidget* parent, ShellEngine& engine, const TQLTask& task) {
    TdlgTaskReport dialog(engine, task, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace quarlo::shell
