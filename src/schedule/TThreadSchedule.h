#pragma once

#include "model/TaskDate.h"
#include "platform/MainThread.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quarlo {

class Clock;
class TQLApp;
class TQLDownloader;
class TQLTask;

// What one check of the schedule found.
struct ScheduleCheck {
    bool busy = false;        // a run was in progress: no task was looked at
    bool started = false;     // a due task was started
    bool startFailed = false; // a due task could not start (reported, then left alone)
    // No task was due: the earliest next run among the listed tasks (none when no task waits).
    std::optional<DateTime> nextWaiting;
};

// Installs the re-arm of a task's schedule at the end of every run of the downloader, with
// the time of the clock (which must outlive the downloader). A schedule that cannot be read
// back is reported on the status line.
void installScheduleRearm(TQLDownloader& downloader, const Clock& clock);

// The schedule thread: once a second it has a check run on the main thread, which starts the
// first due task of "ActiveTasks.lst" (next run not later than now) when no run is in
// progress. It is the only way a Scheduled task (a "Now" one included) starts. Other
// processes may mark tasks meanwhile: the list is read again whenever it changed.
//
// Made, started, stopped and destroyed on the main thread; the clock must outlive the
// downloader. Every check runs on the main thread.
class TThreadSchedule {
public:
    using TaskCallback = std::function<void(TQLTask& task)>;
    static constexpr std::chrono::milliseconds kPause{1000};

    // Also installs the schedule re-arm on the downloader. Nothing runs before start().
    TThreadSchedule(TQLApp& app, TQLDownloader& downloader, MainThread& mainThread,
                    const Clock& clock, std::chrono::milliseconds pause = kPause);
    // Stops the thread.
    ~TThreadSchedule();
    TThreadSchedule(const TThreadSchedule&) = delete;
    TThreadSchedule& operator=(const TThreadSchedule&) = delete;

    // Starts the thread: a check at once, then one after each pause.
    void start();
    // Once this returns no task starts any more; the thread ends after the check or pause it
    // is in.
    void stop();
    bool stopRequested() const;

    // One check, on the main thread: the "Work Offline" state reported; nothing more while a
    // run is in progress; otherwise the first due task loaded afresh and started. A listed
    // task file that is gone is dropped from the list with a warning. A task whose start
    // fails is reported once and left alone until its task file changes.
    ScheduleCheck check();

    // The HTTP layer's "Work Offline" state, reported at every check (the check box of the
    // main window follows it).
    void setOnWorkOffline(std::function<void(bool offline)> callback);
    // Called when a check has started a task's run (the task is the current task).
    void setOnRunStarted(TaskCallback callback) { m_onRunStarted = std::move(callback); }
    // Called after every check with what it found.
    void setOnChecked(std::function<void(const ScheduleCheck&)> callback) {
        m_onChecked = std::move(callback);
    }

private:
    struct Shared;
    void threadBody();
    bool runInProgress() const;
    const std::vector<std::string>& listedPaths();
    std::unique_ptr<TQLTask> findDueTask(ScheduleCheck& outcome);
    bool dropMissing(const std::string& path);
    bool refusedUnchanged(const std::string& path) const;
    void startDueTask(std::unique_ptr<TQLTask> task, ScheduleCheck& outcome);

    TQLApp& m_app;
    TQLDownloader& m_downloader;
    MainThread& m_main;
    const Clock& m_clock;
    const std::chrono::milliseconds m_pause;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;

    // Main thread only.
    std::function<void(bool)> m_onWorkOffline;
    TaskCallback m_onRunStarted;
    std::function<void(const ScheduleCheck&)> m_onChecked;
    long long m_listStamp = -1;
    std::vector<std::string> m_paths;
    // Tasks whose start failed, with the stamp their task file had then.
    std::map<std::string, long long> m_refused;
};

} // namespace quarlo
