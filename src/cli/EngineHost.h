#pragma once

#include "cli/Context.h"
#include "platform/EventLoop.h"

#include <functional>
#include <memory>

namespace quarlo {
class InstanceLock;
class TQLApp;
class TQLDownloader;
class TQLTask;
} // namespace quarlo

namespace quarlo::cli {

class ProgressDisplay;

// The engine on this thread's event loop, reporting to the command line: what a foreground
// run and the scheduler share. While it exists the progress display is the application's
// UiHooks (the previous ones come back afterwards), SIGINT and SIGTERM are counted instead
// of ending the process, and the downloader re-arms a task's schedule at the end of every
// run. Made by a command that holds the instance lock; lives on its stack.
class EngineHost {
public:
    EngineHost(Context& context, TQLApp& app, InstanceLock& lock);
    // Stops a run in progress; the previous signal handlers and hooks come back.
    ~EngineHost();
    EngineHost(const EngineHost&) = delete;
    EngineHost& operator=(const EngineHost&) = delete;

    EventLoop& loop() { return m_loop; }
    ProgressDisplay& display() { return *m_display; }
    TQLDownloader& downloader() { return *m_downloader; }

    // Records the task (nullptr: none) in the instance lock as the one being downloaded.
    void recordRunning(const TQLTask* task);
    // Shows the running task's progress every second: a live line on a terminal; elsewhere
    // plain lines at intervals when asked for, else nothing.
    void showProgress(bool plainLines);
    // Watches for SIGINT and SIGTERM. The first signal calls onFirst. Each signal stops a
    // run in progress as the Stop button does, except that a run whose download is complete
    // first finishes writing its result, unless a second signal comes.
    void watchSignals(std::function<void()> onFirst);
    // A run was stopped by a signal.
    bool stoppedBySignal() const { return m_stoppedBySignal; }

private:
    class SignalCount;
    void onSignalTimer();

    Context& m_context;
    TQLApp& m_app;
    InstanceLock& m_lock;
    EventLoop m_loop;
    std::unique_ptr<ProgressDisplay> m_display;
    std::unique_ptr<SignalCount> m_signals;
    UiHooks* m_previousHooks;
    std::unique_ptr<TQLDownloader> m_downloader;
    std::function<void()> m_onFirstSignal;
    int m_signalsHandled = 0;
    bool m_stoppedBySignal = false;
    bool m_waitingForResult = false;
};

} // namespace quarlo::cli
