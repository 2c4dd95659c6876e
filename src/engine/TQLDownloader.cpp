#include "engine/TQLDownloader.h"

#include "engine/RunPreparation.h"
#include "engine/SocketList.h"
#include "engine/TThreadDownload.h"
#include "engine/TThreadParse.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"

namespace quarlo {

std::string TQLDownloader::runText(int number) {
    switch (number) {
    case 690:
        return "Download completed (";
    case 691:
        return "Starting a new download...";
    case 692:
        return "Resuming the download...";
    case 694:
        return "Stopping the download...";
    case 695:
        return "Download stopped.";
    default:
        return {};
    }
}

std::string TQLDownloader::incompleteText(const std::string& taskName, const std::string& reason) {
    return "Download incomplete (" + taskName + "): " + reason;
}

TQLDownloader::TQLDownloader(TQLApp& app, MainThread& mainThread)
    : m_app(app), m_main(mainThread), m_sockets(std::make_unique<SocketList>()),
      m_download(std::make_unique<TThreadDownload>(app, *m_sockets)),
      m_parseThread(std::make_unique<TThreadParse>(app)), m_parse(m_parseThread.get()) {
    // New links and parsed pages go to idle slots at once, or wake the dispatcher.
    m_parseThread->setOnWork([download = m_download.get()] { download->workQueued(); });
    // A finished download, or output that cannot be written, ends the run on the main
    // thread at once.
    m_download->setOnRunOver([this, alive = std::weak_ptr<char>(m_alive)] {
        m_main.post([this, alive] {
            if (!alive.expired())
                onRunOver();
        });
    });
}

void TQLDownloader::setZipModeRun(ZipModeRun* zip) {
    m_zip = zip;
    m_zipOutput.reset();
}

void TQLDownloader::adoptZipModeRun(std::unique_ptr<ZipModeRun> zip) {
    m_zip = zip.get();
    m_zipOutput = std::move(zip);
}

TQLDownloader::~TQLDownloader() {
    if (m_running)
        stop();
    // The dispatcher ends first (it uses the slots). The slots go next: a last transfer
    // may still end through the download thread's handlers and tell the parse thread of a
    // saved page. The parse thread wakes the download thread, whose object goes last.
    m_download->terminate();
    m_sockets.reset();
    m_parseThread.reset();
    m_download.reset();
}

Status TQLDownloader::start(std::unique_ptr<TQLTask> task) {
    if (!task)
        return Status::failure("No task to run");
    if (m_running)
        return Status::failure("A run is in progress: " + m_task->taskName());
    TQLTask& ref = *task;
    if (&ref != m_app.currentTask())
        m_app.setCurrentTask(std::move(task));
    return beginRun(ref, false);
}

Status TQLDownloader::start(TQLTask& currentTask) {
    if (m_running)
        return Status::failure("A run is in progress: " + m_task->taskName());
    if (&currentTask != m_app.currentTask())
        return Status::failure("Only the current task can be run without loading it: " +
                               currentTask.taskName());
    return beginRun(currentTask, true);
}

// Start run: the queue prepared by the run method, status "Downloading...", the zip timer
// started and the download and parse threads resumed.
Status TQLDownloader::beginRun(TQLTask& task, bool keepQueue) {
    const RunMethod method = task.runMethod();
    const bool resumed = method == RunMethod::Resume || method == RunMethod::SmartUpdate ||
                         method == RunMethod::SmartRecovery;
    m_app.hooks().setStatusLine(runText(resumed ? 692 : 691), -1);
    {
        std::lock_guard lock(task.mutex());
        task.clearOutputFailure();
    }
    Result<RunPreparation> prepared = prepareRunQueue(task, keepQueue);
    if (!prepared)
        return prepared.status();
    if (!task.intranetMode() && m_zip != nullptr) {
        if (Status opened = m_zip->startRun(task); !opened)
            return opened;
    }
    // A failure to write the task's state at the start (noted here or while preparing the
    // queue) stops dispatching at once and ends the run "Incomplete".
    {
        std::lock_guard lock(task.mutex());
        task.setStatus(TaskStatus::Downloading);
        if (Status saved = task.save(); !saved)
            task.noteOutputFailure(saved.message());
    }
    m_task = &task;
    m_outcome = {};
    m_running = true;
    m_zipTimer = m_main.startTimer(m_zipInterval, [this] { advanceRun(); });
    m_timerActive = true;
    if (m_parse != nullptr) {
        m_download->setWaitsForParsing(m_parse);
        m_download->setOnPageSaved([parse = m_parse] { parse->pageSaved(); });
    } else {
        m_download->setWaitsForParsing(nullptr);
        m_download->setOnPageSaved(nullptr);
    }
    m_download->resume(task);
    if (m_parse != nullptr)
        m_parse->startRun(task);
    m_app.hooks().refreshCounters();
    return {};
}

// Stop run: every transfer ends back in the queue, then "Download Stopped" (or "Incomplete"
// when what was fetched could not all be written).
void TQLDownloader::stop() {
    if (!m_running)
        return;
    m_app.hooks().setStatusLine(runText(694), -1);
    endOfRun();
    if (!outputFailure().empty()) {
        endIncomplete();
        return;
    }
    saveTask(TaskStatus::DownloadStopped);
    m_app.hooks().setStatusLine(runText(695), -1);
    runEnded(RunEnd::Stopped);
}

// A task file that cannot be written is a failure of the run's output.
void TQLDownloader::saveTask(TaskStatus status) {
    std::lock_guard lock(m_task->mutex());
    m_task->setStatus(status);
    if (Status saved = m_task->save(); !saved)
        m_task->noteOutputFailure(saved.message());
}

std::string TQLDownloader::outputFailure() const {
    std::lock_guard lock(m_task->mutex());
    return m_task->outputFailure();
}

void TQLDownloader::runEnded(RunEnd end, std::string reason) {
    TQLTask& task = *m_task;
    m_outcome.end = end;
    m_outcome.reason = end == RunEnd::OutputFailed ? outputFailure() : std::move(reason);
    m_running = false;
    m_app.hooks().refreshCounters();
    if (m_onRunEnded)
        m_onRunEnded(task);
}

} // namespace quarlo
