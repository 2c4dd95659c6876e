#pragma once

#include <cstdint>
#include <optional>

namespace quarlo {

// Task statuses. The task file keeps them as the numbers given here ("Status" key).
enum class TaskStatus : int {
    Unscheduled = 0,
    Scheduled = 1,
    Downloading = 2,
    DownloadStopped = 3,
    Incomplete = 4,
    DownloadComplete = 5,
    Zipped = 6,
    TaskComplete = 7,
    Deleted = 8,
};

// Run methods: how the next run starts. The task file keeps them as the numbers given here
// ("Run Method" key).
enum class RunMethod : int {
    Restart = 0,
    Resume = 1,
    SmartUpdate = 2,
    SmartRecovery = 3,
    Map = 4, // the first run of a map task
};

// A status read from a task file. Any number is kept as it stands, so that a file written by
// a later version keeps its status through a load and a save; one outside the list above
// counts as unknown (see isKnownStatus) and matches none of the named statuses.
TaskStatus taskStatusFromIniValue(std::int32_t value);
std::int32_t toIniValue(TaskStatus status);
bool isKnownStatus(TaskStatus status);

// A run method read from a task file; nothing for a number outside the list (the loader then
// takes Restart and notes the key as unreadable).
std::optional<RunMethod> runMethodFromIniValue(std::int64_t value);
std::int32_t toIniValue(RunMethod method);

} // namespace quarlo
