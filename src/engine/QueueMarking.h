#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quarlo {

class TQLTask;

// The explorer's marking commands on a task's queue.
enum class MarkCommand {
    DownloadSelected,    // mode 1 on the selected entries
    DownloadAll,         // mode 1 on every entry
    DownloadAllErrors,   // mode 1 on the entries in status Error
    DownloadAllUnmarked, // mode 1 on the entries in mode 0
    UpdateSelected,      // mode 3 on the selected entries in a status above Saved
    UpdateAll,           // mode 3 on every entry in a status above Saved
    MapSelected,         // mode 2 on the selected pages
    MapAll,              // mode 2 on every page
    UnmarkSelected,      // mode 0 on the selected entries
    UnmarkAll,           // mode 0 on every entry in status None
};

// Marks the entries the command names: each gets the mode, goes to status None through
// SetStatus (so the counters follow), loses its message and is stored. Then "All unmarked"
// and "Unmark All" save the task file, the other commands the queue file and the task file.
// `selected` holds entry numbers (rows); the other commands ignore it. Takes task.mutex()
// itself. Returns how many entries were marked; an entry number beyond the queue fails the
// command before anything is marked.
Result<std::size_t> markEntries(TQLTask& task, MarkCommand command,
                                const std::vector<std::size_t>& selected = {});

// The entry numbers of the URLs (scheme and host compared without regard to case). Fails with
// "Not in the queue: <url>" for the first URL the queue does not hold.
Result<std::vector<std::size_t>> entriesOfURLs(TQLTask& task, const std::vector<std::string>& urls);

// A click on a row's mark: an entry in status None switches between mode 0 and mode 1 and
// is stored. Returns whether it switched.
bool toggleMark(TQLTask& task, std::size_t entry);

} // namespace quarlo
