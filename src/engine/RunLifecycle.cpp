// The end of a run: the shared tail of stopping and completing, and the zip timer that
// finishes a completed download.

#include "engine/Queue.h"
#include "engine/RunPreparation.h"
#include "engine/SocketList.h"
#include "engine/TQLDownloader.h"
#include "engine/TThreadDownload.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"

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
                m_app.hooks().setStatusLine(saved.message(), -1);
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
    (void)m_download->waitUntilSuspended(kTransferEndWait);
}

// Every second while a run is in progress: a completed download becomes "Task Complete"
// (intranet mode) or, once its files are in the archive, "Zipped!" (Zip mode).
void TQLDownloader::zipTimerTick() {
    if (!m_running)
        return;
    TQLTask& task = *m_task;
    int status = 0;
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
    bool drained = false;
    {
        std::lock_guard lock(task.mutex());
        drained = task.zipList().empty();
    }
    if (idle && drained && status == TaskStatus::DownloadComplete)
        finishRun(TaskStatus::Zipped);
}

// The completion step: the final status saved, End of run, the archive renamed (Zip
// mode), the completion text and the beep.
void TQLDownloader::finishRun(int status) {
    TQLTask& task = *m_task;
    saveTask(status);
    endOfRun();
    if (!task.intranetMode() && m_zip != nullptr)
        m_zip->completed(task);
    m_app.hooks().setStatusLine(runText(690) + task.taskName() + ")", -1);
    if (m_app.beepOnCompletion())
        m_app.hooks().beep();
    runEnded();
}

// Zip mode without an archive component: the run ends at "Download Complete" with the
// completed files left in the Temp folder and in the zip list; nothing claims to be zipped.
void TQLDownloader::endZipModeRunWithoutArchive() {
    endOfRun();
    saveTask(TaskStatus::DownloadComplete);
    runEnded();
}

} // namespace quarlo
