#pragma once

#include "model/TQLProfile.h"
#include "model/TQLQItem.h"
#include "model/TaskDate.h"
#include "model/TaskStates.h"
#include "platform/Result.h"
#include "platform/SpinningMutex.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quarlo {

class IniFile;
class TQLApp;
class TaskQueue;

// The counters a run changes (under the task's mutex). The first seven are kept in the task
// file ("Total Pages", "Total Resources", "Pages Saved", "Resources Saved", "Page Errors",
// "Resource Errors", "Total Bytes"); the last two count what was handed out in this run only.
struct TaskCounters {
    std::int64_t PagesFound = 0;
    std::int64_t ResourcesFound = 0;
    std::int64_t PagesSaved = 0;
    std::int64_t ResourcesSaved = 0;
    std::int64_t PageErrors = 0;
    std::int64_t ResourceErrors = 0;
    std::int64_t BytesDownloaded = 0;
    std::int64_t PagesDispatched = 0;
    std::int64_t ResourcesDispatched = 0;

    bool operator==(const TaskCounters&) const = default;
};

// One download job, kept in a task file (.qlt) in a category folder under the Tasks folder:
// the sections "Task", "URLs" and "Profile". Beside the task file lies its queue file (.dwn).
class TQLTask {
public:
    static constexpr const char* kTaskSection = "Task";
    static constexpr const char* kUrlsSection = "URLs";

    // An empty task: empty profile and lists, run state reset.
    explicit TQLTask(TQLApp& app);
    ~TQLTask();
    TQLTask(const TQLTask&) = delete;
    TQLTask& operator=(const TQLTask&) = delete;

    // Creates a task and loads it from the file; a missing file gives an empty task named
    // after the file. Never fails: unreadable values take their defaults and are listed by
    // unreadableKeys().
    static std::unique_ptr<TQLTask> loadFromFile(TQLApp& app, const std::string& path);
    // Reads the task file at filePath(): "Task", "URLs", then the profile from the same file.
    void load();
    // Whether the file can be loaded as a task: it can be read, has a "Task" section and
    // names a URL (a start URL or a first URL of its list). Fails with "cannot read task file
    // <path>: <reason>".
    static Status checkFile(const std::string& path);
    // Keys of the last load whose values could not be read and were replaced by defaults.
    const std::vector<std::string>& unreadableKeys() const { return m_unreadableKeys; }

    // Writes the task file (folder created, mode 0600, replaced atomically), then keeps
    // "ActiveTasks.lst" in step: listed once while the status is Scheduled or Downloading,
    // removed otherwise. Fails with "Unable to write to <path>" or the list's own message.
    // While a run may change the counters the caller holds mutex().
    Status save();

    TQLApp& app() const { return m_app; }
    // Guards the counters (and the queue of a run) against the threads of a run.
    SpinningMutex& mutex() const { return m_mutex; }

    // Where the task lies. setLocation checks both names (nothing that would leave its
    // folder) and points the file path at Tasks/<category>/<name>.qlt; nothing is written.
    const std::string& filePath() const { return m_filePath; }
    void setFilePath(const std::string& path) { m_filePath = path; }
    const std::string& category() const { return m_category; }
    void setCategory(const std::string& category) { m_category = category; }
    Status setLocation(const std::string& category, const std::string& taskName);
    // Saves the task into another category, then deletes its task file in the old one and
    // moves the old queue file along (under its old name). The old file stays untouched
    // when the save fails.
    Status moveToCategory(const std::string& category);
    // The queue file: the task file's folder + task name + ".dwn".
    std::string queueFilePath() const;

    TQLProfile& profile() { return m_profile; }
    const TQLProfile& profile() const { return m_profile; }

    const std::string& taskName() const { return m_taskName; }
    const std::string& url() const { return m_url; }
    void setURL(const std::string& url) { m_url = url; }
    const std::vector<std::string>& urls() const { return m_urls; }
    void setUrls(const std::vector<std::string>& urls) { m_urls = urls; }
    const std::string& startPageTitle() const { return m_startPageTitle; }
    void setStartPageTitle(const std::string& title) { m_startPageTitle = title; }
    const std::string& server() const { return m_server; }
    void setServer(const std::string& server) { m_server = server; }
    bool canUpdate() const { return m_canUpdate; }
    void setCanUpdate(bool on) { m_canUpdate = on; }
    const std::string& userName() const { return m_userName; }
    void setUserName(const std::string& name) { m_userName = name; }
    const std::string& password() const { return m_password; }
    void setPassword(const std::string& password) { m_password = password; }
    // Certificates of the start URL's host are accepted unverified (self-signed, expired).
    bool acceptAnyCertificate() const { return m_acceptAnyCertificate; }
    void setAcceptAnyCertificate(bool on) { m_acceptAnyCertificate = on; }
    const std::string& comment() const { return m_comment; }
    void setComment(const std::string& comment) { m_comment = comment; }
    // Zip mode: the archive's path. Intranet mode: the folder the site is saved under.
    const std::string& destination() const { return m_destination; }
    void setDestination(const std::string& destination) { m_destination = destination; }
    bool intranetMode() const { return m_intranetMode; }
    void setIntranetMode(bool on) { m_intranetMode = on; }
    TaskStatus status() const { return m_status; }
    void setStatus(TaskStatus status) { m_status = status; }
    const std::string& schedule() const { return m_schedule; }
    void setSchedule(const std::string& schedule) { m_schedule = schedule; }
    RunMethod runMethod() const { return m_runMethod; }
    void setRunMethod(RunMethod method) { m_runMethod = method; }
    TaskCounters& counters() { return m_counters; }
    const TaskCounters& counters() const { return m_counters; }
    DateTime elapsedTime() const { return m_elapsedTime; }
    void setElapsedTime(DateTime elapsed) { m_elapsedTime = elapsed; }
    DateTime lastRun() const { return m_lastRun; }
    void setLastRun(DateTime when) { m_lastRun = when; }
    DateTime nextRun() const { return m_nextRun; }
    void setNextRun(DateTime when) { m_nextRun = when; }

    // Run-time state.
    DateTime startTime() const { return m_startTime; }
    void setStartTime(DateTime when) { m_startTime = when; }
    bool zipLast() const { return m_zipLast; }
    void setZipLast(bool on) { m_zipLast = on; }

    static std::string statusText(TaskStatus status);
    std::string statusText() const { return statusText(m_status); }
    // A run is in progress: Downloading or Download Complete.
    bool isRunning() const;
    bool isActive() const {
        return m_status == TaskStatus::Scheduled || m_status == TaskStatus::Downloading;
    }

    // Intranet mode: the destination folder; Zip mode: the Temp folder.
    std::string resultPlace() const;
    // The local file of the start URL under the result place; empty when the URL is
    // refused (its file would not lie inside that folder).
    std::string startPageLocalFile() const;
    // The folder against which the link filters measure: the one a fresh run set, else that
    // of the start URL (of the first URL of a list task).
    std::string startDirectory() const;
    void setStartDirectory(const std::string& folder) { m_startDirectory = folder; }

    // The queue (engine/Queue.h has its operations), guarded by mutex() during a run.
    TaskQueue& queue() { return *m_queue; }
    const TaskQueue& queue() const { return *m_queue; }
    // The queue changed since it was last saved.
    bool queueDirty() const { return m_queueDirty; }
    void setQueueDirty(bool on) { m_queueDirty = on; }
    // Calls of NoteQueueChange since the last save.
    int changesSinceSave() const { return m_changesSinceSave; }
    void setChangesSinceSave(int count) { m_changesSinceSave = count; }
    // The queue file's path (queueFilePath()), kept in the task.
    const std::string& queueFileName();
    // The queue's journal beside its file ("<queue file>.journal"); empty for a task without
    // a file. Made again only when the task's file or name has changed: every queue change
    // asks for it.
    const std::string& queueJournalPath();
    // Told of counter changes ("", 0, 0) and of the progress of opening the queue
    // ("Opening task....", position, maximum). Called under mutex(): must not take it.
    using TaskProgress = std::function<void(const std::string& message, std::int64_t position,
                                            std::int64_t maximum)>;
    const TaskProgress& onTaskProgress() const { return m_onTaskProgress; }
    void setOnTaskProgress(TaskProgress callback) { m_onTaskProgress = std::move(callback); }
    // Completed files waiting to be added to the Zip archive, guarded by mutex().
    std::vector<ZipListEntry>& zipList() { return m_zipList; }
    // Why the run's output (its files, archive, queue or task file) could not be written:
    // the first such failure since the run started, or empty. Guarded by mutex(); a run
    // that has one ends "Incomplete".
    const std::string& outputFailure() const { return m_outputFailure; }
    void noteOutputFailure(const std::string& reason);
    void clearOutputFailure() { m_outputFailure.clear(); }

    // Queue, URL index and zip list emptied, counters zeroed, start time now, elapsed time 0, "Zip
    // Last" read from the settings (the task's value as default).
    void resetRunState();
    void resetDispatchCounters();
    // "Last Run" now; the start time set back by the elapsed time so that it keeps growing.
    void beginResumedRun();
    // Status Scheduled, schedule "Now", saved: the schedule thread starts it.
    Status scheduleNow();
    // The caller has asked how to run (or keeps Restart for a task without a queue).
    Status requestRun(RunMethod method);

    // The name the Zip result takes after the start page title (title + ".zip", characters
    // a file name cannot hold made blanks); empty when the task does not ask for it.
    std::string titleZipName() const;
    // After the archive was renamed: the destination becomes its new path; saved.
    Status archiveRenamed(const std::string& newPath);

private:
    void readTaskSection(const IniFile& ini);
    void readUrls(const IniFile& ini);
    void writeTaskSection(IniFile& ini) const;
    void writeUrls(IniFile& ini) const;
    Status updateActiveList();
    std::string categoryOfPath(const std::string& path) const;

    TQLApp& m_app;
    mutable SpinningMutex m_mutex;
    TQLProfile m_profile;
    std::string m_filePath;
    std::string m_category;
    std::vector<std::string> m_unreadableKeys;

    std::string m_taskName;
    std::string m_url;
    std::vector<std::string> m_urls;
    std::string m_startPageTitle;
    std::string m_server;
    bool m_canUpdate = false;
    std::string m_userName;
    std::string m_password;
    bool m_acceptAnyCertificate = false;
    std::string m_comment;
    std::string m_destination;
    bool m_intranetMode = false;
    TaskStatus m_status = TaskStatus::Unscheduled;
    std::string m_schedule;
    RunMethod m_runMethod = RunMethod::Restart;
    TaskCounters m_counters;
    DateTime m_elapsedTime = 0;
    DateTime m_lastRun = 0;
    DateTime m_nextRun = 0;

    DateTime m_startTime = 0;
    bool m_zipLast = false;
    std::string m_startDirectory;
    std::unique_ptr<TaskQueue> m_queue;
    bool m_queueDirty = false;
    int m_changesSinceSave = 0;
    std::string m_queueFileName;
    std::string m_journalPath;
    std::string m_journalOfFile; // the file path and task name m_journalPath was made for
    std::string m_journalOfName;
    TaskProgress m_onTaskProgress;
    std::vector<ZipListEntry> m_zipList;
    std::string m_outputFailure;
};

} // namespace quarlo
