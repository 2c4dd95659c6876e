#pragma once

#include "platform/Result.h"

#include <functional>
#include <string>
#include <vector>

namespace quarlo {

class TQLApp;
class TQLProfile;
class TQLTask;

// The task lists the task manager shows: "temp/tasks.txt" (every task of a category) and
// "temp/task_details.txt" (one task with its profile) in the export folder, lines ending with
// CR LF. The first value of a task line is bare and the others are double-quoted, with nothing
// escaped inside them: a title holding a quote or a comma reads back wrong, which is why each
// file has a script beside it ("tasks.js", "task_details.js") that defines the same rows
// as properly escaped JSON for the skin pages.

using ExportRow = std::vector<std::string>;

// Column names of the task line (13) and of the profile part with "Aggressive Parser" (6).
const std::vector<std::string>& taskLineHeader();
const std::vector<std::string>& profilePartHeader();

// The 13 values of a task's line, unquoted.
ExportRow taskLineValues(const TQLTask& task);
// The profile part's five values followed by the aggressive-parsing code.
ExportRow profilePartValues(const TQLProfile& profile);

// Values joined with commas: the first bare, the others in double quotes.
std::string taskLineText(const ExportRow& values);
// Every value in double quotes, joined with commas.
std::string quotedLineText(const ExportRow& values);

// "Last Run"/"Next Run" as the list shows them: short date "MM/d/yy", a blank and the time;
// empty when the value is not greater than zero.
std::string listDateText(double value);

struct TaskListExport {
    std::string textFile;   // temp/tasks.txt or temp/task_details.txt
    std::string scriptFile; // the script beside it
    std::string pageUrl;    // the skin page to show, with the script in its query
    std::vector<std::string> header;
    std::vector<ExportRow> rows;
    std::vector<std::string> problems; // tasks whose status could not be saved, ...
};

// Called before each task of a category is loaded: 1-based position and count. The desktop
// program lets pending window messages run here.
using ExportProgress = std::function<void(int position, int count)>;

// Lists every "*.qlt" of the category (a path relative to the Tasks folder) in file-name
// order. A task in status 3 or 5 is first set to 4 and saved, unless the instance holding the
// data folder is downloading it (its run owns the file). Shows "Loading N Tasks..." with the
// progress and then "N Tasks" on the status line.
Result<TaskListExport> exportTaskList(TQLApp& app, const std::string& category,
                                      const ExportProgress& progress = {});

// The details of the task in the file: the task line and its profile part.
Result<TaskListExport> exportTaskDetails(TQLApp& app, const std::string& taskFile);
// The same in two steps, so that a window can read a running task under its lock and write
// the export after letting it go: the details row (task line and profile part), and the
// export of such a row.
ExportRow taskDetailsRow(const TQLTask& task);
Result<TaskListExport> writeTaskDetails(TQLApp& app, ExportRow row);

} // namespace quarlo
