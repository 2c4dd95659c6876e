#include "cli/Commands.h"

#include "cli/RunSession.h"
#include "cli/TaskRef.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <optional>
#include <ostream>
#include <sys/stat.h>

namespace quarlo::cli {

namespace {

// The run method the flags ask for; without one, resume a task that has a queue.
Result<RunMethod> chooseRunMethod(Context& context, const Result<std::optional<RunMethod>>& flagged,
                                  const TQLTask& task) {
    if (!flagged)
        return flagged.status();
    const bool queue = taskHasQueue(task);
    if (!flagged->has_value()) {
        if (task.runMethod() == RunMethod::Map && !queue)
            return RunMethod::Map;
        context.out << (queue ? "Resuming the task's queue (--restart starts afresh)."
                              : "Starting afresh: the task has no queue yet.")
                    << "\n";
        return queue ? RunMethod::Resume : RunMethod::Restart;
    }
    if (**flagged != RunMethod::Restart && !queue) {
        context.out << "The task has no queue yet: starting afresh.\n";
        return RunMethod::Restart;
    }
    return **flagged;
}

} // namespace

int runTaskInForeground(Context& context, TQLApp& app, std::unique_ptr<TQLTask> task) {
    RunSession session(context, app);
    if (Status ok = session.begin(); !ok)
        return context.fail(ok.message());
    const std::string name = task->taskName();
    auto outcome = session.run(std::move(task));
    if (!outcome)
        return context.fail(outcome.message());
    if (outcome->run.end == RunEnd::OutputFailed) {
        context.err << "quarlo-cli: the copy could not be written: " << outcome->run.reason << "\n";
        context.out << "Incomplete. Once the cause is mended, 'quarlo-cli run \"" << name
                    << "\"' goes on.\n";
    } else if (outcome->run.end == RunEnd::StartFailed) {
        context.err << "quarlo-cli: the start page could not be fetched: " << outcome->run.reason
                    << "\n";
    } else if (outcome->interrupted) {
        context.out << "Stopped. 'quarlo-cli run \"" << name << "\" --resume' goes on.\n";
    }
    return RunSession::exitCode(*outcome);
}

int runCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    const auto flagged = flaggedRunMethod(args);
    auto loaded = loadOnlyTaskRef(**app, args,
                                  "usage: run TASK [--restart | --resume | --update | --recover]");
    if (!loaded)
        return context.fail(loaded.message());
    auto task = std::move(*loaded);
    auto method = chooseRunMethod(context, flagged, *task);
    if (!method)
        return context.fail(method.message());
    task->setRunMethod(*method);
    return runTaskInForeground(context, **app, std::move(task));
}

} // namespace quarlo::cli
