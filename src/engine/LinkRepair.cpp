#include "engine/LinkRepair.h"

#include "engine/LinkLog.h"
#include "engine/Queue.h"
#include "engine/TThreadParse.h"
#include "html/FileTypes.h"
#include "html/LocalNames.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "model/TaskQueue.h"
#include "platform/FileUtil.h"
#include "platform/FolderListings.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fs = std::filesystem;

namespace quarlo {

namespace {

// The entry's file holds what its server sent.
bool isSaved(QueueStatus status) {
    switch (status) {
    case QueueStatus::Downloaded:
    case QueueStatus::Saved:
    case QueueStatus::Updated:
    case QueueStatus::Mapped:
    case QueueStatus::Parsed:
    case QueueStatus::Zipped:
        return true;
    default:
        return false;
    }
}

// An entry being updated was saved before: until its update saves a new copy, and when the
// update fails, the earlier copy stands (a transfer replaces a file only when it completes).
bool keepsCopy(const DataLineClass& entry) {
    return isSaved(entry.status) || entry.mode == QueueMode::Update;
}

class FolderCopies : public SavedCopies {
public:
    explicit FolderCopies(TQLTask& task) : m_task(task) {}

    bool holds(const std::string& localFile) override { return m_listings.holdsFile(localFile); }
    std::optional<std::string> read(const std::string& localFile) override {
        return readFile(localFile);
    }
    Status replace(const TQLQItem&, const std::string& localFile,
                   const std::string& text) override {
        return replacePageText(localFile, text);
    }
    Status settle() override { return flushFileSystem(m_task.resultPlace()); }

private:
    TQLTask& m_task;
    FolderListings m_listings; // the links of a site's pages name many files of few folders
};

class LinkRepair {
public:
    LinkRepair(TQLTask& task, SavedCopies& copies)
        : m_task(task), m_copies(copies), m_types(task.app().settings()), m_namer(m_types),
          m_saveFolder(withTrailingSlash(task.resultPlace())),
          m_logPath(linkLogPath(task.queueFileName())) {}

    Status run();

private:
    // Whether each block, in log order, is the latest of its page.
    static std::vector<bool> latestBlocks(LinkLogReader& reader);
    // Nothing to drop or correct: the log would be written again as it is.
    bool logStands(LinkLogReader& reader);
    // Every link of the block keeps its form (or its page is not parsed); false also when
    // the page is no longer queued.
    bool pageStands(const PageLinkBlock& block);
    bool linksStand(std::size_t pageEntry, const PageLinkBlock& block);
    Status writeRepairedLog(LinkLogReader& reader, const std::vector<bool>& latest,
                            const std::string& newLog);
    // False when the block is dropped: its page is no longer queued or has no file.
    bool repairPage(PageLinkBlock& block);
    bool localCopyExists(const RecordedLink& link);
    bool copyExists(std::string_view target);
    Status replaceLog(const std::string& newLog);

    TQLTask& m_task;
    SavedCopies& m_copies;
    const FileTypes m_types;
    LocalNamer m_namer;
    const std::string m_saveFolder;
    std::string m_logPath;
    TextMap<bool> m_known; // by target URL without its "#" part
    Status m_pageFailure;
    bool m_pagesWritten = false;
    bool m_logChanged = false; // a block dropped, or a link's form or place changed
    std::uint64_t m_keptBytes = 0;
};

Status LinkRepair::run() {
    if (!fileExists(m_logPath))
        return {};
    LinkLogReader reader(m_logPath);
    // Most runs leave every link where it was: then nothing is written.
    if (logStands(reader))
        return {};
    reader.rewind();
    const std::vector<bool> latest = latestBlocks(reader);
    reader.rewind();
    const std::string newLog = m_logPath + ".new";
    if (Status written = writeRepairedLog(reader, latest, newLog); !written)
        return written;
    // A log that stays as it was (no torn tail either) is not written again.
    if (!m_pageFailure || (!m_logChanged && m_keptBytes == reader.logSize())) {
        deleteFile(newLog);
        return m_pageFailure;
    }
    return replaceLog(newLog);
}

// A page parsed again has a later block; only that one holds.
std::vector<bool> LinkRepair::latestBlocks(LinkLogReader& reader) {
    std::vector<bool> latest;
    std::unordered_map<std::string_view, std::size_t> lastOfPage;
    std::string_view pageUrl;
    std::uint64_t offset = 0;
    while (reader.nextPage(pageUrl, offset)) {
        const auto [last, first] = lastOfPage.try_emplace(pageUrl, latest.size());
        if (!first) {
            latest[last->second] = false;
            last->second = latest.size();
        }
        latest.push_back(true);
    }
    return latest;
}

// One pass: a page met twice has an earlier block to drop, so the log does not stand.
bool LinkRepair::logStands(LinkLogReader& reader) {
    PageLinkBlock block;
    std::unordered_set<std::string> pages;
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
    while (reader.next(block, offset)) {
        if (block.links.empty() || !pageStands(block))
            return false;
        bytes += pageLinksSize(block);
        if (!pages.insert(std::move(block.pageUrl)).second)
            return false;
    }
    // The log as it would be written again: a torn tail or a block written otherwise differs.
    return bytes == reader.logSize();
}

bool LinkRepair::pageStands(const PageLinkBlock& block) {
    const std::optional<std::size_t> entry = m_task.queue().find(block.pageUrl);
    return entry && linksStand(*entry, block);
}

// A page not yet parsed holds the server's text: its next parse records its links anew.
bool LinkRepair::linksStand(std::size_t pageEntry, const PageLinkBlock& block) {
    return m_task.queue().dataClass(pageEntry).status != QueueStatus::Parsed ||
           std::all_of(block.links.begin(), block.links.end(), [&](const RecordedLink& link) {
               return localCopyExists(link) == link.local;
           });
}

Status LinkRepair::writeRepairedLog(LinkLogReader& reader, const std::vector<bool>& latest,
                                    const std::string& newLog) {
    std::ofstream out(newLog, std::ios::binary | std::ios::trunc);
    PageLinkBlock block;
    std::uint64_t offset = 0;
    for (std::size_t index = 0; out && reader.next(block, offset); ++index) {
        if (!latest[index] || !repairPage(block) || block.links.empty()) {
            m_logChanged = true;
            continue;
        }
        const std::string text = pageLinksText(block);
        out << text;
        m_keptBytes += text.size();
    }
    out.close();
    if (out)
        return {};
    const int error = errno;
    deleteFile(newLog);
    return Status::fromErrno(error, "Unable to write to " + newLog);
}

bool LinkRepair::repairPage(PageLinkBlock& block) {
    const std::optional<std::size_t> entry = m_task.queue().find(block.pageUrl);
    if (!entry)
        return false;
    // Most runs change the fate of few links: a page whose links all keep theirs is not read.
    if (linksStand(*entry, block))
        return true;
    m_logChanged = true;
    const std::unique_ptr<TQLQItem> page = LoadItem(m_task, *entry);
    const std::string pageFile = LocalName(*page);
    std::optional<std::string> text = pageFile.empty() ? std::nullopt : m_copies.read(pageFile);
    if (!text)
        return false;
    const bool changed = relinkText(
        *text, block.links, [&](const RecordedLink& link) { return localCopyExists(link); });
    if (!changed)
        return true;
    if (Status written = m_copies.replace(*page, pageFile, *text); !written) {
        // The page keeps its former links and its records their former places.
        if (m_pageFailure)
            m_pageFailure = written;
        return false;
    }
    m_pagesWritten = true;
    return true;
}

// The copy is found by the target's URL (its queued spelling when queued), not by the link's
// text: an applet's CODE is relative to its codebase, not to the page.
bool LinkRepair::localCopyExists(const RecordedLink& link) {
    const std::string_view url = link.url;
    const std::string_view target = url.substr(0, url.find('#'));
    const auto known = m_known.find(target);
    if (known != m_known.end())
        return known->second;
    const bool exists = copyExists(target);
    m_known.emplace(target, exists);
    return exists;
}

bool LinkRepair::copyExists(std::string_view target) {
    const TaskQueue& queue = m_task.queue();
    const std::optional<std::size_t> entry = queue.find(target);
    if (entry && !keepsCopy(queue.dataClass(*entry)))
        return false;
    const std::string name = m_namer.name(entry ? std::string_view(queue.url(*entry)) : target);
    return !name.empty() && m_copies.holds(m_saveFolder + name);
}

// The pages reach the disk before the log that describes them does.
Status LinkRepair::replaceLog(const std::string& newLog) {
    if (m_pagesWritten) {
        if (Status flushed = m_copies.settle(); !flushed) {
            deleteFile(newLog);
            return flushed;
        }
    }
    if (Status flushed = flushFileSystem(folderOf(m_logPath)); !flushed) {
        deleteFile(newLog);
        return flushed;
    }
    if (std::rename(newLog.c_str(), m_logPath.c_str()) != 0) {
        const int error = errno;
        deleteFile(newLog);
        return Status::fromErrno(error, "Unable to write to " + m_logPath);
    }
    return {};
}

} // namespace

Status repairRecordedLinks(TQLTask& task, SavedCopies& copies) {
    std::lock_guard lock(task.mutex());
    if (task.filePath().empty())
        return {};
    return LinkRepair(task, copies).run();
}

Status repairRecordedLinks(TQLTask& task) {
    FolderCopies copies(task);
    return repairRecordedLinks(task, copies);
}

Status replacePageText(const std::string& pageFile, const std::string& text) {
    const std::string pending = TThreadParse::pendingPagePath(pageFile);
    Status written = writeFileUnflushed(pending, text);
    if (written && std::rename(pending.c_str(), pageFile.c_str()) != 0) {
        written = Status::fromErrno(errno, "Unable to write to " + pageFile);
        deleteFile(pending);
    }
    return written;
}

void removeEmptyFolders(TQLTask& task) {
    std::lock_guard lock(task.mutex());
    const std::string top = withTrailingSlash(task.resultPlace());
    const TaskQueue& queue = task.queue();
    for (std::size_t entry = 0; entry < queue.size(); ++entry) {
        // Most entries are saved: their items are not built.
        if (isSaved(queue.dataClass(entry).status))
            continue;
        const std::unique_ptr<TQLQItem> item = LoadItem(task, entry);
        const std::string file = LocalName(*item);
        if (file.empty() || file.rfind(top, 0) != 0)
            continue;
        // remove() takes a folder only when it is empty.
        std::error_code error;
        for (fs::path folder = fs::path(file).parent_path().lexically_normal();
             withTrailingSlash(folder.string()).size() > top.size() && fs::remove(folder, error);
             folder = folder.parent_path()) {
        }
    }
}

} // namespace quarlo
