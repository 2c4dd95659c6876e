#pragma once

#include "cli/Context.h"
#include "engine/TQLDownloader.h"
#include "platform/InstanceLock.h"

#include <memory>
#include <optional>
#include <string>

namespace quarlo {
class TQLApp;
class TQLTask;
} // namespace quarlo

namespace quarlo::cli {

// A foreground run of one task: holds the instance lock, runs the engine on this thread's
// event loop with a live progress display, stops the run as the Stop button does on Ctrl-C
// (SIGINT) or SIGTERM, and says how it ended. The scheduler takes the lock through it too.
class RunSession {
public:
    RunSession(Context& context, TQLApp& app);
    ~RunSession();

    // Takes the instance lock and resets runs that were interrupted; fails when another
    // instance works on the data folder.
    Status begin();

    struct Outcome {
        TaskStatus status = TaskStatus::Unscheduled; // the task's status at the end
        bool interrupted = false;                    // stopped by a signal
        std::int64_t errors = 0;                     // page and media errors
        RunOutcome run;                              // how the engine ended it
    };
    // Runs the task (its run method already chosen) until it completes or is stopped.
    Result<Outcome> run(std::unique_ptr<TQLTask> task);

    // The exit code of a finished run: 3 when its copy could not be written, 130 when
    // interrupted, 1 with failed files, else 0.
    static int exitCode(const Outcome& outcome);
    static int exitCode(const RunOutcome& run, bool interrupted, std::int64_t errors);

    // Held once begin() succeeded.
    InstanceLock& lock() { return m_lock; }

private:
    Context& m_context;
    TQLApp& m_app;
    InstanceLock m_lock;
};

} // namespace quarlo::cli
