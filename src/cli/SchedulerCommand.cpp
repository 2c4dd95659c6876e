// "scheduler": the headless instance that starts due tasks as the desktop program does, one
// run at a time, until it is stopped or, with --until-idle, nothing is left to do soon.

#include "cli/Commands.h"

#include "cli/EngineHost.h"
#include "cli/ProgressDisplay.h"
#include "cli/RunSession.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "schedule/Clock.h"
#include "schedule/TThreadSchedule.h"

#include <ostream>

namespace quarlo::cli {

namespace {

// --until-idle ends once no active task is due within this time (one minute).
constexpr DateTime kIdleHorizon = 1.0 / 1440;

struct SchedulerState {
    std::string stoppedTask; // the reference of the run a signal stopped
    bool failedFiles = false;
    bool startFailed = false;
    bool outputFailed = false; // a run's copy could not be written
};

// Appended piece by piece: "literal" + temporary inserts at the front, which GCC's -Wrestrict
// misreads at -O2.
std::string timeStamp(const Clock& clock) {
    std::string stamp = "[";
    stamp += formatTaskDate(clock.now());
    stamp += "] ";
    return stamp;
}

// How a command line names the task: CATEGORY/NAME, or its file outside the Tasks folder.
std::string taskReference(const TQLApp& app, const TQLTask& task) {
    const std::string& path = task.filePath();
    const std::string folder = app.tasksFolder();
    if (path.rfind(folder, 0) == 0 && path.size() > folder.size() + 4)
        return path.substr(folder.size(), path.size() - folder.size() - 4);
    return path;
}

std::string endLine(const TQLTask& task) {
    std::string line = "\"" + task.taskName() + "\" ended: " + task.statusText();
    if (task.status() == TaskStatus::Scheduled)
        line.append(" again for ").append(formatTaskDate(task.nextRun()));
    return line + ". " + ProgressDisplay::progressLine(task);
}

class Scheduler {
public:
    Scheduler(Context& context, TQLApp& app, InstanceLock& lock, bool untilIdle)
        : m_context(context), m_app(app), m_host(context, app, lock), m_untilIdle(untilIdle),
          m_schedule(app, m_host.downloader(), m_host.loop(), m_clock) {}
    // A run still in progress ends while everything its end reports to is still there.
    ~Scheduler() {
        m_schedule.stop();
        m_host.downloader().stop();
    }
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    int run() {
        m_schedule.setOnRunStarted([this](TQLTask& task) { runStarted(task); });
        m_host.downloader().setOnRunEnded([this](TQLTask& task) { runEnded(task); });
        m_schedule.setOnChecked([this](const ScheduleCheck& check) { checked(check); });
        m_host.watchSignals([this] { stopRequested(); });
        m_host.showProgress(false);
        m_context.out << "Scheduler started with " << m_app.activeTasks().paths().size()
                      << " active task(s); Ctrl-C stops it.\n"
                      << std::flush;
        m_schedule.start();
        m_host.loop().run();
        m_schedule.stop();
        if (m_host.stoppedBySignal()) {
            const std::string& ref = m_state.stoppedTask;
            m_context.out << "Stopped \"" << ref << "\". 'quarlo-cli schedule \"" << ref
                          << "\" --now' resumes it at the next scheduler run, 'quarlo-cli run \""
                          << ref << "\" --resume' in the foreground.\n";
            return m_state.outputFailed ? 3 : 130;
        }
        if (m_state.outputFailed)
            return 3;
        return m_state.failedFiles || m_state.startFailed ? 1 : 0;
    }

private:
    void runStarted(TQLTask& task) {
        m_host.recordRunning(&task);
        m_host.display().setStatusLine(timeStamp(m_clock) + "Started \"" + task.taskName() + "\"",
                                       -1);
    }

    void runEnded(TQLTask& task) {
        m_host.recordRunning(nullptr);
        m_host.display().finish();
        {
            std::lock_guard lock(task.mutex());
            const TaskCounters& counters = task.counters();
            m_state.failedFiles |= counters.PageErrors + counters.ResourceErrors > 0;
        }
        m_state.stoppedTask = taskReference(m_app, task);
        const RunOutcome& outcome = m_host.downloader().outcome();
        if (outcome.end == RunEnd::OutputFailed) {
            m_state.outputFailed = true;
            m_context.err << "quarlo-cli: the copy of \"" << task.taskName()
                          << "\" could not be written: " << outcome.reason << "\n";
        } else if (outcome.end == RunEnd::StartFailed) {
            m_context.err << "quarlo-cli: the start page of \"" << task.taskName()
                          << "\" could not be fetched: " << outcome.reason << "\n";
        }
        m_host.display().setStatusLine(timeStamp(m_clock) + endLine(task), -1);
        if (m_schedule.stopRequested())
            m_host.loop().quit();
    }

    void checked(const ScheduleCheck& check) {
        m_state.startFailed |= check.startFailed;
        if (!m_untilIdle || check.busy || check.started || m_host.downloader().isRunning())
            return;
        if (check.nextWaiting && *check.nextWaiting <= m_clock.now() + kIdleHorizon)
            return;
        m_schedule.stop();
        m_host.loop().quit();
    }

    void stopRequested() {
        m_schedule.stop();
        m_host.display().setStatusLine("Stopping the scheduler...", -1);
        if (!m_host.downloader().isRunning())
            m_host.loop().quit();
    }

    Context& m_context;
    TQLApp& m_app;
    const SystemClock& m_clock = SystemClock::instance();
    EngineHost m_host;
    const bool m_untilIdle;
    TThreadSchedule m_schedule;
    SchedulerState m_state;
};

} // namespace

int schedulerCommand(Context& context, Args& args) {
    const bool untilIdle = args.flag("--until-idle");
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    if (!words->empty())
        return context.fail("usage: scheduler [--until-idle]");
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    RunSession session(context, **app);
    if (Status ok = session.begin(); !ok)
        return context.fail(ok.message());
    Scheduler scheduler(context, **app, session.lock(), untilIdle);
    return scheduler.run();
}

} // namespace quarlo::cli
