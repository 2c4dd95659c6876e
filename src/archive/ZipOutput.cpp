#include "archive/ZipOutput.h"

#include "archive/ZipBrowserModel.h"
#include "archive/ZipCopies.h"
#include "engine/Queue.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <mutex>
#include <set>
#include <sys/stat.h>
#include <vector>

namespace quarlo {

namespace {

// The complete download's archive is checked again after each repair, this many times at
// most; what it still lacks then is reported.
constexpr int kCheckRounds = 3;

std::int64_t fileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
}

} // namespace

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
    // An archive opened in an earlier run may have lost its folder (or not had one yet). A
    // folder that cannot be made fails the first commit, which ends the run Incomplete with
    // the reason, so the run starts all the same.
    ignoreFailure(forceDirectories(folderOf(m_archivePath)));
    if (fileExists(m_archivePath)) {
        ZipComponent probe;
        probe.ZipFileName = m_archivePath;
        std::int64_t entries = 0;
        if (int result = probe.count(entries); zipResultSeverity(result) == 2)
            return Status::failure(zipResultMessage(result, "adding") + " " + m_archivePath,
                                   probe.status().code());
    }
    Result<std::map<std::string, ZipEntryInfo>> entries = archiveEntriesOnDisk(m_archivePath);
    if (!entries)
        return entries.status();
    node->archive->unpacked = true; // browsing never unpacks a running task
    m_commits = 0;
    m_lastCommit = std::chrono::steady_clock::now();
    m_staged.clear();
    m_checked = false;
    m_checkRounds = 0;
    m_startAccount =
        accountForZipEntries(task, *entries, m_app.tempFolder(), ZipEntryMatch::SameFile);
    return {};
}

bool ZipOutput::commitDue() const {
    if (std::chrono::steady_clock::now() - m_lastCommit < m_minInterval)
        return false;
    return m_browser.stagedBytes() * 100 >= fileSize(m_archivePath) * m_sharePercent;
}

void ZipOutput::stage(std::vector<ZipListEntry> taken) {
    if (taken.empty())
        return;
    TZipObj* current = m_browser.currentArchive();
    if (current == nullptr || current->archivePath != m_archivePath)
        m_browser.openArchive(m_archivePath); // selects it when it is open
    m_browser.setTimerAdding(true);
    for (ZipListEntry& pair : taken) {
        if (pair.localName.empty())
            continue;
        m_browser.stageTaskFile(m_archivePath, pair.localName, pair.item ? pair.item->Title : "");
        m_staged.push_back(std::move(pair));
    }
}

// Writes what is staged. Every staged file that did not reach the archive goes back to be
// fetched again; when the archive itself could not be written (full or read-only disk, a
// damaged or locked archive), the run's output has failed.
void ZipOutput::commit(TQLTask& task) {
    if (m_staged.empty())
        return;
    int result = ZipResult::Success;
    std::set<std::string> written;
    if (m_browser.hasStagedFiles()) {
        result = m_browser.commitTaskFiles();
        ++m_commits;
        m_lastCommit = std::chrono::steady_clock::now();
        for (const ZipEntryInfo& info : m_browser.component().processedEntries())
            written.insert(info.name);
    }
    const std::string temp = withTrailingSlash(m_app.tempFolder());
    std::vector<std::string> notWritten;
    bool archiveFailed = false;
    for (const ZipListEntry& pair : m_staged) {
        const bool below = pair.localName.compare(0, temp.size(), temp) == 0;
        if (below && written.count(pair.localName.substr(temp.size())) != 0)
            continue;
        if (pair.item)
            notWritten.push_back(pair.item->URL);
        // A staged file that is gone is only fetched again; one that is there was refused.
        archiveFailed |= fileExists(pair.localName);
    }
    m_staged.clear();
    fetchAgain(task, notWritten);
    if (archiveFailed && zipResultSeverity(result) == 2) {
        std::lock_guard lock(task.mutex());
        task.noteOutputFailure(zipResultMessage(result, "adding") + " (" + m_archivePath + ")");
    }
}

// The run's last commit: the recorded links are repaired first, against the archive and what
// is staged, and the pages they correct are staged with the rest.
void ZipOutput::finalCommit(TQLTask& task) {
    repairLinks(task);
    commit(task);
}

void ZipOutput::repairLinks(TQLTask& task) {
    Result<std::map<std::string, ZipEntryInfo>> entries = archiveEntriesOnDisk(m_archivePath);
    Status repaired = entries.status();
    std::vector<ZipListEntry> replaced;
    if (entries) {
        const std::string temp = withTrailingSlash(m_app.tempFolder());
        std::set<std::string> staged;
        for (const ZipListEntry& pair : m_staged)
            if (pair.localName.compare(0, temp.size(), temp) == 0)
                staged.insert(pair.localName.substr(temp.size()));
        ZipCopies copies(temp, m_archivePath, std::move(*entries), std::move(staged));
        repaired = repairRecordedLinks(task, copies);
        replaced = copies.takeReplaced();
    }
    stage(std::move(replaced));
    if (!repaired) {
        std::lock_guard lock(task.mutex());
        task.noteOutputFailure(repaired.message());
    }
}

// The complete download, every file committed: whatever the archive lacks is added again
// from the Temp folder or fetched again; what it still lacks after a few rounds is reported.
void ZipOutput::checkArchive(TQLTask& task) {
    m_checked = true;
    Result<std::map<std::string, ZipEntryInfo>> entries = archiveEntriesOnDisk(m_archivePath);
    std::string failure;
    if (!entries) {
        failure = entries.message();
    } else {
        const ZipAccount account =
            accountForZipEntries(task, *entries, m_app.tempFolder(), ZipEntryMatch::Name);
        const std::size_t missing = account.toZip + account.fetchAgain;
        if (missing == 0)
            return;
        if (++m_checkRounds < kCheckRounds) {
            m_checked = false;
            return;
        }
        failure = "The archive " + m_archivePath + " still lacks " + std::to_string(missing) +
                  " of the task's files.";
    }
    std::lock_guard lock(task.mutex());
    task.noteOutputFailure(failure);
}

bool ZipOutput::tick(TQLTask& task) {
    if (!m_browser.idle())
        return false;
    std::vector<ZipListEntry> taken;
    TaskStatus status = TaskStatus::Unscheduled;
    {
        std::lock_guard lock(task.mutex());
        status = task.status();
        if (status != TaskStatus::DownloadComplete)
            m_checked = false;
        if (!task.zipLast() || status == TaskStatus::DownloadComplete)
            taken.swap(task.zipList());
    }
    if (!taken.empty())
        stage(std::move(taken));
    bool drained = false;
    {
        std::lock_guard lock(task.mutex());
        drained = task.zipList().empty();
    }
    const bool complete = status == TaskStatus::DownloadComplete && drained;
    if (complete)
        finalCommit(task);
    else if (commitDue())
        commit(task);
    m_browser.setTimerAdding(false);
    if (complete && !m_checked)
        checkArchive(task);
    return true;
}

void ZipOutput::endRun(TQLTask& task) {
    std::vector<ZipListEntry> taken;
    {
        std::lock_guard lock(task.mutex());
        taken.swap(task.zipList());
    }
    stage(std::move(taken));
    finalCommit(task);
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
    // A task file that does not name the renamed archive would make the next run start a
    // new one: the run's output has failed.
    std::lock_guard lock(task.mutex());
    if (Status saved = task.archiveRenamed(m_archivePath); !saved)
        task.noteOutputFailure(saved.message());
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
