#pragma once

#include "model/ScheduleValues.h"
#include "model/TaskDate.h"
#include "platform/Result.h"

#include <optional>
#include <string>

namespace quarlo {

class TQLTask;

// Message 746: "Weekly at" was chosen without a day of the week.
inline constexpr const char* kNoWeekdayMessage =
    "Choose at least one day of the week for a weekly schedule.";

// The schedule dialog's choices and controls, without the dialog.
enum class ScheduleChoice { At, Every, Daily, Weekly };

struct ScheduleInputs {
    ScheduleChoice choice = ScheduleChoice::At;
    DateTime date = 0;         // the once-off date; its time of day is ignored
    DateTime time = 0;         // the chosen kind's time picker; its date is ignored
    std::string hours = "0";   // the hours box of "Every"
    std::string minutes = "0"; // the minutes box of "Every"
    WeekDays days{};           // the check boxes of "Weekly at"
};

struct ScheduleResult {
    std::string description;
    // Nothing while "Weekly at" has no day checked.
    std::optional<DateTime> nextRun;
    std::string scheduleLabel; // e.g. " Run daily at 10:00:00"
    std::string nextRunLabel;  // " Next Run: " + date + two blanks + time; empty without one
    // The boxes as the dialog shows them after correction (empty is 0, at most 23 and 59).
    std::string hours;
    std::string minutes;
};

// The dialog as it opens: "At" today at the current time (whole seconds), boxes at 0.
ScheduleInputs initialScheduleInputs(DateTime now);

// Description, next run and labels for the chosen kind at the given time. A daily or
// weekly time that is due in this very second still counts as ahead. Fails only when
// "Every" is chosen and a box holds something other than digits.
Result<ScheduleResult> computeSchedule(const ScheduleInputs& inputs, DateTime now);
// As computeSchedule, for the dialog's OK: "Weekly at" without a day is refused with
// kNoWeekdayMessage (the dialog stays open).
Result<ScheduleResult> acceptSchedule(const ScheduleInputs& inputs, DateTime now);

// Fails with a message naming the process when the instance holding the data folder's lock
// is downloading this task (compared by task file path). Schedule, unschedule and delete
// leave such a task alone; without a holder nothing is refused.
Status checkNotBeingDownloaded(const TQLTask& task);

// The task manager's "Schedu&le...": status Scheduled, the result's description and next
// run, saved (the active list follows). Refuses a result without a next run.
Status scheduleTask(TQLTask& task, const ScheduleResult& result);
// The task manager's "&Unschedule": status Unscheduled, no description, next run 0, saved.
Status unscheduleTask(TQLTask& task);

// Re-arm at the end of a run (also a stopped one), by the description's first word:
// "Now" is cleared (next run 0, status as the run left it); "Once" and other texts change
// nothing; "Every" counts its interval from now; "Daily" and "Weekly" move the stored next
// run on by whole calendar days to the first time not before now (weekly: on a named day).
// The recurring kinds set status Scheduled. A changed task is saved. A recurring
// description that cannot be read back (hand-edited) leaves the task as it was and fails.
Status rearmSchedule(TQLTask& task, DateTime now);

} // namespace quarlo
