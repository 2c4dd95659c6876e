#pragma once

#include "model/QueueJournal.h"
#include "model/TQLTask.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quarlo {

// How many times one entry may be handed to a transfer in one run: the first transfer and at
// most three retries, whatever made them necessary.
inline constexpr int kAttemptsPerRun = 4;

// What loading a queue text or file found.
struct QueueLoadReport {
    bool loaded = false;                  // a queue file or a journal was read
    std::size_t entries = 0;              // entries in the queue afterwards
    std::size_t repairedLines = 0;        // lines repaired, merged (a URL again) or dropped
    std::size_t droppedLines = 0;         // those of them that held no entry and were dropped
    std::size_t journalRecords = 0;       // changes replayed from the journal
    bool journalTorn = false;             // the journal ended in a torn record, which was ignored
    bool journalStale = false;            // the journal did not belong to the queue file: ignored
    std::optional<TaskCounters> counters; // the counters of the last replayed change
};

// The queue of one task: entries (a URL line and its data line) in insertion order, the
// URL index and the selection indexes, and the journal of changes since the last save.
//
// Selections give the answer of a scan from the first entry (the first qualifying entry in
// queue order) from ordered sets of entry numbers that are kept up to date on every change.
// The URL index maps URLs to the first entry with that URL; scheme and host compare without
// regard to ASCII case, path and query exactly.
//
// Not thread-safe: the task's mutex guards it. Not copyable (the index refers to it).
class TaskQueue {
public:
    // The category of a URL, for the default data line of a URL whose data line is missing.
    using TypeOfURL = std::function<std::string(std::string_view url)>;

    TaskQueue();
    ~TaskQueue();
    TaskQueue(const TaskQueue&) = delete;
    TaskQueue& operator=(const TaskQueue&) = delete;

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    const std::string& url(std::size_t entry) const { return m_entries[entry].url; }
    const std::string& dataLine(std::size_t entry) const { return m_entries[entry].data; }
    // The status, mode and kind of the entry as its data line holds them, without reading
    // the line.
    const DataLineClass& dataClass(std::size_t entry) const { return m_entries[entry].cls; }

    // URLIndex: the first entry whose URL equals the text as the queue spells it (see
    // queueSafeURL), scheme and host without regard to ASCII case.
    std::optional<std::size_t> find(std::string_view url) const;
    // Whether some entry has an ASCII capital in its scheme or host: only then may a URL with
    // none there be queued under another spelling. May be read without the task's mutex.
    bool holdsCapitalHosts() const { return m_capitalHosts.load(std::memory_order_acquire); }
    // Whether the URL has an ASCII capital in its scheme or host.
    static bool capitalInHost(std::string_view url);
    bool contains(std::string_view url) const { return find(url).has_value(); }

    // Appends an entry, also when its URL is queued already (the index keeps the first).
    // Journaled with the counters given. Returns the entry number.
    std::size_t append(std::string url, std::string dataLine, const TaskCounters& counters);
    // The same with the data line's class known (classifyItem of the item it was built from),
    // so that the line is not read again.
    std::size_t append(std::string url, std::string dataLine, const DataLineClass& cls,
                       const TaskCounters& counters);
    // Replaces the data line of the first entry with the URL, or appends the pair.
    // Journaled. Returns the entry number.
    std::size_t store(std::string_view url, std::string dataLine, const TaskCounters& counters);
    // store() of a state that a killed run's resume undoes anyway (an entry in transfer is
    // put back in the queue): not journaled, so that the journal's next record of the entry
    // replaces the one before the transfer. A URL not queued yet is stored journaled.
    std::size_t storeUnjournaled(std::string_view url, std::string dataLine,
                                 const TaskCounters& counters);
    // Replaces the data line of the entry. Journaled.
    void replace(std::size_t entry, std::string dataLine, const TaskCounters& counters);

    // Transfers of the entry in this run: counted when it is handed out, all set back to 0
    // when a run starts.
    int attempts(std::size_t entry) const { return m_entries[entry].attempts; }
    void noteAttempt(std::size_t entry);
    void resetAttempts();

    // The found, saved and error counters as the entries are now (the other counters 0).
    TaskCounters entryCounts() const;

    // The selection rules, each the first qualifying entry in queue order:
    // a page to fetch: mode 1 or 2 in status 0, or mode 3 in status 0 or 1;
    std::optional<std::size_t> firstPageToFetch() const;
    // a resource to fetch: mode 1 in status 0, or mode 3 in status 0 or 1;
    std::optional<std::size_t> firstResourceToFetch() const;
    // a page in status Saved or a style sheet in status Parsing, whatever its mode.
    std::optional<std::size_t> firstSavedPage() const;
    // The first page / resource to fetch numbered `from` or later, for a selection that
    // passes some entries over.
    std::optional<std::size_t> firstPageToFetchFrom(std::size_t from) const;
    std::optional<std::size_t> firstResourceToFetchFrom(std::size_t from) const;

    // Empties the queue. The journal starts again from an empty queue (the queue file on
    // disk no longer counts until the next save).
    void clear();
    // Rebuilds the URL index, calling progress (if set) with each entry number.
    void rebuildIndex(const std::function<void(std::size_t entry)>& progress);

    // The queue as its file holds it: URL line, data line, each ended by CR LF.
    std::string text() const;
    // Replaces the queue with the entries of a queue text and repairs what is malformed
    // (see the loader): every URL and referrer in the spelling the queue keeps them in
    // (queueSafeURL), numbers in range, and one entry per URL (entries whose URLs coincide
    // are merged into the first, which takes the most advanced state of them). Not
    // journaled; the text becomes the journal's base.
    QueueLoadReport loadText(std::string_view text, const TypeOfURL& typeOf);
    // Replaces the queue with the queue file (when it exists) and replays the journal
    // beside it, repairing as loadText does. A missing file with no journal leaves the
    // queue as it is.
    Result<QueueLoadReport> loadFile(const std::string& path, const TypeOfURL& typeOf);
    // Writes the queue file atomically (mode 0600) and removes the journal.
    Status saveFile(const std::string& path);

    // Where changes are journaled; empty: not journaled. The journal is the queue file's
    // path + ".journal".
    void setJournalPath(const std::string& path) { m_journal.setPath(path); }
    const std::string& journalPath() const { return m_journal.path(); }
    // Between beginBatch and endBatch journal records are collected and written at once.
    void beginBatch() { m_journal.beginBatch(); }
    void endBatch() { m_journal.endBatch(); }
    // Why the journal stopped taking changes; empty while it works.
    const std::string& journalFailure() const { return m_journal.failure(); }

private:
    struct Entry {
        std::string url;
        std::string data;
        DataLineClass cls;
        std::uint8_t attempts = 0;
    };
    struct FoldHash {
        using is_transparent = void;
        const std::vector<Entry>* entries;
        std::size_t operator()(std::string_view url) const;
        std::size_t operator()(std::size_t entry) const { return (*this)((*entries)[entry].url); }
    };
    struct FoldEqual {
        using is_transparent = void;
        const std::vector<Entry>* entries;
        bool operator()(std::size_t a, std::size_t b) const;
        bool operator()(std::string_view a, std::size_t b) const;
        bool operator()(std::size_t a, std::string_view b) const { return (*this)(b, a); }
    };

    QueueLoadReport parseText(std::string_view text, const TypeOfURL& typeOf);
    bool loadEntry(std::string_view url, std::string_view dataLine, bool repaired);
    bool replayStore(std::string_view url, std::string_view dataLine);
    void clearEntries();
    std::size_t appendEntry(std::string url, std::string dataLine);
    std::size_t appendEntry(std::string url, std::string dataLine, const DataLineClass& cls);
    void replaceData(std::size_t entry, std::string dataLine);
    void indexEntry(std::size_t entry, bool add);

    std::vector<Entry> m_entries;
    std::unordered_set<std::size_t, FoldHash, FoldEqual> m_urlIndex;
    std::atomic<bool> m_capitalHosts{false};
    std::set<std::size_t> m_pagesToFetch;
    std::set<std::size_t> m_resourcesToFetch;
    std::set<std::size_t> m_savedPages;
    QueueJournal m_journal;
};

} // namespace quarlo
