#include "shell/DialogEntryPoints.h"

#include "model/TQLTask.h"
#include "reports/TaskReport.h"
#include "shell/Prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <filesystem>

namespace quarlo::shell {

namespace {

void notInThisBuild(QWidget* parent, const QString& what) {
    Prompts::information(parent, QObject::tr("%1 is not available in this version of Quarlo; "
                                             "quarlo-cli offers the same settings.")
                                     .arg(what));
}

} // namespace

EditorOutcome editTask(QWidget* parent, ShellEngine&, TQLTask&, EditorCaption) {
    notInThisBuild(parent, QObject::tr("The task editor"));
    return {};
}

std::optional<int> chooseRunMethod(QWidget* parent, TQLTask& task) {
    std::error_code error;
    if (!std::filesystem::exists(task.queueFilePath(), error))
        return RunMethod::Restart;
    QMessageBox box(
        QMessageBox::Question, QApplication::applicationDisplayName(),
        QObject::tr("How should \"%1\" run?").arg(QString::fromStdString(task.taskName())),
        QMessageBox::Cancel, parent);
    const std::pair<QString, int> choices[] = {
        {QObject::tr("Resume"), RunMethod::Resume},
        {QObject::tr("Restart"), RunMethod::Restart},
        {QObject::tr("Update"), RunMethod::SmartUpdate},
        {QObject::tr("Recover errors"), RunMethod::SmartRecovery},
    };
    const bool hasErrors = task.counters().PageErrors + task.counters().ResourceErrors > 0;
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (const auto& [caption, method] : choices) {
        if (method == RunMethod::SmartRecovery && !hasErrors)
            continue;
        buttons.emplace_back(box.addButton(caption, QMessageBox::AcceptRole), method);
    }
    box.exec();
    for (const auto& [button, method] : buttons)
        if (box.clickedButton() == button)
            return method;
    return std::nullopt;
}

bool editSchedule(QWidget* parent, ShellEngine&, TQLTask&) {
    notInThisBuild(parent, QObject::tr("The schedule dialog"));
    return false;
}

bool editPreferences(QWidget* parent, ShellEngine&) {
    notInThisBuild(parent, QObject::tr("The preferences dialog"));
    return false;
}

void openFileZipWizard(QWidget* parent, ShellEngine&, const QStringList&) {
    notInThisBuild(parent, QObject::tr("The file zip wizard"));
}

bool createReports(QWidget* parent, ShellEngine&, const TQLTask& task) {
    QProgressDialog progress(parent);
    progress.setWindowTitle(QObject::tr("Task Report"));
    progress.setCancelButton(nullptr);
    progress.setRange(0, 100);
    progress.setMinimumDuration(0);
    auto outcome = writeTaskReports(task, [&progress](int percent, std::string_view label) {
        progress.setLabelText(
            QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
        progress.setValue(percent);
        QApplication::processEvents();
    });
    progress.close();
    if (!outcome) {
        Prompts::error(parent, QString::fromStdString(outcome.message()));
        return false;
    }
    return true;
}

} // namespace quarlo::shell
