#pragma once

#include "engine/InterruptedWrites.h"
#include "model/TaskQueue.h"
#include "platform/Result.h"

#include <cstddef>
#include <string>

namespace quarlo {

class TQLTask;

// The queue side of starting a run. Each function takes task.mutex() itself.

// Resets the run state (queue, URL index, zip list and counters emptied), then: "Last Run"
// and the start time now, elapsed time 0, the counters handed out and ChangesSinceSave 0,
// and the start items queued (added, then stored): the start URL, or for a list task each
// URL of the list in order (a URL that differs only in the letter case of its scheme and
// host from one queued before is queued once). Start items are at level 0 in status 0, mode 1, or
// mode 2 for a map task (whose run method then goes back to Restart). The start directory becomes
// that of the start URL (the first URL of a list). Fails, with the queue left empty, when the task
// has neither a start URL nor a URL in its list.
Status beginFreshRun(TQLTask& task);

// Every entry in status Downloading or Updating goes back to None with the message
// "Transfer Incomplete", so that it is fetched again. Returns how many were put back.
std::size_t putBackFetchingItems(TQLTask& task);

// SmartUpdate: every entry in a saved status (5 or more) goes to status 0 in mode 3 with its
// message cleared; SmartRecovery: every entry in status Error goes to status 0 with size 0
// and its message cleared. Both change the status through SetStatus, so that the counters
// follow, walk every entry, and then save the queue. They return how many were changed.
Result<std::size_t> prepareSmartUpdate(TQLTask& task);
Result<std::size_t> prepareSmartRecovery(TQLTask& task);

// Why the run copied nothing: when none of the start items was fetched and saved and the
// first of them failed, that item's message ("12007: [12007] Internet Name Not Resolved.");
// empty otherwise.
std::string startPageFailure(TQLTask& task);

// What the queue side of starting a run did.
struct RunPreparation {
    bool fresh = false;            // a fresh run (Restart or map) rather than a resumed one
    QueueLoadReport load;          // what opening the queue found (resumed runs)
    std::size_t putBack = 0;       // entries put back from Downloading/Updating
    std::size_t prepared = 0;      // entries changed by SmartUpdate/SmartRecovery
    InterruptedWrites interrupted; // what a killed run left half done (resumed runs)
};

// By the task's run method: Restart and map begin a fresh run. Resume, SmartUpdate and
// SmartRecovery open the queue (unless keepQueue: the task is the current task and keeps
// the queue it has in memory, when it has one), begin a resumed run with every entry's
// attempts back at 0, put back what was being fetched, finish what a killed run left half
// done, then prepare SmartUpdate or SmartRecovery. A queue file that cannot be saved while
// preparing is noted as the task's output failure (the run then ends "Incomplete").
Result<RunPreparation> prepareRunQueue(TQLTask& task, bool keepQueue);

} // namespace quarlo
