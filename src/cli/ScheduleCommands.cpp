// "schedule" and "unschedule": they only mark a task, so they work while another instance
// holds the data folder; its scheduler sees the changed list of active tasks.

#include "cli/Commands.h"

#include "cli/TaskRef.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/InstanceLock.h"
#include "schedule/Clock.h"
#include "schedule/Schedule.h"

#include <cctype>
#include <optional>
#include <ostream>
#include <sys/stat.h>

namespace quarlo::cli {

namespace {

constexpr const char* kScheduleUsage =
    "usage: schedule TASK --now | --at \"MM/d/yy hh:mm:ss\" | --every H:M | --daily hh:mm:ss | "
    "--weekly Mon,Fri@hh:mm:ss [--restart | --resume | --update | --recover]";

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// A whole number of at most `digits` digits, nothing else.
std::optional<int> smallNumber(const std::string& text, std::size_t digits) {
    if (text.empty() || text.size() > digits)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::vector<std::string> splitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// "h:mm" or "h:mm:ss" (24-hour clock) as a time of day.
Result<DateTime> parseTimeOfDay(const std::string& text) {
    const auto parts = splitAt(text, ':');
    std::optional<DateTime> time;
    if (parts.size() == 2 || parts.size() == 3) {
        const auto hour = smallNumber(parts[0], 2);
        const auto minute = smallNumber(parts[1], 2);
        const auto second = parts.size() == 3 ? smallNumber(parts[2], 2) : std::optional<int>(0);
        if (hour && minute && second)
            time = makeDateTime(1899, 12, 30, *hour, *minute, *second);
    }
    if (!time)
        return Status::failure("\"" + text + "\" is not a time of day (hh:mm:ss)");
    return *time;
}

Result<ScheduleInputs> parseAt(const std::string& text) {
    const auto when = parseTaskDate(text);
    if (!when || *when == 0)
        return Status::failure("\"" + text + "\" is not a date and time (MM/d/yy hh:mm:ss)");
    ScheduleInputs inputs;
    inputs.choice = ScheduleChoice::At;
    inputs.date = *when;
    inputs.time = *when;
    return inputs;
}

Result<ScheduleInputs> parseEvery(const std::string& text) {
    const auto parts = splitAt(text, ':');
    const auto hours = parts.size() == 2 ? smallNumber(parts[0], 2) : std::nullopt;
    const auto minutes = parts.size() == 2 ? smallNumber(parts[1], 2) : std::nullopt;
    if (!hours || !minutes || *hours > 23 || *minutes > 59)
        return Status::failure("\"" + text +
                               "\" is not an interval H:M (hours 0-23, minutes 0-59)");
    ScheduleInputs inputs;
    inputs.choice = ScheduleChoice::Every;
    inputs.hours = std::to_string(*hours);
    inputs.minutes = std::to_string(*minutes);
    return inputs;
}

Result<ScheduleInputs> parseDaily(const std::string& text) {
    auto time = parseTimeOfDay(text);
    if (!time)
        return time.status();
    ScheduleInputs inputs;
    inputs.choice = ScheduleChoice::Daily;
    inputs.time = *time;
    return inputs;
}

// "Mon,Fri@hh:mm:ss": day names (any letter case) separated by commas.
Result<ScheduleInputs> parseWeekly(const std::string& text) {
    const std::size_t at = text.find('@');
    if (at == std::string::npos)
        return Status::failure("\"" + text + "\" is not DAYS@hh:mm:ss (e.g. Mon,Fri@10:00:00)");
    ScheduleInputs inputs;
    inputs.choice = ScheduleChoice::Weekly;
    for (std::string day : splitAt(text.substr(0, at), ',')) {
        for (char& c : day)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        int found = -1;
        for (int d = 0; d < 7; ++d) {
            std::string name = kDayNames[d];
            name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
            if (day == name)
                found = d;
        }
        if (found < 0 && !day.empty())
            return Status::failure("\"" + day + "\" is not a day of the week (Mon ... Sun)");
        if (found >= 0)
            inputs.days[found] = true;
    }
    auto time = parseTimeOfDay(text.substr(at + 1));
    if (!time)
        return time.status();
    inputs.time = *time;
    return inputs;
}

std::string runMethodName(RunMethod method) {
    switch (method) {
    case RunMethod::Restart:
        return "Restart";
    case RunMethod::Resume:
        return "Resume";
    case RunMethod::SmartUpdate:
        return "SmartUpdate";
    case RunMethod::SmartRecovery:
        return "SmartRecovery";
    default:
        return "first run of a map";
    }
}

// As the run dialog: a task with a queue resumes it unless told otherwise; a task without
// one starts afresh (a map task with its own first run).
RunMethod nowRunMethod(const TQLTask& task, std::optional<RunMethod> flagged) {
    const bool queue = taskHasQueue(task);
    if (!queue)
        return task.runMethod() == RunMethod::Map ? RunMethod::Map : RunMethod::Restart;
    return flagged.value_or(RunMethod::Resume);
}

void printNextRun(Context& context, const TQLTask& task, DateTime now) {
    context.out << "Next run: ";
    if (task.nextRun() <= now)
        context.out << "at once";
    else
        context.out << formatTaskDate(task.nextRun());
    context.out << "\n";
    if (!InstanceLock::currentHolder(task.app().dataFolder()))
        context.out << "No instance is running: 'quarlo-cli scheduler' starts due tasks.\n";
}

int scheduleNow(Context& context, TQLTask& task, std::optional<RunMethod> flagged) {
    if (Status busy = checkNotBeingDownloaded(task); !busy)
        return context.fail(busy.message());
    const RunMethod method = nowRunMethod(task, flagged);
    if (flagged && *flagged != method)
        context.out << "The task has no queue yet: it starts afresh.\n";
    if (Status saved = task.requestRun(method); !saved)
        return context.fail(saved.message());
    context.out << "Task \"" << task.taskName() << "\" scheduled: Now (" << runMethodName(method)
                << ")\n";
    const DateTime now = SystemClock::instance().now();
    if (task.nextRun() > now)
        context.out << "Its stored next run lies ahead; it waits until then.\n";
    printNextRun(context, task, now);
    return 0;
}

// The inputs of the one kind given; fails when none or several are.
Result<ScheduleInputs> scheduleInputs(Args& args, bool now) {
    int kinds = now ? 1 : 0;
    std::optional<Result<ScheduleInputs>> inputs;
    for (const auto& [name, parse] :
         {std::pair{"--at", &parseAt}, std::pair{"--every", &parseEvery},
          std::pair{"--daily", &parseDaily}, std::pair{"--weekly", &parseWeekly}}) {
        if (auto text = args.option(name)) {
            ++kinds;
            inputs = parse(*text);
        }
    }
    if (kinds != 1 || (!inputs && !now))
        return Status::failure(kScheduleUsage);
    if (inputs)
        return *inputs;
    return ScheduleInputs{};
}

} // namespace

int scheduleCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    const bool now = args.flag("--now");
    auto inputs = scheduleInputs(args, now);
    const auto flagged = flaggedRunMethod(args);
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() != 1)
        return context.fail(kScheduleUsage);
    if (!inputs)
        return context.fail(inputs.message());
    if (!flagged)
        return context.fail(flagged.message());
    auto loaded = loadTaskRef(**app, words->front());
    if (!loaded)
        return context.fail(loaded.message());
    auto task = std::move(*loaded);
    if (now)
        return scheduleNow(context, *task, *flagged);
    const DateTime current = SystemClock::instance().now();
    auto result = acceptSchedule(*inputs, current);
    if (!result)
        return context.fail(result.message());
    if (*flagged)
        task->setRunMethod(**flagged);
    if (Status saved = scheduleTask(*task, *result); !saved)
        return context.fail(saved.message());
    context.out << "Task \"" << task->taskName() << "\" scheduled: " << task->schedule() << "\n";
    printNextRun(context, *task, current);
    return 0;
}

int unscheduleCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    auto task = loadOnlyTaskRef(**app, args, "usage: unschedule TASK");
    if (!task)
        return context.fail(task.message());
    if (Status saved = unscheduleTask(**task); !saved)
        return context.fail(saved.message());
    context.out << "Task \"" << (*task)->taskName() << "\" unscheduled.\n";
    return 0;
}

} // namespace quarlo::cli
