#include "engine/Queue.h"

#include "html/FileTypes.h"
#include "html/LocalNames.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <atomic>
#include <cmath>
#include <memory>
#include <sys/stat.h>

namespace quarlo {

namespace {

// Changes are journaled beside the queue file; a task without a file keeps none.
TaskQueue& attachedQueue(TQLTask& task) {
    TaskQueue& queue = task.queue();
    queue.setJournalPath(task.queueJournalPath());
    return queue;
}

// A change that the journal could not keep is a failure of the run's output.
void noteJournalFailure(TQLTask& task) {
    if (const std::string& failure = task.queue().journalFailure(); !failure.empty())
        task.noteOutputFailure(failure);
}

std::atomic<int> g_queueSaveCycles{TQLApp::kQueueSaveInterval};

// Device of the folder, or of its nearest existing parent; 0 when none can be read.
dev_t deviceOf(std::string folder) {
    struct stat info {};
    while (!folder.empty()) {
        if (::stat(folder.c_str(), &info) == 0)
            return info.st_dev;
        const std::string parent = folderOf(withoutTrailingSlash(folder));
        if (parent == folder)
            break;
        folder = parent;
    }
    return 0;
}

// Files of a run go to the result place; a Zip archive is written in its own folder, which
// may be on another file system.
Status flushOutput(const TQLTask& task) {
    const std::string place = task.resultPlace();
    if (place.empty())
        return {};
    if (Status flushed = flushFileSystem(place); !flushed)
        return flushed;
    if (task.intranetMode() || task.destination().empty())
        return {};
    const std::string archiveFolder = folderOf(task.destination());
    if (deviceOf(archiveFolder) == deviceOf(place))
        return {};
    return flushFileSystem(archiveFolder);
}

std::unique_ptr<TQLQItem> loadEntry(TQLTask& task, std::optional<std::size_t> entry) {
    return entry ? LoadItem(task, *entry) : nullptr;
}

// The entry has been handed to transfers as often as a run allows: it fails with the message
// of its last transfer. Written by entry number, so that it ends even if its URL would lead
// a store elsewhere.
void failAfterLastAttempt(TQLTask& task, std::size_t entry) {
    auto item = LoadItem(task, entry);
    SetStatus(*item, QueueStatus::Error);
    TaskCounters& counters = task.counters();
    ++(item->isPage() ? counters.PageErrors : counters.ResourceErrors);
    if (item->Message.empty())
        item->Message = "Given up after " + std::to_string(kAttemptsPerRun) + " attempts";
    attachedQueue(task).replace(entry, buildDataLine(*item), counters);
    task.setQueueDirty(true);
}

// The gate's verdict carried out on an entry that is not handed out.
void applyVerdict(TQLTask& task, std::size_t entry, const EntryVerdict& verdict) {
    auto item = LoadItem(task, entry);
    TaskCounters& counters = task.counters();
    if (verdict.kind == EntryVerdict::Kind::Refuse) {
        item->Mode = QueueMode::Unmarked;
    } else {
        SetStatus(*item, QueueStatus::Error);
        ++(item->isPage() ? counters.PageErrors : counters.ResourceErrors);
    }
    item->Message = verdict.message;
    attachedQueue(task).replace(entry, buildDataLine(*item), counters);
    task.setQueueDirty(true);
}

using FirstFrom = std::optional<std::size_t> (TaskQueue::*)(std::size_t) const;

// The first entry of a selection that may be fetched in this run and that the gate lets
// through now; entries on the way that have used their attempts fail, and those the gate
// refuses or fails are set so.
std::optional<std::size_t> firstFetchable(TQLTask& task, FirstFrom first, const EntryGate& gate) {
    const TaskQueue& queue = task.queue();
    for (auto entry = (queue.*first)(0); entry; entry = (queue.*first)(*entry + 1)) {
        if (queue.attempts(*entry) >= kAttemptsPerRun) {
            failAfterLastAttempt(task, *entry);
            continue;
        }
        if (!gate)
            return entry;
        const EntryVerdict verdict = gate(queue.url(*entry));
        if (verdict.kind == EntryVerdict::Kind::Dispatch)
            return entry;
        if (verdict.kind != EntryVerdict::Kind::Skip)
            applyVerdict(task, *entry, verdict);
    }
    return std::nullopt;
}

// Hands the entry out to a transfer: one attempt more, counted as dispatched.
std::unique_ptr<TQLQItem> dispatchEntry(TQLTask& task, std::optional<std::size_t> entry,
                                        std::int64_t& dispatched) {
    if (!entry)
        return nullptr;
    task.queue().noteAttempt(*entry);
    ++dispatched;
    return LoadItem(task, *entry);
}

// What loading the queue file repaired, for the user: nothing when nothing was damaged.
std::string repairWarning(const std::string& file, const QueueLoadReport& report) {
    if (report.repairedLines == 0)
        return {};
    const std::size_t damaged = report.repairedLines;
    std::string text = "The queue file " + file + " had " + std::to_string(damaged) +
                       (damaged == 1 ? " damaged line" : " damaged lines");
    if (report.droppedLines == 0)
        return text + ", repaired.";
    return text + ": repaired " + std::to_string(damaged - report.droppedLines) + ", left out " +
           std::to_string(report.droppedLines) + " that held no entry.";
}

} // namespace

void AddItem(TQLTask& task, TQLQItem& item) {
    item.Task = &task;
    item.URL = queueSafeURL(item.URL);
    TaskCounters& counters = task.counters();
    if (item.isPage())
        ++counters.PagesFound;
    else
        ++counters.ResourcesFound;
    attachedQueue(task).append(item.URL, buildDataLine(item), counters);
    task.setQueueDirty(true);
    noteJournalFailure(task);
}

bool AddNewItem(TQLTask& task, TQLQItem& item) {
    TaskQueue& queue = task.queue();
    if (queue.contains(item.URL))
        return false;
    item.Task = &task;
    if (mayNeedQueueSpelling(item.URL))
        item.URL = queueSafeURL(item.URL);
    TaskCounters& counters = task.counters();
    ++(item.isPage() ? counters.PagesFound : counters.ResourcesFound);
    queue.append(item.URL, buildDataLine(item), classifyItem(item), counters);
    task.setQueueDirty(true);
    noteJournalFailure(task);
    return true;
}

void BeginQueueBatch(TQLTask& task) {
    attachedQueue(task).beginBatch();
}

void EndQueueBatch(TQLTask& task) {
    task.queue().endBatch();
    noteJournalFailure(task);
}

QueueBatch::QueueBatch(TQLTask& task) : m_task(task) {
    std::lock_guard lock(m_task.mutex());
    BeginQueueBatch(m_task);
}

QueueBatch::QueueBatch(TQLTask& task, std::adopt_lock_t) : m_task(task) {
    BeginQueueBatch(m_task);
}

QueueBatch::~QueueBatch() {
    if (!m_ended)
        end();
}

bool QueueBatch::end() {
    std::lock_guard lock(m_task.mutex());
    return end(std::adopt_lock);
}

bool QueueBatch::end(std::adopt_lock_t) {
    if (!m_ended) {
        m_ended = true;
        EndQueueBatch(m_task);
    }
    return m_task.queue().journalFailure().empty();
}

std::unique_ptr<TQLQItem> LoadItem(TQLTask& task, std::size_t entry) {
    const TaskQueue& queue = task.queue();
    if (entry >= queue.size())
        return nullptr;
    auto item = std::make_unique<TQLQItem>();
    item->Task = &task;
    item->URL = queue.url(entry);
    // The loader has repaired every stored line, so nothing is left to count here.
    [[maybe_unused]] const int repairs = readDataLine(queue.dataLine(entry), *item);
    return item;
}

void StoreItem(TQLQItem& item) {
    TQLTask& task = *item.Task;
    item.URL = queueSafeURL(item.URL);
    attachedQueue(task).store(item.URL, buildDataLine(item), task.counters());
    task.setQueueDirty(true);
    noteJournalFailure(task);
}

void StoreTransferStart(TQLQItem& item) {
    TQLTask& task = *item.Task;
    item.URL = queueSafeURL(item.URL);
    attachedQueue(task).storeUnjournaled(item.URL, buildDataLine(item), task.counters());
    task.setQueueDirty(true);
}

void SetStatus(TQLQItem& item, QueueStatus status) {
    TaskCounters& counters = item.Task->counters();
    const bool page = item.isPage();
    std::int64_t& saved = page ? counters.PagesSaved : counters.ResourcesSaved;
    std::int64_t& errors = page ? counters.PageErrors : counters.ResourceErrors;
    const QueueStatus old = item.Status;
    if (old == QueueStatus::Error && status == QueueStatus::None) {
        --errors;
    } else if (old >= QueueStatus::Saved && status == QueueStatus::None) {
        --saved;
        counters.BytesDownloaded -= item.Size;
    } else if (old >= QueueStatus::Saved && status == QueueStatus::Error) {
        --saved;
        ++errors;
    }
    item.Status = status;
    if (const auto& progress = item.Task->onTaskProgress())
        progress(std::string(), 0, 0);
}

std::string StatusName(QueueStatus status) {
    static const char* const kNames[] = {"None",       "Downloading", "Updating", "Error",
                                         "Downloaded", "Saved",       "Updated",  "Mapping",
                                         "Parsing",    "Mapped",      "Parsed",   "Zipped"};
    if (status > QueueStatus::Zipped)
        return "Unknown";
    return kNames[toQueueValue(status)];
}

bool URLIndexHas(const TQLTask& task, std::string_view url) {
    return task.queue().contains(url);
}

std::unique_ptr<TQLQItem> NextPage(TQLTask& task) {
    return loadEntry(task, task.queue().firstPageToFetch());
}

std::unique_ptr<TQLQItem> NextResource(TQLTask& task) {
    return loadEntry(task, task.queue().firstResourceToFetch());
}

std::unique_ptr<TQLQItem> NextSavedPage(TQLTask& task) {
    return loadEntry(task, task.queue().firstSavedPage());
}

std::unique_ptr<TQLQItem> NextItem(TQLTask& task) {
    return NextItem(task, EntryGate());
}

std::unique_ptr<TQLQItem> NextItem(TQLTask& task, const EntryGate& gate) {
    TaskCounters& counters = task.counters();
    const std::int64_t pages = counters.PagesDispatched;
    const std::int64_t resources = counters.ResourcesDispatched;
    // The share of pages among what was handed out is steered towards |P - 10| / 10.
    const double target = std::abs(task.app().priority() - 10) / 10.0;
    const bool pagesFirst =
        pages + resources == 0 ||
        target >= static_cast<double>(pages) / static_cast<double>(pages + resources);
    auto takePage = [&]() {
        return dispatchEntry(task, firstFetchable(task, &TaskQueue::firstPageToFetchFrom, gate),
                             counters.PagesDispatched);
    };
    auto takeResource = [&]() {
        return dispatchEntry(task, firstFetchable(task, &TaskQueue::firstResourceToFetchFrom, gate),
                             counters.ResourcesDispatched);
    };
    if (pagesFirst) {
        auto item = takePage();
        return item ? std::move(item) : takeResource();
    }
    auto item = takeResource();
    return item ? std::move(item) : takePage();
}

bool AllDone(const TQLTask& task) {
    const TaskCounters& c = task.counters();
    return c.PagesSaved + c.PageErrors >= c.PagesFound &&
           c.ResourcesSaved + c.ResourceErrors >= c.ResourcesFound;
}

// A new FileTypes would read its table from the settings for every entry.
const FileTypes& threadFileTypes(SettingsStore& settings) {
    thread_local std::unique_ptr<FileTypes> types;
    thread_local const SettingsStore* owner = nullptr;
    if (!types || owner != &settings) {
        types = std::make_unique<FileTypes>(settings);
        owner = &settings;
    }
    return *types;
}

std::string LocalName(TQLQItem& item) {
    TQLTask& task = *item.Task;
    item.LocalName =
        LocalName(threadFileTypes(task.app().settings()), task.resultPlace(), item.URL);
    return item.LocalName;
}

Result<QueueLoadReport> LoadQueue(TQLTask& task) {
    if (task.filePath().empty()) {
        QueueLoadReport report; // a task that was never saved has no queue file
        report.entries = task.queue().size();
        return report;
    }
    const FileTypes types(task.app().settings());
    auto typeOf = [&types](std::string_view url) { return types.URLFileType(url); };
    Result<QueueLoadReport> loaded = attachedQueue(task).loadFile(task.queueFileName(), typeOf);
    if (!loaded || !loaded->loaded)
        return loaded;
    // The counters follow the entries, whatever the task file or a damaged queue said. The
    // bytes received are not in the entries: the journal's figure is the latest.
    TaskCounters& counters = task.counters();
    const TaskCounters counts = task.queue().entryCounts();
    counters.PagesFound = counts.PagesFound;
    counters.ResourcesFound = counts.ResourcesFound;
    counters.PagesSaved = counts.PagesSaved;
    counters.ResourcesSaved = counts.ResourcesSaved;
    counters.PageErrors = counts.PageErrors;
    counters.ResourceErrors = counts.ResourceErrors;
    if (loaded->counters)
        counters.BytesDownloaded = loaded->counters->BytesDownloaded;
    // Replayed changes and repairs are not in the queue file yet.
    if (loaded->journalRecords > 0 || loaded->repairedLines > 0)
        task.setQueueDirty(true);
    if (const std::string warning = repairWarning(task.queueFileName(), *loaded); !warning.empty())
        task.app().hooks().showMessage(UiHooks::MessageKind::Warning, warning);
    return loaded;
}

Result<QueueLoadReport> OpenQueue(TQLTask& task) {
    QueueLoadReport report;
    if (task.queue().empty()) {
        Result<QueueLoadReport> loaded = LoadQueue(task);
        if (!loaded)
            return loaded;
        report = *loaded;
    }
    TaskQueue& queue = task.queue();
    const std::size_t entries = queue.size();
    const auto& progress = task.onTaskProgress();
    // Line i = 2 * entry + 1 of 2 * entries lines: reported when i mod 100 = 1 and for the
    // last entry, with the maximum "line count - 1".
    queue.rebuildIndex([&](std::size_t entry) {
        if (progress && (entry % 50 == 0 || entry + 1 == entries))
            progress("Opening task....", static_cast<std::int64_t>(2 * entry + 1),
                     static_cast<std::int64_t>(2 * entries - 1));
    });
    report.entries = entries;
    return report;
}

Status SaveQueue(TQLTask& task) {
    if (task.filePath().empty())
        return Status::failure("The task has no task file to keep its queue beside.");
    if (Status flushed = flushOutput(task); !flushed)
        return flushed;
    if (Status written = attachedQueue(task).saveFile(task.queueFileName()); !written)
        return written;
    if (Status saved = task.save(); !saved)
        return saved;
    task.setQueueDirty(false);
    task.setChangesSinceSave(0);
    return {};
}

Status NoteQueueChange(TQLTask& task) {
    if (task.changesSinceSave() < g_queueSaveCycles) {
        task.setChangesSinceSave(task.changesSinceSave() + 1);
        return {};
    }
    return SaveQueue(task);
}

void setQueueSaveCycles(int cycles) {
    g_queueSaveCycles = cycles < 0 ? 0 : cycles;
}

} // namespace quarlo
