#include "schedule/Schedule.h"

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/InstanceLock.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace quarlo {

namespace {

constexpr long long kSecondsPerDay = 86400;

// The calendar day of a date-time as a whole day number.
DateTime dayNumber(const DateParts& p) {
    return makeDateTime(p.year, p.month, p.day).value_or(0);
}

// Wall-clock seconds since the epoch, milliseconds dropped: times in the same second
// compare equal ("the same minute and second count as not passed").
long long wholeSeconds(DateTime value) {
    const DateParts p = splitDateTime(value);
    return std::llround(dayNumber(p)) * kSecondsPerDay + p.hour * 3600LL + p.minute * 60LL +
           p.second;
}

bool laterThan(DateTime a, DateTime b) {
    return wholeSeconds(a) > wholeSeconds(b);
}

// The date of `day` at the time of day of `time` (whole seconds).
DateTime atTimeOf(DateTime day, DateTime time) {
    const DateParts d = splitDateTime(day);
    const DateParts t = splitDateTime(time);
    return makeDateTime(d.year, d.month, d.day, t.hour, t.minute, t.second).value_or(day);
}

// Whole calendar days on, keeping the wall-clock time of day (a daylight-saving change in
// between leaves it as it was). Nothing past the last representable day.
std::optional<DateTime> addDays(DateTime value, long long days) {
    const DateParts p = splitDateTime(value);
    const DateParts d = splitDateTime(dayNumber(p) + static_cast<DateTime>(days));
    return makeDateTime(d.year, d.month, d.day, p.hour, p.minute, p.second, p.millisecond);
}

// The first of value, value + 1 day, value + 2 days ... that now is not later than.
DateTime firstNotBefore(DateTime value, DateTime now) {
    if (!laterThan(now, value))
        return value;
    const long long behind = (wholeSeconds(now) - wholeSeconds(value)) / kSecondsPerDay;
    DateTime candidate = addDays(value, behind).value_or(value);
    while (laterThan(now, candidate)) {
        const auto next = addDays(candidate, 1);
        if (!next)
            break;
        candidate = *next;
    }
    return candidate;
}

// From start on, the first time on a checked day (start itself when its day is checked).
// Nothing when no day is checked.
std::optional<DateTime> firstOnDay(DateTime start, const WeekDays& days) {
    DateTime candidate = start;
    for (int step = 0; step < 7; ++step) {
        if (days[splitDateTime(candidate).dayOfWeek])
            return candidate;
        const auto next = addDays(candidate, 1);
        if (!next)
            return std::nullopt;
        candidate = *next;
    }
    return std::nullopt;
}

bool anyDay(const WeekDays& days) {
    for (bool day : days)
        if (day)
            return true;
    return false;
}

std::string nextRunLabel(DateTime value) {
    return " Next Run: " + dateTimeText(value);
}

// A box of "Every": empty is 0, digits only, values above max become max.
std::optional<int> boxValue(const std::string& text, int max) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = std::min<long long>(value * 10 + (c - '0'), max + 1LL);
    }
    return static_cast<int>(std::min<long long>(value, max));
}

Result<ScheduleResult> everyResult(const ScheduleInputs& inputs, DateTime now) {
    const auto hours = boxValue(inputs.hours, 23);
    if (!hours)
        return Result<ScheduleResult>::failure("The hours of \"Every\" must be a whole number.");
    const auto minutes = boxValue(inputs.minutes, 59);
    if (!minutes)
        return Result<ScheduleResult>::failure("The minutes of \"Every\" must be a whole number.");
    ScheduleResult result;
    result.hours = std::to_string(*hours);
    result.minutes = std::to_string(*minutes);
    result.description = everyDescription(*hours, *minutes);
    result.scheduleLabel = " Run every " + result.hours + " hours, " + result.minutes + " mins";
    result.nextRun = now + *hours / 24.0 + *minutes / 1440.0;
    result.nextRunLabel = nextRunLabel(*result.nextRun);
    return result;
}

ScheduleResult calendarResult(const ScheduleInputs& inputs, DateTime now) {
    ScheduleResult result;
    result.hours = inputs.hours;
    result.minutes = inputs.minutes;
    const std::string time = longTimeText(inputs.time);
    switch (inputs.choice) {
    case ScheduleChoice::At:
        result.nextRun = atTimeOf(inputs.date, inputs.time);
        result.description = onceDescription(*result.nextRun);
        result.scheduleLabel = " Run once at " + dateTimeText(*result.nextRun);
        break;
    case ScheduleChoice::Daily:
        result.nextRun = firstNotBefore(atTimeOf(now, inputs.time), now);
        result.description = dailyDescription(*result.nextRun);
        result.scheduleLabel = " Run daily at " + time;
        break;
    case ScheduleChoice::Weekly:
        result.description = weeklyDescription(inputs.days, inputs.time);
        result.scheduleLabel =
            " Run every " + dayListText(inputs.days) + " of every week at " + time;
        result.nextRun = firstOnDay(firstNotBefore(atTimeOf(now, inputs.time), now), inputs.days);
        break;
    case ScheduleChoice::Every:
        break;
    }
    if (result.nextRun)
        result.nextRunLabel = nextRunLabel(*result.nextRun);
    return result;
}

// The whole number between the first `before` (from `from` on) and the `after` that
// follows it; its end is left in `from`. Hand-edited texts may lack either marker.
std::optional<int> numberBetween(std::string_view text, std::string_view before,
                                 std::string_view after, std::size_t& from) {
    const auto start = text.find(before, from);
    if (start == std::string_view::npos)
        return std::nullopt;
    const auto digits = start + before.size();
    const auto end = text.find(after, digits);
    if (end == std::string_view::npos || end == digits || end - digits > 6)
        return std::nullopt;
    int value = 0;
    for (char c : text.substr(digits, end - digits)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    from = end;
    return value;
}

Status unreadable(const TQLTask& task) {
    return Status::failure("The schedule \"" + task.schedule() + "\" of task \"" + task.taskName() +
                           "\" cannot be read; the task is left as it was.");
}

Status rearmEvery(TQLTask& task, DateTime now) {
    std::size_t pos = 0;
    const std::string& text = task.schedule();
    const auto hours = numberBetween(text, "Every ", " hours", pos);
    const auto minutes = hours ? numberBetween(text, "hours, ", " mins", pos) : std::nullopt;
    if (!minutes)
        return unreadable(task);
    task.setNextRun(now + *hours / 24.0 + *minutes / 1440.0);
    task.setStatus(TaskStatus::Scheduled);
    return task.save();
}

Status rearmWeekly(TQLTask& task, DateTime now) {
    WeekDays days{};
    for (int day = 0; day < 7; ++day)
        days[day] = task.schedule().find(dayShortName(day)) != std::string::npos;
    const auto next = firstOnDay(firstNotBefore(task.nextRun(), now), days);
    if (!next)
        return unreadable(task);
    task.setNextRun(*next);
    task.setStatus(TaskStatus::Scheduled);
    return task.save();
}

} // namespace

ScheduleInputs initialScheduleInputs(DateTime now) {
    ScheduleInputs inputs;
    inputs.date = dayNumber(splitDateTime(now));
    inputs.time = atTimeOf(now, now);
    return inputs;
}

Result<ScheduleResult> computeSchedule(const ScheduleInputs& inputs, DateTime now) {
    if (inputs.choice == ScheduleChoice::Every)
        return everyResult(inputs, now);
    return calendarResult(inputs, now);
}

Result<ScheduleResult> acceptSchedule(const ScheduleInputs& inputs, DateTime now) {
    if (inputs.choice == ScheduleChoice::Weekly && !anyDay(inputs.days))
        return Result<ScheduleResult>::failure(kNoWeekdayMessage);
    return computeSchedule(inputs, now);
}

Status checkNotBeingDownloaded(const TQLTask& task) {
    const auto holder = InstanceLock::currentHolder(task.app().dataFolder());
    if (!holder)
        return {};
    const std::string who =
        holder->pid > 0 ? "the running instance (process " + std::to_string(holder->pid) + ")"
                        : "the running instance";
    if (!holder->currentTask.empty() && holder->currentTask == task.filePath())
        return Status::failure("Task \"" + task.taskName() + "\" is being downloaded by " + who +
                               "; stop its run first.");
    // A record caught while being rewritten names no task: a task that looks busy may be it.
    if (holder->pid == 0 && task.isRunning())
        return Status::failure("Task \"" + task.taskName() + "\" may be being downloaded by " +
                               who + "; try again.");
    return {};
}

Status scheduleTask(TQLTask& task, const ScheduleResult& result) {
    if (!result.nextRun)
        return Status::failure(kNoWeekdayMessage);
    if (Status busy = checkNotBeingDownloaded(task); !busy)
        return busy;
    task.setStatus(TaskStatus::Scheduled);
    task.setSchedule(result.description);
    task.setNextRun(*result.nextRun);
    return task.save();
}

Status unscheduleTask(TQLTask& task) {
    if (Status busy = checkNotBeingDownloaded(task); !busy)
        return busy;
    task.setStatus(TaskStatus::Unscheduled);
    task.setSchedule("");
    task.setNextRun(0);
    return task.save();
}

Status rearmSchedule(TQLTask& task, DateTime now) {
    switch (scheduleKindOf(task.schedule())) {
    case ScheduleKind::Now:
        task.setNextRun(0);
        task.setSchedule("");
        return task.save();
    case ScheduleKind::Every:
        return rearmEvery(task, now);
    case ScheduleKind::Daily:
        task.setNextRun(firstNotBefore(task.nextRun(), now));
        task.setStatus(TaskStatus::Scheduled);
        return task.save();
    case ScheduleKind::Weekly:
        return rearmWeekly(task, now);
    case ScheduleKind::None:
    case ScheduleKind::Once:
    case ScheduleKind::Other:
        break;
    }
    return {};
}

} // namespace quarlo
