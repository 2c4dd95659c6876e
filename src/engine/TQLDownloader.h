#pragma once

#include "engine/RunParseSide.h"
#include "model/TaskStates.h"
#include "platform/MainThread.h"
#include "platform/Result.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace quarlo {

class SocketList;
class TQLApp;
class TQLTask;
class TThreadDownload;
class TThreadParse;

// How a run ended.
enum class RunEnd {
    Completed,    // everything fetched and written: "Task Complete" or "Zipped!"
    Stopped,      // stopped by the user or the program: "Download Stopped"
    OutputFailed, // its files, archive, queue or task file could not be written: "Incomplete"
    StartFailed,  // no start page could be fetched, so nothing was copied: "Incomplete"
};

// The end of the latest run, as the front ends report it.
struct RunOutcome {
    RunEnd end = RunEnd::Completed;
    std::string reason; // why the output or the start page failed; empty otherwise
};

// The archive side of a Zip-mode run: the task's zip list and its archive.
class ZipModeRun {
public:
    virtual ~ZipModeRun() = default;
    // Start of a Zip-mode run: opens the task's archive.
    virtual Status startRun(TQLTask& task) = 0;
    // One tick of the zip timer: adds what the zip list holds, as "Zip Last" allows. True
    // when no archive operation is under way, so that the run may finish. Entries whose
    // files could not be added go back to status 0; a failure of the archive itself is
    // noted as the task's output failure.
    virtual bool tick(TQLTask& task) = 0;
    // End of a run (stopped or finished): adds what is still in the zip list, repairs the
    // recorded links, and commits.
    virtual void endRun(TQLTask& task) = 0;
    // Completion of a run: renames the archive after the start page title when asked.
    virtual void completed(TQLTask& task) = 0;
};

// The run lifecycle on the main thread: start run, stop run, end of run and the completion,
// which follow at once when the download thread finds the download finished or the run's
// output failed. The zip timer makes Zip mode's commits during a run and ends a run whose
// output failed elsewhere. Owns the
// download thread and the socket list; reports through the application's UiHooks. One run
// at a time; its task is the application's current task. Every method is called on the
// main thread.
class TQLDownloader {
public:
    using TaskCallback = std::function<void(TQLTask& task)>;

    static constexpr std::chrono::milliseconds kZipTimerInterval{1000};
    // Zip rounds that follow one another at once when the download is finished (the archive
    // check may put files back in the zip list); more wait for the zip timer.
    static constexpr int kFinishRounds = 8;

    TQLDownloader(TQLApp& app, MainThread& mainThread);
    // Stops a run in progress, then ends the threads.
    ~TQLDownloader();
    TQLDownloader(const TQLDownloader&) = delete;
    TQLDownloader& operator=(const TQLDownloader&) = delete;

    // Makes the task the current task and starts a run by its run method: Restart and map
    // begin afresh, Resume / SmartUpdate / SmartRecovery open its queue file. Fails while
    // a run is in progress or when the queue cannot be prepared.
    Status start(std::unique_ptr<TQLTask> task);
    // Starts a run of the current task; a resumed run keeps the queue it has in memory.
    Status start(TQLTask& currentTask);
    // Stop run: every transfer stopped and back in the queue, "Download Stopped".
    void stop();
    // From the start of a run until its end (stopped or completed).
    bool isRunning() const { return m_running; }
    // The task of the run in progress, or nullptr.
    TQLTask* task() const { return m_running ? m_task : nullptr; }
    // How the latest run ended; set before the run-ended callback is called.
    const RunOutcome& outcome() const { return m_outcome; }

    SocketList& sockets() { return *m_sockets; }
    TThreadDownload& downloadThread() { return *m_download; }

    // The parse thread that takes part in runs: the downloader's own unless replaced here;
    // without one (nullptr), saved pages are not waited for.
    void setParseSide(RunParseSide* parse) { m_parse = parse; }
    // The archive side of Zip-mode runs, given by the front end (the archive code lies above
    // the engine). Without one (nullptr, the default), a Zip-mode run ends at "Download
    // Complete" and its zip list stays as it is. This one is not owned: it must outlive the
    // downloader's runs.
    void setZipModeRun(ZipModeRun* zip);
    // The same, owned by the downloader from now on.
    void adoptZipModeRun(std::unique_ptr<ZipModeRun> zip);
    // Called at the end of every run, after the task file is saved, with the task.
    void setOnRunEnded(TaskCallback callback) { m_onRunEnded = std::move(callback); }
    // Re-arms the task's schedule at the end of a run (set by the scheduler).
    void setScheduleRearm(TaskCallback callback) { m_rearm = std::move(callback); }
    // Shows the task's summary at the end of an intranet-mode run when "Show Summary On
    // Completion" is set (set by the front end that has the summary page).
    void setShowSummary(TaskCallback callback) { m_showSummary = std::move(callback); }

    // The zip timer's interval for the runs started from now on (kZipTimerInterval unless
    // set): the completion does not wait for it.
    void setZipTimerInterval(std::chrono::milliseconds interval) { m_zipInterval = interval; }

    // The numbered status texts of a run: 690 completed (followed by the task name and
    // ")"), 691 fresh start, 692 resumed run, 694 stopping, 695 stopped.
    static std::string runText(int number);
    // What a run that ends "Incomplete" says: the task and why (its copy could not be
    // written, its start page could not be fetched).
    static std::string incompleteText(const std::string& taskName, const std::string& reason);

private:
    Status beginRun(TQLTask& task, bool keepQueue);
    bool advanceRun();
    void onRunOver();
    void finishRun(TaskStatus status);
    void failRun();
    void endIncomplete();
    void endZipModeRunWithoutArchive();
    void endStartFailed(const std::string& reason);
    void endOfRun();
    void waitForTransfers();
    void resumeDownload(TQLTask& task);
    void saveTask(TaskStatus status);
    std::string outputFailure() const;
    void runEnded(RunEnd end, std::string reason = {});

    TQLApp& m_app;
    MainThread& m_main;
    std::unique_ptr<SocketList> m_sockets;
    std::unique_ptr<TThreadDownload> m_download;
    std::unique_ptr<TThreadParse> m_parseThread;
    RunParseSide* m_parse = nullptr;
    std::unique_ptr<ZipModeRun> m_zipOutput;
    ZipModeRun* m_zip = nullptr;
    TaskCallback m_onRunEnded;
    TaskCallback m_rearm;
    TaskCallback m_showSummary;

    TQLTask* m_task = nullptr;
    RunOutcome m_outcome;
    std::atomic<bool> m_running{false};
    bool m_timerActive = false;
    MainThread::TimerId m_zipTimer = 0;
    std::chrono::milliseconds m_zipInterval = kZipTimerInterval;
    // Expires with the downloader: a completion posted to the main thread that runs after it
    // is gone does nothing.
    std::shared_ptr<char> m_alive = std::make_shared<char>();
};

} // namespace quarlo
