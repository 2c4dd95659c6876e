#include "cli/RunSession.h"

#include "cli/EngineHost.h"
#include "cli/ProgressDisplay.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"

namespace quarlo::cli {

RunSession::RunSession(Context& context, TQLApp& app)
    : m_context(context), m_app(app), m_lock(app.dataFolder()) {}

RunSession::~RunSession() = default;

Status RunSession::begin() {
    if (!m_lock.tryAcquire("cli")) {
        std::string who = "another instance";
        if (auto holder = InstanceLock::currentHolder(m_app.dataFolder()); holder && holder->pid)
            who = "another instance (" + holder->frontEnd + ", pid " + std::to_string(holder->pid) +
                  ")";
        return Status::failure(who + " is working on " + m_app.dataFolder() +
                               "; only one may run tasks at a time");
    }
    for (const auto& problem : m_app.startupCheck(false))
        m_context.warn(problem);
    return {};
}

Result<RunSession::Outcome> RunSession::run(std::unique_ptr<TQLTask> task) {
    EngineHost host(m_context, m_app, m_lock);
    Outcome outcome;
    host.downloader().setOnRunEnded([&](TQLTask& ended) {
        outcome.status = ended.status();
        std::lock_guard lock(ended.mutex());
        outcome.errors = ended.counters().PageErrors + ended.counters().ResourceErrors;
        host.loop().quit();
    });
    TQLTask* running = task.get();
    host.recordRunning(running);
    if (Status started = host.downloader().start(std::move(task)); !started)
        return started;
    host.watchSignals(nullptr);
    host.showProgress(true);
    if (host.downloader().isRunning())
        host.loop().run();
    host.display().showFinal(*running);
    host.display().finish();
    outcome.interrupted = host.stoppedBySignal();
    outcome.run = host.downloader().outcome();
    return outcome;
}

int RunSession::exitCode(const Outcome& outcome) {
    return exitCode(outcome.run, outcome.interrupted, outcome.errors);
}

int RunSession::exitCode(const RunOutcome& run, bool interrupted, std::int64_t errors) {
    if (run.end == RunEnd::OutputFailed)
        return 3;
    if (interrupted)
        return 130;
    return errors > 0 ? 1 : 0;
}

} // namespace quarlo::cli
