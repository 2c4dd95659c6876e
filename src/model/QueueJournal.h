#pragma once

#include "model/TQLTask.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// The journal beside a queue file ("<name>.dwn.journal"): every change made to the queue
// since it was last loaded or saved, so that a run killed at any moment resumes with every
// queued link and status. It starts with a header naming the queue it applies to (the queue
// file's size and checksum, or an empty queue), then one record per change, each written
// with a single write and checked by a checksum. A torn last record is ignored; a journal
// whose header does not match the queue file (left over from before a save) is ignored.
class QueueJournal {
public:
    struct Record {
        char kind = 'S'; // 'A': appended as a new entry; 'S': stored by URL
        std::string url;
        std::string data;
        TaskCounters counters; // the task's counters after the change
    };
    struct Replay {
        bool found = false;     // a journal file exists
        bool applies = false;   // its header matches the queue given
        bool fromEmpty = false; // it starts from an empty queue, not from the queue file
        bool torn = false;      // it ends in an incomplete or damaged record
        std::vector<Record> records;
    };

    QueueJournal() = default;
    ~QueueJournal();
    QueueJournal(const QueueJournal&) = delete;
    QueueJournal& operator=(const QueueJournal&) = delete;

    // Empty: nothing is journaled. A new path closes the file of the old one.
    void setPath(const std::string& path);
    const std::string& path() const { return m_path; }

    // The queue the next records apply to. Either drops the journal file: it no longer
    // applies.
    void startFromContent(std::string_view queueFileContent);
    void startFromEmpty();

    // Reads the journal file without changing it. queueFileContent is the queue file as
    // loaded (nothing when it does not exist). Afterwards the next record continues the
    // valid part of that journal when it applies, else starts a new one over the content.
    Replay read(const std::optional<std::string>& queueFileContent);

    // Appends a record (a new journal gets its header first). Returns false when the file
    // cannot be written. A write that fails is cut off again and ends the journal: later
    // records are refused until it starts again (startFrom... or read), so the file always
    // holds an unbroken run of changes and never a later change without an earlier one. A
    // journal started over an empty queue here (a fresh run before its first save) that fails
    // while a queue file lies beside it is removed: a load then finds that queue as it was,
    // rather than a part of the new one.
    bool write(const Record& record);
    // Why the journal ended; empty while it works.
    const std::string& failure() const { return m_failure; }
    // Records written between these are collected and written at once.
    void beginBatch();
    bool endBatch();

    // Deletes the journal file (after the queue file was saved).
    void remove();

private:
    enum class FileState { Fresh, Append, TruncateThenAppend };
    bool flush(std::string text);
    bool openForAppend();
    void fail(int error);
    std::string header() const;
    void close();
    std::uint64_t checksum(std::string_view data) const;
    std::size_t applyingHeader(std::string_view text,
                               const std::optional<std::string>& queueFileContent, Replay& replay);

    std::string m_path;
    int m_fd = -1;
    FileState m_state = FileState::Fresh;
    std::size_t m_validLength = 0; // of the file: everything up to its last whole record
    // Journals written by an earlier version check their records with FNV-1a: one found by
    // read() goes on in its own format until the queue is saved or started again.
    bool m_fnvRecords = false;
    bool m_baseEmpty = true;
    bool m_restarted = false; // started over an empty queue by startFromEmpty()
    std::uint64_t m_baseSize = 0;
    std::uint64_t m_baseHash = 0;
    int m_batchDepth = 0;
    std::string m_pending;
    std::string m_failure;
};

// FNV-1a, 64 bits: the checksum of journals written by an earlier version.
std::uint64_t fnv1a64(std::string_view data, std::uint64_t seed = 0xcbf29ce484222325ULL);
// The checksum of journal records and of the queue file they apply to: eight bytes a step,
// since every queue change and every save passes its text through it.
std::uint64_t checksum64(std::string_view data, std::uint64_t seed = 0xcbf29ce484222325ULL);

} // namespace quarlo
