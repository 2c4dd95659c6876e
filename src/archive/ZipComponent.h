#pragma once

#include "archive/ZipEvents.h"
#include "archive/ZipResult.h"
#include "platform/Result.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quarlo {

class ZipHandle;

// The Zip component: settings, operations and events over libzip. Every operation returns a
// result code (ZipResult; 0 or less is success), reports through the events and clears
// FilesToProcess. Writing operations commit before they return: the events report what is
// being done, the result and processedEntries() what the archive holds afterwards. The
// process's current folder is never used or changed to compute entry names.
class ZipComponent {
public:
    std::string ZipFileName;
    // Files to add (paths, folders, or a folder and a wildcard name), or entries / masks to
    // extract, delete or list. Empty means every entry for extract and list.
    std::vector<std::string> FilesToProcess;
    std::string ExtractDirectory;
    bool UsePaths = true;
    bool Recurse = false;
    ZipOverwrite Overwrite = ZipOverwrite::xowAsk;
    int Compression = 6; // 0 stores, 1..9 deflate levels
    std::string StoredExtensions = ".ZIP;.LZH;.ARC;.ARJ;.ZOO";
    bool IncludeHiddenFiles = false; // names beginning with "." found while recursing
    bool UseTempFile = true;         // libzip always writes through a temporary archive
    bool MultidiskMode = false;      // spanned archives are not written
    // Relative paths in FilesToProcess are taken from this folder and keep their relative
    // path as entry name; absolute paths give the path without its leading "/".
    std::string BaseDirectory;
    ZipAddAction AddAction = ZipAddAction::AddAndReplace;

    void setEvents(ZipEvents* events) { m_events = events ? events : &m_noEvents; }
    ZipEvents& events() const { return *m_events; }

    // The number of entries.
    int count(std::int64_t& entries);
    // One Listing event per entry matching the mask(s) in FilesToProcess, in archive order.
    int list();
    // The statistics record of the entry at a 0-based index.
    int entryInfo(std::uint64_t index, ZipEntryInfo& info);
    int add();
    int extract();
    // Delete (a keyword in C++).
    int remove();

    // What the archive or the folder holds afterwards: after add, the entries committed (with
    // their comments); after extract, the entries written out; after remove, the entries
    // removed. Empty when nothing was committed.
    const std::vector<ZipEntryInfo>& processedEntries() const { return m_processed; }

    // The last operation's outcome as a Status: ok unless its result code is an error (see
    // zipResultSeverity); a failure carries the code's text (zipResultMessage) and its kind:
    // a missing archive NotFound, a damaged one Corrupt, a full disk NoSpace, a file that may
    // not be written Permission or ReadOnly, a declined Replace question Cancelled.
    const Status& status() const { return m_status; }

private:
    friend class ZipExtractor;
    friend class ZipAdder;
    // Starts an operation: forgets the last outcome; the verb goes into its message.
    void begin(const char* verb);
    // Notes the kind of the failure the operation is about to return.
    int fail(int result, ErrorCode kind);
    // The last error of an open archive, its kind noted.
    int failOn(const ZipHandle& archive);
    int finish(int result);
    std::vector<std::uint64_t> matchingEntries(ZipHandle& archive) const;

    ZipEvents m_noEvents;
    ZipEvents* m_events = &m_noEvents;
    std::vector<ZipEntryInfo> m_processed;
    const char* m_verb = "listing";
    ErrorCode m_failureKind = ErrorCode::None;
    Status m_status;
};

// The kind of a result code, for a failure whose system error is not known.
ErrorCode zipResultKind(int code);

// The statistics record of an entry of an open archive; false when it cannot be read.
bool readZipEntryInfo(ZipHandle& archive, std::uint64_t index, ZipEntryInfo& info);

} // namespace quarlo
