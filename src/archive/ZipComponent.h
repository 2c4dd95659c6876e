#pragma once

#include "archive/ZipEvents.h"
#include "archive/ZipResult.h"

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

private:
    friend class ZipExtractor;
    friend class ZipAdder;
    int finish(int result);
    std::vector<std::uint64_t> matchingEntries(ZipHandle& archive) const;

    ZipEvents m_noEvents;
    ZipEvents* m_events = &m_noEvents;
    std::vector<ZipEntryInfo> m_processed;
};

// The statistics record of an entry of an open archive; false when it cannot be read.
bool readZipEntryInfo(ZipHandle& archive, std::uint64_t index, ZipEntryInfo& info);

} // namespace quarlo
