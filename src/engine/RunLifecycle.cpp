// The end of a run: the shared tail of stopping and completing, and the step that finishes
// a completed download (on the download thread's word, and on the zip timer's ticks).

#include "engine/LinkRepair.h"
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
    if (task.intranetMode()) {
        if (Status repaired = repairRecordedLinks(task); !repaired) {
            std::lock_guard lock(task.mutex());
            task.noteOutputFailure(repaired.message());
        }
        removeEmptyFolders(task);
    }
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

// The download thread has found the download finished, or the run's output failed: the run
// ends now rather than at the zip timer's next tick. Zip rounds that leave files to add
// follow at once.
void TQLDownloader::onRunOver() {
    for (int round = 0; round < kFinishRounds && m_running; ++round) {
        if (!advanceRun())
            return;
    }
}

// On every tick of the zip timer and when the download is finished: a run whose output
// could not be written, or whose start page could not be fetched, ends "Incomplete"; a
// completed download becomes "Task Complete" (intranet mode) or, once its files are in the
// archive, "Zipped!" (Zip mode). True when the archive's check put files back in the zip
// list, so that another round may go at once.
bool TQLDownloader::advanceRun() {
    if (!m_running)
        return false;
    TQLTask& task = *m_task;
    if (!outputFailure().empty()) {
        failRun();
        return false;
    }
    TaskStatus status = TaskStatus::Unscheduled;
    {
        std::lock_guard lock(task.mutex());
        status = task.status();
    }
    if (status == TaskStatus::DownloadComplete) {
        if (std::string failed = startPageFailure(task); !failed.empty()) {
            endStartFailed(failed);
            return false;
        }
    }
    if (task.intranetMode()) {
        if (status == TaskStatus::DownloadComplete)
            finishRun(TaskStatus::TaskComplete);
        return false;
    }
    if (m_zip == nullptr) {
        if (status == TaskStatus::DownloadComplete)
            endZipModeRunWithoutArchive();
        return false;
    }
    const bool idle = m_zip->tick(task);
    if (!outputFailure().empty()) {
        failRun();
        return false;
    }
    bool drained = false;
    bool work = false;
    {
        std::lock_guard lock(task.mutex());
        drained = task.zipList().empty();
        work = task.queue().firstPageToFetch() || task.queue().firstResourceToFetch();
    }
    if (status != TaskStatus::DownloadComplete)
        return false;
    // The archive lacked files that must be fetched again: the download goes on.
    if (work) {
        resumeDownload(task);
        return false;
    }
    if (idle && drained) {
        finishRun(TaskStatus::Zipped);
        return false;
    }
    return idle;
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

// No start page could be fetched: a run that copied nothing ends "Incomplete" and says why
// rather than "Download completed". The archive is neither completed nor renamed.
void TQLDownloader::endStartFailed(const std::string& reason) {
    endOfRun();
    saveTask(TaskStatus::Incomplete);
    if (!outputFailure().empty()) {
        endIncomplete();
        return;
    }
    m_app.hooks().setStatusLine(incompleteText(m_task->taskName(), reason), -1);
    runEnded(RunEnd::StartFailed, reason);
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
