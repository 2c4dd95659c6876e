#pragma once

#include "reports/ReportHtml.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quarlo {

class FileTypes;
class TaskQueue;

// One saved page or image as an index page lists it.
struct IndexEntry {
    std::string url;
    std::string referrer;
    std::string title;     // the queued title, possibly empty
    std::string localFile; // "" when the URL has no local file
    std::int32_t level = 0;
    std::int64_t size = 0;
};

inline constexpr int kEntriesPerIndexPage = 20;

// The queue records an index lists, in queue order: pages ("HTML") or images ("Images")
// whose status is Saved or later. The local files lie under baseFolder.
std::vector<IndexEntry> collectIndexEntries(const TaskQueue& queue, IndexKind kind,
                                            const FileTypes& types, const std::string& baseFolder);
// Index pages needed for that many entries, twenty to a page.
int indexPageCount(std::size_t entries);

// The table cell of an entry; number counts across all pages.
std::string indexEntryCell(IndexKind kind, const IndexEntry& entry, int number,
                           std::string_view colour);

// Index page `page` of `count`, listing entries [first, first + 20) of all entries.
LineList indexPageLines(const ReportPaths& paths, IndexKind kind, const TaskBlockData& task,
                        const std::vector<IndexEntry>& entries, int page, int count,
                        const std::string& numbers);

} // namespace quarlo
