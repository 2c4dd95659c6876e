#include "cli/RunSession.h"

#include "cli/ProgressDisplay.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/EventLoop.h"

#include <atomic>
#include <csignal>
#include <iostream>
#include <unistd.h>

namespace quarlo::cli {

namespace {

std::atomic<int> g_signals{0};

extern "C" void onStopSignal(int) {
    g_signals.fetch_add(1);
}

// SIGINT and SIGTERM only count while a run is in progress; the previous handlers come back
// afterwards.
class StopSignals {
public:
    StopSignals() {
        g_signals = 0;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_oldInt);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~StopSignals() {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

bool isTerminal(const std::ostream& out) {
    return &out == &std::cout && ::isatty(1) == 1;
}

constexpr std::chrono::milliseconds kSignalCheck{100};
constexpr std::chrono::milliseconds kProgressInterval{1000};

} // namespace

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
    EventLoop loop;
    ProgressDisplay display(m_context.out, isTerminal(m_context.out));
    m_app.setHooks(&display);
    TQLDownloader downloader(m_app, loop);
    StopSignals signals;
    m_lock.setCurrentTask(task->filePath());

    Outcome outcome;
    downloader.setOnRunEnded([&](TQLTask& ended) {
        outcome.status = ended.status();
        std::lock_guard lock(ended.mutex());
        outcome.errors = ended.counters().PageErrors + ended.counters().ResourceErrors;
        loop.quit();
    });
    TQLTask* running = task.get();
    if (Status started = downloader.start(std::move(task)); !started) {
        m_app.setHooks(nullptr);
        m_lock.setCurrentTask({});
        return started;
    }
    loop.startTimer(kSignalCheck, [&] {
        if (g_signals.load() > 0 && downloader.isRunning() && !outcome.interrupted) {
            outcome.interrupted = true;
            display.finish();
            downloader.stop();
        }
    });
    loop.startTimer(kProgressInterval, [&] {
        if (downloader.isRunning())
            display.update(*running);
    });
    if (downloader.isRunning())
        loop.run();
    display.update(*running);
    display.finish();
    m_app.setHooks(nullptr);
    m_lock.setCurrentTask({});
    return outcome;
}

int RunSession::exitCode(const Outcome& outcome) {
    if (outcome.interrupted)
        return 130;
    return outcome.errors > 0 ? 1 : 0;
}

} // namespace quarlo::cli
