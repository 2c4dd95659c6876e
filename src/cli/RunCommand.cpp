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
Result<RunMethod> chooseRunMethod(Context& context, Args& args, const TQLTask& task) {
    std::optional<RunMethod> chosen;
    int given = 0;
    for (const auto& [flag, method] :
         {std::pair{"--restart", RunMethod::Restart}, std::pair{"--resume", RunMethod::Resume},
          std::pair{"--update", RunMethod::SmartUpdate},
          std::pair{"--recover", RunMethod::SmartRecovery}}) {
        if (args.flag(flag)) {
            chosen = method;
            ++given;
        }
    }
    if (given > 1)
        return Status::failure("give one of --restart, --resume, --update, --recover");
    const bool queue = taskHasQueue(task);
    if (!chosen) {
        if (task.runMethod() == RunMethod::Map && !queue)
            return RunMethod::Map;
        chosen = queue ? RunMethod::Resume : RunMethod::Restart;
        context.out << (queue ? "Resuming the task's queue (--restart starts afresh)."
                              : "Starting afresh: the task has no queue yet.")
                    << "\n";
    } else if (chosen != RunMethod::Restart && !queue) {
        context.out << "The task has no queue yet: starting afresh.\n";
        chosen = RunMethod::Restart;
    }
    return *chosen;
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
    } else if (outcome->interrupted) {
        context.out << "Stopped. 'quarlo-cli run \"" << name << "\" --resume' goes on.\n";
    }
    return RunSession::exitCode(*outcome);
}

int runCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    Args peek = args;
    for (const char* flag : {"--restart", "--resume", "--update", "--recover"})
        peek.flag(flag);
    auto words = peek.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() != 1)
        return context.fail("usage: run TASK [--restart | --resume | --update | --recover]");
    auto loaded = loadTaskRef(**app, words->front());
    if (!loaded)
        return context.fail(loaded.message());
    auto task = std::move(*loaded);
    auto method = chooseRunMethod(context, args, *task);
    if (!method)
        return context.fail(method.message());
    task->setRunMethod(*method);
    return runTaskInForeground(context, **app, std::move(task));
}

} // namespace quarlo::cli
