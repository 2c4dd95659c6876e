#pragma once

#include "model/TaskStates.h"

#include <array>
#include <cstdint>
#include <string>

namespace quarlo {

class TQLTask;
struct TaskCounters;

// The run dialog's summary table: rows Downloaded, Queued, New/Modified, Errors by columns
// Pages, Media, Total. Saved and failed entries are counted apart, so what is still queued
// is what was found less both; a queue whose counters disagree never shows a negative count.
struct RunSummary {
    static constexpr std::array<const char*, 4> kRows = {"Downloaded", "Queued", "New/Modified",
                                                         "Errors"};
    static constexpr std::array<const char*, 3> kColumns = {"Pages", "Media", "Total"};
    enum Row { Downloaded, Queued, NewModified, Errors };

    std::int64_t downloadedPages = 0, downloadedMedia = 0;
    std::int64_t queuedPages = 0, queuedMedia = 0;
    std::int64_t errorPages = 0, errorMedia = 0;

    bool hasErrors() const { return errorPages + errorMedia > 0; }
    // The text of a cell; "New/Modified" stays empty.
    std::string cell(int row, int column) const;
};

RunSummary runSummary(const TaskCounters& counters);

// Everything the run dialog shows for a task, worked out once when it opens.
struct RunDialogModel {
    std::string title;
    RunSummary summary;
    // Why the user is asked: the run stopped early, or finished with or without errors.
    std::string question;
    // SmartRecovery is offered only when the last run left errors.
    bool recoveryAllowed = false;
    RunMethod initialMethod = RunMethod::Restart;
};

// Reads the task's counters under its mutex.
RunDialogModel runDialogModel(const TQLTask& task);

// The four choices in the order of their run-method codes (Restart, Resume, SmartUpdate,
// SmartRecovery) and the explanation shown under them for each.
inline constexpr std::array<const char*, 4> kRunMethodCaptions = {"Restart", "Resume",
                                                                  "SmartUpdate", "SmartRecovery"};
std::string runMethodExplanation(RunMethod method);

// The run dialog's numbered texts: 764 the title's start, 765-767 the questions, 768-771
// the explanations. Empty for a number it does not hold.
std::string runDialogText(int number);

} // namespace quarlo
