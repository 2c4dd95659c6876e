#include "cli/EngineHost.h"

#include "archive/ZipOutput.h"
#include "cli/ProgressDisplay.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/InstanceLock.h"
#include "schedule/Clock.h"
#include "schedule/TThreadSchedule.h"

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

bool isTerminal(const std::ostream& out) {
    return &out == &std::cout && ::isatty(1) == 1;
}

constexpr std::chrono::milliseconds kSignalCheck{100};
constexpr std::chrono::milliseconds kProgressInterval{1000};

} // namespace

// SIGINT and SIGTERM are counted while the host exists; the previous handlers come back
// afterwards.
class EngineHost::SignalCount {
public:
    SignalCount() {
        g_signals = 0;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_oldInt);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~SignalCount() {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    SignalCount(const SignalCount&) = delete;
    SignalCount& operator=(const SignalCount&) = delete;
    int count() const { return g_signals.load(); }

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

EngineHost::EngineHost(Context& context, TQLApp& app, InstanceLock& lock)
    : m_context(context), m_app(app), m_lock(lock),
      m_display(
          std::make_unique<ProgressDisplay>(context.out, context.err, isTerminal(context.out))),
      m_signals(std::make_unique<SignalCount>()), m_previousHooks(&app.hooks()) {
    m_app.setHooks(m_display.get());
    m_downloader = std::make_unique<TQLDownloader>(app, m_loop);
    m_downloader->adoptZipModeRun(makeZipOutput(app));
    installScheduleRearm(*m_downloader, SystemClock::instance());
}

EngineHost::~EngineHost() {
    // The downloader reports through the display while it stops a run.
    m_downloader.reset();
    m_display->finish();
    m_app.setHooks(m_previousHooks);
    m_lock.setCurrentTask({});
}

void EngineHost::recordRunning(const TQLTask* task) {
    m_lock.setCurrentTask(task != nullptr ? task->filePath() : std::string());
}

void EngineHost::showProgress(bool plainLines) {
    if (!plainLines && !isTerminal(m_context.out))
        return;
    m_loop.startTimer(kProgressInterval, [this] {
        if (TQLTask* task = m_downloader->task())
            m_display->update(*task);
    });
}

void EngineHost::watchSignals(std::function<void()> onFirst) {
    m_onFirstSignal = std::move(onFirst);
    m_loop.startTimer(kSignalCheck, [this] { onSignalTimer(); });
}

void EngineHost::onSignalTimer() {
    const int count = m_signals->count();
    if (count == m_signalsHandled)
        return;
    const bool first = m_signalsHandled == 0;
    m_signalsHandled = count;
    if (first && m_onFirstSignal)
        m_onFirstSignal();
    TQLTask* task = m_downloader->task();
    if (task == nullptr)
        return;
    TaskStatus status = TaskStatus::Unscheduled;
    {
        std::lock_guard lock(task->mutex());
        status = task->status();
    }
    // Everything is fetched: stopping now would only leave the run "Download Stopped".
    if (status == TaskStatus::DownloadComplete && count == 1) {
        if (!m_waitingForResult)
            m_display->setStatusLine("The download is complete and its result is being "
                                     "written; a second Ctrl-C stops it now.",
                                     -1);
        m_waitingForResult = true;
        return;
    }
    m_stoppedBySignal = true;
    m_display->finish();
    m_downloader->stop();
}

} // namespace quarlo::cli
