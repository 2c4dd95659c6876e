#include "schedule/TThreadSchedule.h"

#include "engine/TQLDownloader.h"
#include "engine/TickWinInet.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "schedule/Clock.h"
#include "schedule/Schedule.h"

#include <algorithm>
#include <sys/stat.h>

namespace quarlo {

namespace {

// Changes whenever the file is replaced (every save renames a new file into place).
long long fileStamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return 0;
    const long long nanoseconds =
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    return nanoseconds ^ (static_cast<long long>(info.st_ino) << 20) ^
           static_cast<long long>(info.st_size);
}

} // namespace

// The stop request and the count of finished checks, shared with the checks posted to the
// main thread: a check still queued when the object is gone finds the stop and does nothing.
struct TThreadSchedule::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    unsigned long long checksDone = 0;
};

void installScheduleRearm(TQLDownloader& downloader, const Clock& clock) {
    downloader.setScheduleRearm([&clock](TQLTask& task) {
        Status rearmed;
        {
            std::lock_guard lock(task.mutex());
            rearmed = rearmSchedule(task, clock.now());
        }
        if (!rearmed)
            task.app().hooks().setStatusLine(rearmed.message(), -1);
    });
}

TThreadSchedule::TThreadSchedule(TQLApp& app, TQLDownloader& downloader, MainThread& mainThread,
                                 const Clock& clock, std::chrono::milliseconds pause)
    : m_app(app), m_downloader(downloader), m_main(mainThread), m_clock(clock), m_pause(pause),
      m_shared(std::make_shared<Shared>()) {
    installScheduleRearm(downloader, clock);
}

TThreadSchedule::~TThreadSchedule() {
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

void TThreadSchedule::start() {
    if (m_thread.joinable() || stopRequested())
        return;
    m_thread = std::thread([this] { threadBody(); });
}

void TThreadSchedule::stop() {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
    }
    m_shared->wake.notify_all();
}

bool TThreadSchedule::stopRequested() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->stop;
}

void TThreadSchedule::setOnWorkOffline(std::function<void(bool offline)> callback) {
    m_onWorkOffline = std::move(callback);
}

// Until a stop: have the check run on the main thread and wait for it, then pause. The wait
// for the check also ends on a stop, so that stopping never waits for a main thread that is
// busy stopping.
void TThreadSchedule::threadBody() {
    const std::shared_ptr<Shared> shared = m_shared;
    std::unique_lock lock(shared->mutex);
    while (!shared->stop) {
        const unsigned long long before = shared->checksDone;
        lock.unlock();
        m_main.post([this, shared] {
            {
                std::lock_guard guard(shared->mutex);
                if (shared->stop)
                    return; // the object may be gone
            }
            check();
            {
                std::lock_guard guard(shared->mutex);
                ++shared->checksDone;
            }
            shared->wake.notify_all();
        });
        lock.lock();
        shared->wake.wait(lock, [&] { return shared->stop || shared->checksDone != before; });
        if (!shared->stop)
            shared->wake.wait_for(lock, m_pause, [&] { return shared->stop; });
    }
}

ScheduleCheck TThreadSchedule::check() {
    ScheduleCheck outcome;
    if (stopRequested())
        return outcome;
    if (m_onWorkOffline)
        m_onWorkOffline(TickWinInet::workOffline());
    if (runInProgress())
        outcome.busy = true;
    else if (std::unique_ptr<TQLTask> due = findDueTask(outcome))
        startDueTask(std::move(due), outcome);
    if (m_onChecked)
        m_onChecked(outcome);
    return outcome;
}

// One run at a time. The downloader knows best: a run that ended without an archive
// component leaves its task at "Download Complete", which must not block the schedule.
bool TThreadSchedule::runInProgress() const {
    return m_downloader.isRunning();
}

const std::vector<std::string>& TThreadSchedule::listedPaths() {
    // The stamp is taken first: a change while the list is read shows at the next check.
    const long long stamp = m_app.activeTasks().stamp();
    if (stamp != m_listStamp) {
        m_paths = m_app.activeTasks().paths();
        m_listStamp = stamp;
        std::erase_if(m_refused, [&](const auto& entry) {
            return std::find(m_paths.begin(), m_paths.end(), entry.first) == m_paths.end();
        });
    }
    return m_paths;
}

// In list order, the first task whose next run is not later than now; every other loaded
// task is freed. Records the earliest next run of the tasks that wait.
std::unique_ptr<TQLTask> TThreadSchedule::findDueTask(ScheduleCheck& outcome) {
    const DateTime now = m_clock.now();
    const std::vector<std::string> paths = listedPaths();
    for (const std::string& path : paths) {
        if (dropMissing(path) || refusedUnchanged(path))
            continue;
        std::unique_ptr<TQLTask> task = TQLTask::loadFromFile(m_app, path);
        if (task->nextRun() <= now)
            return task;
        if (!outcome.nextWaiting || task->nextRun() < *outcome.nextWaiting)
            outcome.nextWaiting = task->nextRun();
    }
    return nullptr;
}

// A listed task file that is gone would load as an empty task that is due at once, and
// fail to start at every check: it leaves the list instead.
bool TThreadSchedule::dropMissing(const std::string& path) {
    if (fileExists(path))
        return false;
    Status removed = m_app.activeTasks().remove(path);
    std::string text = "The task file " + path + " of the active tasks is missing; ";
    text += removed ? "it was taken off the list." : removed.message();
    m_app.hooks().showMessage(UiHooks::MessageKind::Warning, text);
    return true;
}

bool TThreadSchedule::refusedUnchanged(const std::string& path) const {
    const auto found = m_refused.find(path);
    return found != m_refused.end() && found->second == fileStamp(path);
}

// The fresh copy becomes the current task (freeing the object it replaces, also an older
// copy of the same task) and starts.
void TThreadSchedule::startDueTask(std::unique_ptr<TQLTask> task, ScheduleCheck& outcome) {
    const std::string path = task->filePath();
    const std::string name = task->taskName();
    if (Status started = m_downloader.start(std::move(task)); !started) {
        // Tried again once the task file changes (the user fixed or rescheduled it).
        m_refused[path] = fileStamp(path);
        outcome.startFailed = true;
        m_app.hooks().showMessage(UiHooks::MessageKind::Error,
                                  "Task \"" + name + "\" could not start: " + started.message());
        return;
    }
    m_refused.erase(path);
    outcome.started = true;
    if (m_onRunStarted && m_downloader.task() != nullptr)
        m_onRunStarted(*m_downloader.task());
}

} // namespace quarlo
