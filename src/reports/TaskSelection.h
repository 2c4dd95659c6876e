#pragma once

#include "platform/Result.h"

#include <string>

namespace quarlo {

class TQLTask;

// What the task manager does when it shows an item of its tree: the details export of a task,
// the list export of a category, or nothing (the Tasks folder itself).
enum class ShowKind { Nothing, TaskDetails, TaskList };

// An item of the task manager's tree: its full path (a folder without a trailing "/") and
// whether it is a task file.
struct TaskTreeItem {
    std::string path;
    bool isFile = false;
};

// The outcome of showing an item.
struct ShowPlan {
    // The item is "Last Task" and the browser still shows a task page: nothing happens.
    bool unchanged = false;
    std::string lastTask;
    // The category the item lies in, relative to the Tasks folder; "" for the Tasks folder.
    std::string lastCategory;
    ShowKind kind = ShowKind::Nothing;
};

// A change of selection shows the item only when its path differs, ignoring ASCII case, both
// from "Last Task" and from the Tasks folder followed by "Last Category".
bool selectionChangeShows(const std::string& path, const std::string& lastTask,
                          const std::string& tasksFolder, const std::string& lastCategory);

// The browser's location is one of the task pages (tasks.htm or task_details.htm).
bool showsTaskPage(const std::string& browserLocation);

// The category of an item: the folder part of its path (a folder is its own folder part)
// relative to the Tasks folder (which ends with "/"); "" for the Tasks folder itself. A path
// outside the Tasks folder is kept whole.
std::string categoryOfItem(const TaskTreeItem& item, const std::string& tasksFolder);

// The show step for an item, given the stored "Last Task" and the browser's location.
ShowPlan planShow(const TaskTreeItem& item, const std::string& lastTask,
                  const std::string& browserLocation, const std::string& tasksFolder);

// The report pages the task manager's report commands open.
enum class ReportPage { Summary, PageIndex, ImageIndex };

// The file of a report page and whether it exists (shown) or not (the reports are created).
struct ReportPageChoice {
    std::string path;
    bool exists = false;
};

// Fails when the task's start URL has no host that can name the report folder.
Result<ReportPageChoice> reportPageChoice(const TQLTask& task, ReportPage page);

} // namespace quarlo
