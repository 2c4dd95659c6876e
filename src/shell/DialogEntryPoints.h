#pragma once

#include "model/TaskStates.h"

#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace quarlo {
class TQLTask;
}

namespace quarlo::shell {

class ShellEngine;

// The dialogs the main window and the task manager open. Each is one function, so that the
// windows call the same entry point whatever dialog stands behind it.

// The task editor's three captions: "Edit Task", "Add a Task", "Create New Task".
enum class EditorCaption { EditTask, AddTask, CreateNewTask };
struct EditorOutcome {
    bool accepted = false;  // OK was pressed
    bool wroteFile = false; // the task file was written
};
// The task editor on the task. Until the editor exists the task is left as it is.
EditorOutcome editTask(QWidget* parent, ShellEngine& engine, TQLTask& task, EditorCaption caption);

// The run request's question: the run method for a task that already has a download list
// (its queue file exists), Restart for one that has none; nothing when cancelled.
std::optional<RunMethod> chooseRunMethod(QWidget* parent, TQLTask& task);

// The schedule dialog on the task; true when OK set a schedule (not saved yet).
bool editSchedule(QWidget* parent, ShellEngine& engine, TQLTask& task);

// What the preferences' two "Clear" buttons empty: the main window's recent-URL and
// recent-file lists. Each callback stores its list empty; without one the dialog empties
// the stored list itself.
struct RecentListClearing {
    std::function<void()> urls;
    std::function<void()> files;
};
// The preferences dialog; true on OK.
bool editPreferences(QWidget* parent, ShellEngine& engine, const RecentListClearing& clearing = {});

// The file zip wizard with a list of files (may be empty).
void openFileZipWizard(QWidget* parent, ShellEngine& engine, const QStringList& files);

// The report dialog: writes the task's summary and index pages with a progress display;
// true when they were written.
bool createReports(QWidget* parent, ShellEngine& engine, const TQLTask& task);

} // namespace quarlo::shell
