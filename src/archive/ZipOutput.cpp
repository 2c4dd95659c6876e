#include "archive/ZipOutput.h"

#include "archive/ZipBrowserModel.h"
#include "engine/Queue.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace quarlo {

namespace {

std::int64_t fileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
}

// The entries the archive file holds now (the browser's tree may be older than the file).
std::set<std::string> entriesOnDisk(const std::string& path) {
    class Names : public ZipEvents {
    public:
        void onListing(const ZipEntryInfo& info) override { names.insert(info.name); }
        std::set<std::string> names;
    } listing;
    ZipComponent zip;
    zip.setEvents(&listing);
    zip.ZipFileName = path;
    (void)zip.list();
    return listing.names;
}

} // namespace

int putBackUnzippedEntries(TQLTask& task, const std::set<std::string>& archiveEntries,
                           const std::string& tempFolder) {
    const std::string folder = withTrailingSlash(tempFolder);
    int putBack = 0;
    std::lock_guard lock(task.mutex());
    for (std::size_t i = 0; i < task.queue().size(); ++i) {
        std::unique_ptr<TQLQItem> item = LoadItem(task, i);
        if (!item || item->Status < QueueStatus::Saved)
            continue;
        const std::string local = LocalName(*item);
        if (local.empty() || fileExists(local))
            continue;
        const bool below = local.compare(0, folder.size(), folder) == 0;
        if (below && archiveEntries.count(local.substr(folder.size())) != 0)
            continue;
        SetStatus(*item, QueueStatus::None);
        StoreItem(*item);
        ++putBack;
    }
    return putBack;
}

ZipOutput::ZipOutput(TQLApp& app, ZipBrowserModel& browser) : m_app(app), m_browser(browser) {}

void ZipOutput::setCommitPolicy(std::chrono::milliseconds minInterval, int sharePercent) {
    m_minInterval = minInterval;
    m_sharePercent = sharePercent;
}

TZipObj* ZipOutput::archive() {
    return m_browser.findArchive(m_archivePath);
}

Status ZipOutput::startRun(TQLTask& task) {
    m_archivePath = task.destination();
    if (m_archivePath.empty() || m_archivePath.back() == '/')
        return Status::failure("The task has no Zip file to save to.");
    ZipNode* node = m_browser.openArchive(m_archivePath);
    if (fileExists(m_archivePath)) {
        ZipComponent probe;
        probe.ZipFileName = m_archivePath;
        std::int64_t entries = 0;
        if (int result = probe.count(entries); zipResultSeverity(result) == 2)
            return Status::failure(zipResultMessage(result, "adding") + " " + m_archivePath);
    }
    node->archive->unpacked = true; // browsing never unpacks a running task
    m_commits = 0;
    m_lastCommit = std::chrono::steady_clock::now();
    putBackUnzippedEntries(task, entriesOnDisk(m_archivePath), m_app.tempFolder());
    return {};
}

bool ZipOutput::commitDue() const {
    if (std::chrono::steady_clock::now() - m_lastCommit < m_minInterval)
        return false;
    return m_browser.stagedBytes() * 100 >= fileSize(m_archivePath) * m_sharePercent;
}

void ZipOutput::commit() {
    if (!m_browser.hasStagedFiles())
        return;
    (void)m_browser.commitTaskFiles();
    ++m_commits;
    m_lastCommit = std::chrono::steady_clock::now();
}

bool ZipOutput::tick(TQLTask& task) {
    if (!m_browser.idle())
        return false;
    std::vector<ZipListEntry> taken;
    int status = 0;
    {
        std::lock_guard lock(task.mutex());
        status = task.status();
        if (!task.zipLast() || status == TaskStatus::DownloadComplete)
            taken.swap(task.zipList());
    }
    if (!taken.empty()) {
        TZipObj* current = m_browser.currentArchive();
        if (current == nullptr || current->archivePath != m_archivePath)
            m_browser.openArchive(m_archivePath); // selects it when it is open
        m_browser.setTimerAdding(true);
        for (const ZipListEntry& pair : taken)
            if (!pair.localName.empty())
                m_browser.stageTaskFile(m_archivePath, pair.localName,
                                        pair.item ? pair.item->Title : "");
    }
    bool drained = false;
    {
        std::lock_guard lock(task.mutex());
        drained = task.zipList().empty();
    }
    if ((status == TaskStatus::DownloadComplete && drained) || commitDue())
        commit();
    m_browser.setTimerAdding(false);
    return true;
}

void ZipOutput::endRun(TQLTask& task) {
    std::vector<ZipListEntry> taken;
    {
        std::lock_guard lock(task.mutex());
        taken.swap(task.zipList());
    }
    for (const ZipListEntry& pair : taken)
        if (!pair.localName.empty())
            m_browser.stageTaskFile(m_archivePath, pair.localName,
                                    pair.item ? pair.item->Title : "");
    commit();
    m_browser.setTimerAdding(false);
}

void ZipOutput::completed(TQLTask& task) {
    const std::string name = task.titleZipName();
    TZipObj* open = archive();
    if (name.empty() || open == nullptr)
        return;
    if (!m_browser.renameArchive(open->root.get(), name).ok())
        return;
    m_archivePath = open->archivePath;
    std::lock_guard lock(task.mutex());
    if (Status saved = task.archiveRenamed(m_archivePath); !saved)
        m_app.hooks().setStatusLine(saved.message(), -1);
}

namespace {

struct BrowserHolder {
    explicit BrowserHolder(TQLApp& app) : browser(app) {}
    ZipBrowserModel browser;
};

// The browser model is built before the output that uses it and outlives it.
class StandaloneZipOutput : private BrowserHolder, public ZipOutput {
public:
    explicit StandaloneZipOutput(TQLApp& app) : BrowserHolder(app), ZipOutput(app, browser) {}
};

} // namespace

std::unique_ptr<ZipModeRun> makeZipOutput(TQLApp& app) {
    return std::make_unique<StandaloneZipOutput>(app);
}

} // namespace quarlo
