#pragma once

#include "model/TQLQItem.h"
#include "model/TaskQueue.h"
#include "platform/Result.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace quarlo {

class FileTypes;
class SettingsStore;
class TQLTask;

// The operations on a task's queue. The caller holds task.mutex() around each call (and
// around a look-up followed by AddItem, or SetStatus followed by StoreItem, so that they
// stay together). The task's OnTaskProgress callback is called under that lock: it must
// not take it.

// Appends the item as a new entry (also when its URL is queued: look it up first with
// URLIndexHas), counts it as found (page or resource) and sets QueueDirty. A URL or
// referrer holding ¶, CR or LF is queued percent-encoded, and the item's URL becomes the
// queued spelling.
void AddItem(TQLTask& task, TQLQItem& item);

// AddItem for one of a page's links: only when the URL index does not hold the item's URL
// (URLIndexHas); true when it was added. The journal stays where the last call that looks the
// path up left it (BeginQueueBatch among them): a page's links do not work it out again.
bool AddNewItem(TQLTask& task, TQLQItem& item);
// Between these the journal records of the queue's changes are written at once, at the end.
void BeginQueueBatch(TQLTask& task);
void EndQueueBatch(TQLTask& task);

// A batch for the life of the object: it takes the task's mutex to begin and to end. end()
// writes the records before that, and tells whether the journal took them (or the queue keeps
// none): what depends on them having reached it (a rename they announce) waits for it. The
// std::adopt_lock forms are for a caller that holds the task's mutex already.
class QueueBatch {
public:
    explicit QueueBatch(TQLTask& task);
    QueueBatch(TQLTask& task, std::adopt_lock_t);
    ~QueueBatch();
    QueueBatch(const QueueBatch&) = delete;
    QueueBatch& operator=(const QueueBatch&) = delete;
    bool end();
    bool end(std::adopt_lock_t);

private:
    TQLTask& m_task;
    bool m_ended = false;
};

// A new item with the fields of entry number `entry` (the URL line's index / 2); nothing
// when there is no such entry.
std::unique_ptr<TQLQItem> LoadItem(TQLTask& task, std::size_t entry);

// Writes the item's data line over that of the first entry with its URL (compared without
// regard to case), or appends the pair when there is none. The message is stored without
// CR, LF and ¶ and with its blanks trimmed. Sets QueueDirty. item.Task must be set.
void StoreItem(TQLQItem& item);
// StoreItem for an item handed to a transfer: the journal does not record it, since the
// resume of a killed run puts an entry in transfer back anyway.
void StoreTransferStart(TQLQItem& item);

// Moves the counters for the change of status (3 -> 0: one error less; saved -> 0: one
// saved less and Size bytes less; saved -> 3: one saved less, one error more), sets the
// status and calls OnTaskProgress("", 0, 0). Does not store the item.
void SetStatus(TQLQItem& item, QueueStatus status);

// "None", "Downloading", ... "Zipped"; "Unknown" for any other value.
std::string StatusName(QueueStatus status);

// Whether the URL index holds the URL (scheme and host compared without regard to ASCII
// case, path and query exactly).
bool URLIndexHas(const TQLTask& task, std::string_view url);

// The first entry in queue order that qualifies, freshly loaded; nothing when none does.
std::unique_ptr<TQLQItem> NextPage(TQLTask& task);
std::unique_ptr<TQLQItem> NextResource(TQLTask& task);
std::unique_ptr<TQLQItem> NextSavedPage(TQLTask& task);
// The balanced choice between the next page and the next resource after the "Priority"
// setting; counts what it hands out in PagesDispatched / ResourcesDispatched and as an
// attempt of the entry. An entry handed out kAttemptsPerRun times in this run is not handed
// out again: when the selection reaches it once more it fails (status Error, counted) with
// the message of its last transfer. So a transfer that keeps ending incomplete, or a retry
// (the entry put back to status 0 with its message), ends after that many attempts.
std::unique_ptr<TQLQItem> NextItem(TQLTask& task);

// What the selection may do with an entry at the moment, asked in queue order.
struct EntryVerdict {
    enum class Kind {
        Dispatch, // hand it out
        Skip,     // leave it for now (its host waits) and look further
        Refuse,   // never in this run: set to mode 0 (unmarked) with the message
        Fail,     // fail it (status Error, counted) with the message
    };
    Kind kind = Kind::Dispatch;
    std::string message;
};
using EntryGate = std::function<EntryVerdict(const std::string& url)>;
// NextItem with every candidate put to the gate first.
std::unique_ptr<TQLQItem> NextItem(TQLTask& task, const EntryGate& gate);

// Saved + errors have reached the found count, for pages and for resources.
bool AllDone(const TQLTask& task);

// The file types of the settings, kept by the calling thread and reread only when the
// settings change. Not to be handed to another thread: it fills its cache as it goes.
const FileTypes& threadFileTypes(SettingsStore& settings);

// The local file of the item's URL under the task's result place, kept in item.LocalName;
// empty when the URL is refused (its file would not lie inside that folder).
std::string LocalName(TQLQItem& item);

// Replaces the queue with the queue file's entries when the file exists and replays the
// journal of changes made after its last save. Malformed lines are repaired or dropped and
// counted, and one warning naming the file and the count goes to the UI hooks. When
// something was loaded, the found, saved and error counters are counted from the entries
// (the bytes received come from the journal, when it has any), and a replayed journal or a
// repair sets QueueDirty.
Result<QueueLoadReport> LoadQueue(TQLTask& task);
// Loads the queue file when the queue is empty, then rebuilds the URL index, reporting
// "Opening task...." through OnTaskProgress at the first entry, every fiftieth, and the
// last.
Result<QueueLoadReport> OpenQueue(TQLTask& task);
// Flushes the file system of the task's result place (and, in Zip mode, of the archive's
// folder), so that every file written there so far survives a power cut; then writes the
// queue file (atomically, mode 0600, CR LF), removes the journal, saves the task file, and
// clears QueueDirty and ChangesSinceSave. Files are downloaded and converted without a flush
// of their own: a queue that records them as saved is only written after this one.
Status SaveQueue(TQLTask& task);
// Called once per cycle of the download thread while QueueDirty is set: counts the call,
// and saves the queue on every eleventh one since the last save (see setQueueSaveCycles).
Status NoteQueueChange(TQLTask& task);
// The cycles between periodic saves for the whole process: the queue is saved on every
// (cycles + 1)th call of NoteQueueChange. TQLApp::kQueueSaveInterval unless set; negative
// values count as 0.
void setQueueSaveCycles(int cycles);

} // namespace quarlo
