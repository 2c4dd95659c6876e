#pragma once

#include "reports/TaskList.h"
#include "reports/TaskSelection.h"

#include <QDateTime>
#include <QList>
#include <QPersistentModelIndex>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QTimer;

namespace quarlo {
class TQLTask;
}

namespace quarlo::shell {

class ShellCommands;
class ShellEngine;
class TaskTreeView;

// The task manager ("Tasks"): the Tasks folder as a tree of categories and task files that
// follows the disk. Showing an item writes its export and asks the main window's browser for
// the matching skin page. The pop-up menu's commands each load the selected task afresh.
class TFormScheduler : public QWidget {
    Q_OBJECT
public:
    TFormScheduler(ShellEngine& engine, ShellCommands& commands, QWidget* parent = nullptr);
    ~TFormScheduler() override;

    // Loads the task file and opens the editor on it ("Add a Task"); the file's node is
    // selected when the editor wrote it.
    void addTaskFromFile(const QString& qlt);
    // Selects the path once the tree has read the folders down to it.
    void showPath(const QString& path);
    void selectPath(const QString& path);
    // The selected item's path (a folder without a trailing "/"), or empty.
    QString selectedPath() const;
    bool selectedIsFile() const;

    // The pop-up menu popTask; the main window may show it as its Task menu. Its enabling is
    // worked out whenever it opens (updateActions).
    QMenu* taskMenu() const { return m_popTask; }
    // The actions of alTasks, named as objects ("actTasksRun", ...).
    QList<QAction*> taskActions() const { return m_actions; }
    QAction* taskAction(const QString& name) const;
    // The enabling and the schedule caption for the selected item.
    void updateActions();

    // The show step as a mouse press on the selected item runs it.
    void showSelected();
    // What a double click on a task file does: its local copy in the embedded browser.
    void browseSelectedInBrowser();

    TaskTreeView* tree() const { return m_tvTasks; }

    // Writes the shown task's details again when its status, counters or schedule changed
    // since they were last written; the browser follows when it shows the details page. Runs
    // every second and at the start and end of each run.
    void followShownTask();

private:
    QAction* addAction(QMenu* menu, const char* name, const QString& caption);
    void buildMenu();
    void onCurrentChanged(const QModelIndex& current);
    void onPressed(const QModelIndex& index);
    void onRenamed(const QString& folder, const QString& newName);
    void setPending(const QString& path, bool edit, bool step);
    bool trySelectPending();
    TaskTreeItem itemOf(const QModelIndex& index) const;
    TaskTreeItem selectedItem() const;
    void runSelectionStep();
    void showItem(const TaskTreeItem& item);
    void exportList(const std::string& category);
    void exportDetails(const std::string& taskFile);
    // The details row of the task in the file: read from the current task under its lock when
    // it is that task (its run changes it), else from the file; nothing for a file that is gone.
    std::optional<ExportRow> detailsRow(const std::string& taskFile) const;
    // Writes the row's export and follows the task; its page, or nothing when writing failed
    // (the user is told, and the task is no longer followed).
    std::optional<QString> writeDetails(const std::string& taskFile, ExportRow row);
    std::unique_ptr<TQLTask> loadSelectedTask() const;

    // The commands of the menu (TFormSchedulerCommands.cpp).
    void runSelected();
    void runTask(TQLTask& task);
    void scheduleSelected();
    void newCategory();
    void deleteSelected();
    enum class BrowseWhere { DefaultProgram, Online, EmbeddedBrowser };
    void browseSelected(BrowseWhere where);
    void showReport(ReportPage page);
    void createReportsForSelected();
    bool prepareReportFiles(TQLTask& task);
    void exploreSelected();
    void editSelected();

    ShellEngine& m_engine;
    ShellCommands& m_commands;
    TaskTreeView* m_tvTasks = nullptr;
    QMenu* m_popTask = nullptr;
    QList<QAction*> m_actions;

    QTimer* m_retry = nullptr; // looks for the pending path again
    int m_retries = 0;
    QString m_pendingPath;               // selected once the model has it
    bool m_pendingEdit = false;          // ... and put into name editing
    bool m_pendingStep = false;          // ... and the selection step runs
    QPersistentModelIndex m_beforePress; // the current item when a mouse press began
    bool m_exporting = false;
    std::unique_ptr<TaskTreeItem> m_deferredShow; // asked for while an export ran

    QTimer* m_follow = nullptr; // followShownTask once a second
    std::string m_followed;     // the task file whose details were written last
    ExportRow m_followedRow;    // ... and what they said
    QDateTime m_followedStamp;  // ... and when its file changed
    qint64 m_followedSize = -1;
};

} // namespace quarlo::shell
