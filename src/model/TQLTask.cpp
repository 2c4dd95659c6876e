#include "model/TQLTask.h"

#include "html/FileTypes.h"
#include "html/LinkScan.h"
#include "html/LocalNames.h"
#include "html/UrlFunctions.h"
#include "model/Names.h"
#include "model/TQLApp.h"
#include "model/TaskQueue.h"
#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"

namespace quarlo {

TQLTask::TQLTask(TQLApp& app) : m_app(app), m_queue(std::make_unique<TaskQueue>()) {
    resetRunState();
}

TQLTask::~TQLTask() = default;

std::unique_ptr<TQLTask> TQLTask::loadFromFile(TQLApp& app, const std::string& path) {
    auto task = std::make_unique<TQLTask>(app);
    task->setFilePath(path);
    task->load();
    return task;
}

Status TQLTask::setLocation(const std::string& category, const std::string& taskName) {
    if (Status check = checkItemName(category, "category"); !check)
        return check;
    if (Status check = checkItemName(taskName, "task"); !check)
        return check;
    m_category = category;
    m_taskName = taskName;
    m_filePath = m_app.tasksFolder() + category + "/" + taskName + ".qlt";
    return {};
}

Status TQLTask::moveToCategory(const std::string& category) {
    const std::string oldPath = m_filePath;
    const std::string oldQueue = folderOf(oldPath) + FileNameNoExt(oldPath) + ".dwn";
    const std::string oldCategory = m_category;
    if (Status placed = setLocation(category, m_taskName); !placed)
        return placed;
    if (Status saved = save(); !saved) {
        m_filePath = oldPath;
        m_category = oldCategory;
        m_profile.setFilePath(oldPath);
        return saved;
    }
    if (oldPath.empty() || oldPath == m_filePath)
        return {};
    deleteFile(oldPath);
    // The old file is gone: a listing of it would bring it back as an empty task.
    Status unlisted = m_app.activeTasks().remove(oldPath);
    const std::string newQueue = folderOf(m_filePath) + fileNameOf(oldQueue);
    // The queue's journal of unsaved changes and its record of rewritten links travel with it.
    for (const std::string suffix : {"", ".journal", ".links"}) {
        const std::string from = oldQueue + suffix;
        if (fileExists(from) && !moveFile(from, newQueue + suffix))
            return Status::failure("Unable to move " + from + " to " + newQueue + suffix);
    }
    return unlisted;
}

std::string TQLTask::queueFilePath() const {
    return folderOf(m_filePath) + m_taskName + ".dwn";
}

std::string TQLTask::statusText(TaskStatus status) {
    static const char* const kTexts[] = {"Unscheduled",      "Scheduled",     "Downloading...",
                                         "Download Stopped", "Incomplete",    "Download Complete",
                                         "Zipped!",          "Task Complete", "Deleted"};
    if (!isKnownStatus(status))
        return "Unknown";
    return kTexts[toIniValue(status)];
}

bool TQLTask::isRunning() const {
    return m_status == TaskStatus::Downloading || m_status == TaskStatus::DownloadComplete;
}

std::string TQLTask::resultPlace() const {
    if (m_intranetMode)
        return withTrailingSlash(m_destination);
    return m_app.tempFolder();
}

std::string TQLTask::startPageLocalFile() const {
    const FileTypes types(m_app.settings());
    return LocalName(types, resultPlace(), m_url);
}

const std::string& TQLTask::queueFileName() {
    // Worked out again each time: a load or a move may have changed the name or the folder.
    m_queueFileName = queueFilePath();
    return m_queueFileName;
}

const std::string& TQLTask::queueJournalPath() {
    if (m_filePath.empty()) {
        m_journalPath.clear();
    } else if (m_journalPath.empty() || m_journalOfFile != m_filePath ||
               m_journalOfName != m_taskName) {
        m_journalOfFile = m_filePath;
        m_journalOfName = m_taskName;
        m_journalPath = queueFilePath() + ".journal";
    }
    return m_journalPath;
}

std::string TQLTask::startDirectory() const {
    if (!m_startDirectory.empty())
        return m_startDirectory;
    if (m_url.empty() && !m_urls.empty())
        return URLDirectory(m_urls.front());
    return URLDirectory(m_url);
}

void TQLTask::noteOutputFailure(const std::string& reason) {
    if (m_outputFailure.empty())
        m_outputFailure = reason.empty() ? "The copy could not be written." : reason;
}

void TQLTask::resetRunState() {
    m_queue->clear();
    m_zipList.clear();
    m_counters = TaskCounters{};
    m_startTime = currentDateTime();
    m_elapsedTime = 0;
    m_zipLast = m_app.settings().readBool(kSettingsKey, "Zip Last", m_zipLast);
}

void TQLTask::resetDispatchCounters() {
    m_counters.PagesDispatched = 0;
    m_counters.ResourcesDispatched = 0;
}

void TQLTask::beginResumedRun() {
    m_lastRun = currentDateTime();
    m_startTime = m_lastRun - m_elapsedTime;
    resetDispatchCounters();
}

Status TQLTask::scheduleNow() {
    m_status = TaskStatus::Scheduled;
    m_schedule = "Now";
    return save();
}

Status TQLTask::requestRun(RunMethod method) {
    m_runMethod = method;
    return scheduleNow();
}

std::string TQLTask::titleZipName() const {
    if (m_intranetMode || !m_profile.useStartPageTitle())
        return {};
    // Named as the page shows its title; what a file name cannot hold becomes a space.
    const std::string title = decodedTitle(m_startPageTitle);
    if (title.empty())
        return {};
    return ReplaceFileChars(title, ' ') + ".zip";
}

Status TQLTask::archiveRenamed(const std::string& newPath) {
    m_destination = newPath;
    return save();
}

} // namespace quarlo
