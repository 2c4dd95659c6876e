#include "reports/TaskMenu.h"

#include "model/TQLTask.h"

namespace quarlo {

TaskMenuState taskMenuState(bool isFile, TaskStatus status) {
    TaskMenuState state;
    state.download = state.run = state.stop = state.schedule = isFile;
    state.browse = state.properties = state.explore = state.reports = isFile;
    state.newCategory = !isFile;
    if (!isFile)
        return state;
    const bool busy = status == TaskStatus::Scheduled || status == TaskStatus::Downloading;
    if (busy)
        state.run = state.deleteItem = state.properties = false;
    state.stop = status == TaskStatus::Downloading;
    state.schedule = status != TaskStatus::Downloading;
    state.scheduleCaption = status == TaskStatus::Scheduled ? kUnscheduleCaption : kScheduleCaption;
    return state;
}

TaskMenuState taskMenuStateFor(TQLApp& app, const std::string& path, bool isFile) {
    if (!isFile)
        return taskMenuState(false, TaskStatus::Unscheduled);
    return taskMenuState(true, TQLTask::loadFromFile(app, path)->status());
}

} // namespace quarlo
