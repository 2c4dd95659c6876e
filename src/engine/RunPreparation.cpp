#include "engine/RunPreparation.h"

#include "engine/Queue.h"
#include "html/FileTypes.h"
#include "html/UrlFunctions.h"
#include "model/TQLApp.h"
#include "model/TQLQItem.h"
#include "model/TQLTask.h"

#include <functional>
#include <mutex>

namespace quarlo {

namespace {

// Loads every entry and lets change() alter the ones it accepts (returning true); those are
// stored. Returns how many changed.
// `mayChange` passes over, by their stored status, the entries `change` would leave: their
// items are not built.
std::size_t changeEntries(TQLTask& task, const std::function<bool(TQLQItem&)>& change,
                          bool (*mayChange)(QueueStatus) = nullptr) {
    TaskQueue& queue = task.queue();
    std::size_t changed = 0;
    queue.beginBatch();
    for (std::size_t entry = 0; entry < queue.size(); ++entry) {
        if (mayChange != nullptr && !mayChange(queue.dataClass(entry).status))
            continue;
        auto item = LoadItem(task, entry);
        if (item && change(*item)) {
            StoreItem(*item);
            ++changed;
        }
    }
    queue.endBatch();
    if (!queue.journalFailure().empty())
        task.noteOutputFailure(queue.journalFailure());
    return changed;
}

std::vector<std::string> startURLs(const TQLTask& task) {
    if (!task.url().empty())
        return {task.url()};
    std::vector<std::string> urls;
    for (const std::string& url : task.urls()) {
        if (!url.empty())
            urls.push_back(url);
    }
    return urls;
}

Result<std::size_t> prepareAndSave(TQLTask& task, const std::function<bool(TQLQItem&)>& change) {
    const std::size_t changed = changeEntries(task, change);
    if (Status saved = SaveQueue(task); !saved)
        return saved;
    return changed;
}

Result<std::size_t> smartUpdateLocked(TQLTask& task) {
    return prepareAndSave(task, [](TQLQItem& item) {
        if (item.Status < QueueStatus::Saved)
            return false;
        SetStatus(item, QueueStatus::None);
        item.Mode = QueueMode::Update;
        item.Message.clear();
        return true;
    });
}

Result<std::size_t> smartRecoveryLocked(TQLTask& task) {
    return prepareAndSave(task, [](TQLQItem& item) {
        if (item.Status != QueueStatus::Error)
            return false;
        SetStatus(item, QueueStatus::None);
        item.Size = 0;
        item.Message.clear();
        return true;
    });
}

bool isFetching(QueueStatus status) {
    return status == QueueStatus::Downloading || status == QueueStatus::Updating;
}

std::size_t putBackLocked(TQLTask& task) {
    return changeEntries(
        task,
        [](TQLQItem& item) {
            if (!isFetching(item.Status))
                return false;
            SetStatus(item, QueueStatus::None);
            item.Message = kTransferIncomplete;
            return true;
        },
        isFetching);
}

Status beginFreshRunLocked(TQLTask& task) {
    task.resetRunState();
    const DateTime now = currentDateTime();
    task.setLastRun(now);
    task.setStartTime(now);
    task.setElapsedTime(0);
    task.resetDispatchCounters();
    task.setChangesSinceSave(0);
    const std::vector<std::string> urls = startURLs(task);
    if (urls.empty())
        return Status::failure("The task has no start URL.");
    task.setStartDirectory(URLDirectory(urls.front()));
    const QueueMode mode =
        task.runMethod() == RunMethod::Map ? QueueMode::Map : QueueMode::Download;
    if (task.runMethod() == RunMethod::Map)
        task.setRunMethod(RunMethod::Restart);
    const FileTypes types(task.app().settings());
    // The start items reach the journal in one write: a queue never holds part of them.
    task.queue().beginBatch();
    for (const std::string& url : urls) {
        if (URLIndexHas(task, url))
            continue;
        TQLQItem item;
        item.Task = &task;
        item.URL = url;
        // The start URL's folder; only a "/" beyond the scheme's "://" counts.
        item.BaseURL = URLDirectory(url);
        item.FileType = types.URLFileType(url);
        item.Level = 0;
        item.Status = QueueStatus::None;
        item.Mode = mode;
        LocalName(item);
        AddItem(task, item);
        StoreItem(item);
    }
    task.queue().endBatch();
    if (!task.queue().journalFailure().empty())
        task.noteOutputFailure(task.queue().journalFailure());
    return {};
}

} // namespace

Status beginFreshRun(TQLTask& task) {
    std::lock_guard lock(task.mutex());
    return beginFreshRunLocked(task);
}

std::size_t putBackFetchingItems(TQLTask& task) {
    std::lock_guard lock(task.mutex());
    return putBackLocked(task);
}

Result<std::size_t> prepareSmartUpdate(TQLTask& task) {
    std::lock_guard lock(task.mutex());
    return smartUpdateLocked(task);
}

Result<std::size_t> prepareSmartRecovery(TQLTask& task) {
    std::lock_guard lock(task.mutex());
    return smartRecoveryLocked(task);
}

std::string startPageFailure(TQLTask& task) {
    std::lock_guard lock(task.mutex());
    std::string failure;
    for (const std::string& url : startURLs(task)) {
        const auto entry = task.queue().find(url);
        auto item = entry ? LoadItem(task, *entry) : nullptr;
        if (item == nullptr)
            continue;
        if (item->Status != QueueStatus::Error)
            return {};
        if (failure.empty())
            failure = item->Message.empty() ? StatusName(item->Status) : item->Message;
    }
    return failure;
}

Result<RunPreparation> prepareRunQueue(TQLTask& task, bool keepQueue) {
    std::lock_guard lock(task.mutex());
    RunPreparation done;
    const RunMethod method = task.runMethod();
    if (method != RunMethod::Resume && method != RunMethod::SmartUpdate &&
        method != RunMethod::SmartRecovery) {
        done.fresh = true;
        if (Status begun = beginFreshRunLocked(task); !begun)
            return begun;
        return done;
    }
    if (!keepQueue || task.queue().empty()) {
        Result<QueueLoadReport> opened = OpenQueue(task);
        if (!opened)
            return opened.status();
        done.load = *opened;
    }
    task.beginResumedRun();
    // Every entry has its attempts again in a new run (a kept queue counted the last one's).
    task.queue().resetAttempts();
    done.putBack = putBackLocked(task);
    done.interrupted = finishInterruptedWrites(task);
    Result<std::size_t> prepared = std::size_t{0};
    if (method == RunMethod::SmartRecovery)
        prepared = smartRecoveryLocked(task);
    else if (method == RunMethod::SmartUpdate)
        prepared = smartUpdateLocked(task);
    // The queue is prepared in memory; a queue file that cannot be written ends the run
    // "Incomplete" as soon as it has started.
    if (!prepared)
        task.noteOutputFailure(prepared.message());
    else
        done.prepared = *prepared;
    return done;
}

} // namespace quarlo
