#pragma once

#include "model/TaskStates.h"

#include <string>

namespace quarlo {

class TQLApp;

inline constexpr const char* kScheduleCaption = "Schedu&le...";
inline constexpr const char* kUnscheduleCaption = "&Unschedule";

// Which commands of the task manager's pop-up menu are enabled, worked out each time the
// menu opens from what is selected: a task file (with its status) or a category folder.
struct TaskMenuState {
    bool download = false; // the sub-menus have no command of their own
    bool run = false;
    bool stop = false;
    bool schedule = false;
    bool browse = false;
    bool properties = false;
    bool explore = false;
    bool reports = false;
    bool newItem = true;
    bool newTask = true;
    bool newCategory = false;
    bool deleteItem = true;
    std::string scheduleCaption = kScheduleCaption;

    bool operator==(const TaskMenuState&) const = default;
};

// A task that is scheduled or downloading can be neither run, deleted nor edited; only a
// downloading one can be stopped, and it cannot be (un)scheduled either. The status is
// ignored for a folder.
TaskMenuState taskMenuState(bool isFile, TaskStatus status);
// The same for a selected path: a task file is loaded for its status.
TaskMenuState taskMenuStateFor(TQLApp& app, const std::string& path, bool isFile);

} // namespace quarlo
