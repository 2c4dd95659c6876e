// The end of a run: the shared tail of stopping and completing, and the zip timer that
// finishes a completed download.

#include "engine/Queue.h"
#include "engine/RunPreparation.h"
#include "engine/SocketList.h"
#include "engine/TQLDownloader.h"
#include "engine/TThreadDownload.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/UiHooks.h"

namespace quarlo {

namespace {

// Stopped transfers end within moments; this only bounds a wait that something broke.
constexpr std::chrono::seconds kTransferEndWait{60};

} // namespace

// End of run: the threads told to stop, every transfer stopped and ended through
// TransferDone, what was being fetched put back, the queue saved.
void TQLDownloader::endOfRun() {
    TQLTask& task = *m_task;
    m_download->requestStop();
    if (m_parse != nullptr)
        m_parse->stopRun();
    if (m_timerActive) {
        m_main.stopTimer(m_zipTimer);
        m_timerActive = false;
    }
    waitForTransfers();
    putBackFetchingItems(task);
    // Only now has every transfer that completed put its file in the zip list.
    if (!task.intranetMode() && m_zip != nullptr)
        m_zip->endRun(task);
    {
        std::lock_guard lock(task.mutex());
        if (task.queueDirty()) {
            if (Status saved = SaveQueue(task); !saved)
                task.noteOutputFailure(saved.message());
        }
    }
    if (task.intranetMode() && m_app.showSummaryOnCompletion() && m_showSummary)
        m_showSummary(task);
    if (m_rearm)
        m_rearm(task);
}

// Stops every slot and waits until each stopped transfer has recorded its outcome, so that
// the queue is saved with nothing lost; then waits for the download thread to suspend.
void TQLDownloader::waitForTransfers() {
    m_sockets->StopAll();
    if (!m_download->waitUntilNoTransfers(kTransferEndWait))
        m_app.hooks().setStatusLine("Some transfers did not end when they were stopped", -1);
    if (!m_download->waitUntilSuspended(kTransferEndWait))
        m_app.hooks().setStatusLine("The download thread did not stop in time", -1);
}

// Every second while a run is in progress: a run whose output could not be written ends
// "Incomplete"; a completed download becomes "Task Complete" (intranet mode) or, once its
// files are in the archive, "Zipped!" (Zip mode).
void TQLDownloader::zipTimerTick() {
    if (!m_running)
        return;
    TQLTask& task = *m_task;
    if (!outputFailure().empty()) {
        failRun();
        return;
    }
    TaskStatus status = TaskStatus::Unscheduled;
    {
        std::lock_guard lock(task.mutex());
        status = task.status();
    }
    if (task.intranetMode()) {
        if (status == TaskStatus::DownloadComplete)
            finishRun(TaskStatus::TaskComplete);
        return;
    }
    if (m_zip == nullptr) {
        if (status == TaskStatus::DownloadComplete)
            endZipModeRunWithoutArchive();
        return;
    }
    const bool idle = m_zip->tick(task);
    if (!outputFailure().empty()) {
        failRun();
        return;
    }
    bool drained = false;
    bool work = false;
    {
        std::lock_guard lock(task.mutex());
        drained = task.zipList().empty();
        work = task.queue().firstPageToFetch() || task.queue().firstResourceToFetch();
    }
    if (status != TaskStatus::DownloadComplete)
        return;
    // The archive lacked files that must be fetched again: the download goes on.
    if (work)
        resumeDownload(task);
    else if (idle && drained && outputFailure().empty())
        finishRun(TaskStatus::Zipped);
}

void TQLDownloader::resumeDownload(TQLTask& task) {
    {
        std::lock_guard lock(task.mutex());
        task.setStatus(TaskStatus::Downloading);
    }
    m_download->resume(task);
}

// The completion step: the final status saved, End of run, the archive renamed (Zip
// mode), the completion text and the beep. Anything that cannot be written on the way
// makes it end "Incomplete" instead.
void TQLDownloader::finishRun(TaskStatus status) {
    TQLTask& task = *m_task;
    {
        std::lock_guard lock(task.mutex());
        if (task.queueDirty()) {
            if (Status saved = SaveQueue(task); !saved)
                task.noteOutputFailure(saved.message());
        }
    }
    if (!outputFailure().empty()) {
        failRun();
        return;
    }
    saveTask(status);
    endOfRun();
    if (!task.intranetMode() && m_zip != nullptr && outputFailure().empty())
        m_zip->completed(task);
    if (!outputFailure().empty()) {
        endIncomplete();
        return;
    }
    m_app.hooks().setStatusLine(runText(690) + task.taskName() + ")", -1);
    if (m_app.beepOnCompletion())
        m_app.hooks().beep();
    runEnded(RunEnd::Completed);
}

// The run's output could not be written: the run ends as Stop ends it, then "Incomplete".
void TQLDownloader::failRun() {
    endOfRun();
    endIncomplete();
}

// After End of run: "Incomplete" (saved when the task file can be written) and the reason.
void TQLDownloader::endIncomplete() {
    saveTask(TaskStatus::Incomplete);
    m_app.hooks().showMessage(UiHooks::MessageKind::Error,
                              incompleteText(m_task->taskName(), outputFailure()));
    runEnded(RunEnd::OutputFailed);
}

// Zip mode without an archive component: the run ends at "Download Complete" with the
// completed files left in the Temp folder and in the zip list; nothing claims to be zipped.
void TQLDownloader::endZipModeRunWithoutArchive() {
    endOfRun();
    saveTask(TaskStatus::DownloadComplete);
    if (!outputFailure().empty()) {
        endIncomplete();
        return;
    }
    runEnded(RunEnd::Completed);
}

} // namespace quarlo
