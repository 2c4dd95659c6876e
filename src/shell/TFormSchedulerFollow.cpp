// The task manager's details page follows its task: written again when the task changes,
// by its run or by any command that saves its file.

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "shell/Prompts.h"
#include "shell/ShellCommands.h"
#include "shell/ShellEngine.h"
#include "shell/TFormScheduler.h"
#include "shell/UiTaskLock.h"

#include <QFileInfo>

namespace quarlo::shell {

std::optional<ExportRow> TFormScheduler::detailsRow(const std::string& taskFile) const {
    TQLApp& app = m_engine.app();
    if (TQLTask* current = app.currentTask(); current && current->filePath() == taskFile) {
        UiTaskLock lock(current->mutex());
        return taskDetailsRow(*current);
    }
    if (!QFileInfo::exists(QString::fromStdString(taskFile)))
        return std::nullopt;
    return taskDetailsRow(*TQLTask::loadFromFile(app, taskFile));
}

std::optional<QString> TFormScheduler::writeDetails(const std::string& taskFile, ExportRow row) {
    auto written = writeTaskDetails(m_engine.app(), row);
    if (!written) {
        // Said once: the page stops following until the task is shown again.
        m_followed.clear();
        Prompts::error(this, QString::fromStdString(written.message()));
        return std::nullopt;
    }
    m_followed = taskFile;
    m_followedRow = std::move(row);
    return QString::fromStdString(written->pageUrl);
}

void TFormScheduler::exportDetails(const std::string& taskFile) {
    const QFileInfo file(QString::fromStdString(taskFile));
    m_followedStamp = file.lastModified();
    m_followedSize = file.size();
    std::optional<ExportRow> row = detailsRow(taskFile);
    if (!row)
        row = taskDetailsRow(*TQLTask::loadFromFile(m_engine.app(), taskFile));
    if (const std::optional<QString> page = writeDetails(taskFile, std::move(*row)))
        m_commands.showInBrowser(*page, true);
}

void TFormScheduler::followShownTask() {
    if (m_followed.empty() || m_exporting)
        return;
    const TQLTask* current = m_engine.app().currentTask();
    if (current == nullptr || current->filePath() != m_followed) {
        // Another task changes only through its file: read it only when that changed.
        const QFileInfo file(QString::fromStdString(m_followed));
        if (file.lastModified() == m_followedStamp && file.size() == m_followedSize)
            return;
        m_followedStamp = file.lastModified();
        m_followedSize = file.size();
    }
    std::optional<ExportRow> row = detailsRow(m_followed);
    if (!row) {
        m_followed.clear(); // the task file is gone
        return;
    }
    if (*row == m_followedRow)
        return;
    if (const std::optional<QString> page = writeDetails(m_followed, std::move(*row)))
        m_commands.refreshInBrowser(*page);
}

} // namespace quarlo::shell
