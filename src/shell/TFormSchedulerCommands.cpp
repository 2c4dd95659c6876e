#include "shell/TFormScheduler.h"

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "reports/Browse.h"
#include "reports/Categories.h"
#include "reports/ReportArchive.h"
#include "reports/ReportTexts.h"
#include "reports/TaskMenu.h"
#include "schedule/Schedule.h"
#include "shell/DialogEntryPoints.h"
#include "shell/Prompts.h"
#include "shell/ShellCommands.h"
#include "shell/ShellEngine.h"
#include "shell/ShellHooks.h"
#include "shell/TaskTreeView.h"

namespace quarlo::shell {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

void reportFailure(QWidget* parent, const Status& status) {
    if (!status)
        Prompts::error(parent, qs(status.message()));
}

} // namespace

void TFormScheduler::runSelected() {
    auto task = loadSelectedTask();
    // The shortcut reaches here without the menu's enabling: check again.
    if (task && taskMenuState(true, task->status()).run)
        runTask(*task);
}

void TFormScheduler::runTask(TQLTask& task) {
    const std::optional<RunMethod> method = chooseRunMethod(this, task);
    if (method)
        reportFailure(this, task.requestRun(*method));
}

void TFormScheduler::scheduleSelected() {
    auto task = loadSelectedTask();
    if (!task || !taskMenuState(true, task->status()).schedule)
        return;
    if (task->status() == TaskStatus::Scheduled) {
        reportFailure(this, unscheduleTask(*task));
        return;
    }
    if (!editSchedule(this, m_engine, *task))
        return;
    if (Status busy = checkNotBeingDownloaded(*task); !busy) {
        reportFailure(this, busy);
        return;
    }
    task->setStatus(TaskStatus::Scheduled);
    reportFailure(this, task->save());
}

void TFormScheduler::newCategory() {
    const QModelIndex parent = m_tvTasks->currentIndex();
    const TaskTreeItem item = selectedItem();
    if (item.path.empty() || item.isFile)
        return;
    auto made =
        quarlo::newCategory(m_engine.app(), categoryOfItem(item, m_engine.app().tasksFolder()));
    if (!made) {
        Prompts::warning(this, qs(made.message()));
        return;
    }
    m_tvTasks->expand(parent);
    setPending(qs(m_engine.app().tasksFolder() + *made), true, false);
}

void TFormScheduler::deleteSelected() {
    const QModelIndex index = m_tvTasks->currentIndex();
    const TaskTreeItem item = selectedItem();
    if (item.path.empty())
        return;
    TQLApp& app = m_engine.app();
    if (item.isFile && !taskMenuStateFor(app, item.path, true).deleteItem)
        return;
    const std::string question =
        item.isFile ? deleteTaskQuestion()
                    : deleteCategoryQuestion(index.data().toString().toStdString());
    if (!Prompts::askYesNo(this, qs(question)))
        return;
    const bool hadCurrent = app.currentTask() != nullptr;
    const Status deleted = item.isFile
                               ? deleteTask(app, item.path)
                               : deleteCategory(app, categoryOfItem(item, app.tasksFolder()));
    // The core frees a current task that came from what was removed; the windows showing
    // it are told.
    if (hadCurrent && app.currentTask() == nullptr)
        m_commands.forgetCurrentTask();
    reportFailure(this, deleted);
}

void TFormScheduler::browseSelectedInBrowser() {
    browseSelected(BrowseWhere::EmbeddedBrowser);
}

void TFormScheduler::browseSelected(BrowseWhere where) {
    auto task = loadSelectedTask();
    if (!task)
        return;
    if (where == BrowseWhere::Online) {
        ShellHooks::openLocationFor(this, qs(task->url()));
        return;
    }
    auto target = browseTarget(m_engine.app(), *task, &m_engine.zipBrowser());
    if (!target) {
        if (target.message() == kNotRunMessage)
            Prompts::information(this, qs(target.message()));
        else
            Prompts::error(this, qs(target.message()));
        return;
    }
    if (!task->intranetMode())
        m_commands.openZip(qs(task->destination()));
    if (where == BrowseWhere::EmbeddedBrowser)
        m_commands.showInBrowser(qs(*target));
    else
        ShellHooks::openLocationFor(this, qs(*target));
}

bool TFormScheduler::prepareReportFiles(TQLTask& task) {
    if (task.intranetMode())
        return true;
    const Status unpacked = unpackTaskArchive(m_engine.zipBrowser(), task);
    if (unpacked) {
        m_commands.openZip(qs(task.destination()));
        return true;
    }
    if (unpacked.message() != reportText(741)) {
        reportFailure(this, unpacked);
        return false;
    }
    if (Prompts::askYesNo(this, qs(reportText(741))) && taskMenuState(true, task.status()).run)
        runTask(task);
    return false;
}

void TFormScheduler::showReport(ReportPage page) {
    auto task = loadSelectedTask();
    if (!task || !prepareReportFiles(*task))
        return;
    auto choice = reportPageChoice(*task, page);
    if (!choice) {
        reportFailure(this, choice.status());
        return;
    }
    if (choice->exists) {
        m_commands.showInBrowser(qs(choice->path));
        return;
    }
    if (createReports(this, m_engine, *task) && fileExists(choice->path))
        m_commands.showInBrowser(qs(choice->path));
}

void TFormScheduler::createReportsForSelected() {
    auto task = loadSelectedTask();
    if (task && prepareReportFiles(*task))
        createReports(this, m_engine, *task);
}

void TFormScheduler::exploreSelected() {
    const TaskTreeItem item = selectedItem();
    if (item.isFile)
        m_commands.explore(qs(item.path));
}

void TFormScheduler::editSelected() {
    auto task = loadSelectedTask();
    if (!task || !taskMenuState(true, task->status()).properties)
        return;
    if (editTask(this, m_engine, *task, EditorCaption::EditTask).wroteFile)
        selectPath(qs(task->filePath()));
}

void TFormScheduler::addTaskFromFile(const QString& qlt) {
    auto task = TQLTask::loadFromFile(m_engine.app(), qlt.toStdString());
    if (editTask(this, m_engine, *task, EditorCaption::AddTask).wroteFile)
        selectPath(qs(task->filePath()));
}

} // namespace quarlo::shell
