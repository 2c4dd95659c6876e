#include "engine/TThreadDownload.h"

#include "engine/Queue.h"
#include "engine/RunParseSide.h"
#include "engine/SocketList.h"
#include "html/UrlFunctions.h"
#include "model/TQLApp.h"
#include "model/TQLQItem.h"
#include "model/TQLTask.h"
#include "platform/ThreadSetup.h"

namespace quarlo {

namespace {

constexpr std::chrono::seconds kRefreshInterval{1};

// The host that may be given the task's user name and password: that of the start URL, or
// of the first URL of a list task.
std::string credentialHostOf(const TQLTask& task) {
    if (!task.url().empty())
        return URLHost(task.url());
    return task.urls().empty() ? std::string() : URLHost(task.urls().front());
}

} // namespace

TThreadDownload::TThreadDownload(TQLApp& app, SocketList& sockets)
    : m_app(app), m_sockets(sockets), m_thread([this] {
          nameThisThread("quarlo-dispatch");
          run();
      }) {}

TThreadDownload::~TThreadDownload() {
    terminate();
}

void TThreadDownload::terminate() {
    {
        std::lock_guard arming(m_armMutex);
        std::lock_guard lock(m_control);
        m_terminate = true;
        m_stopRequested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    m_robots.stopAll();
}

void TThreadDownload::resume(TQLTask& task) {
    {
        std::lock_guard lock(m_control);
        m_task = &task;
        m_userAgent = m_app.userAgent();
        m_credentialHost = credentialHostOf(task);
        m_network.proxyServer = m_app.proxyServer();
        m_network.proxyAuthorization = m_app.useProxy() ? m_app.proxyAuthorization() : "";
        m_network.insecureHost = task.acceptAnyCertificate() ? m_credentialHost : std::string();
        HostPolicy::Settings hosts;
        hosts.obeyRobots = task.profile().obeyRobots();
        hosts.productToken = robotsProductToken(m_userAgent);
        hosts.perHostCap = hostConnectionCap(m_app);
        if (!task.url().empty())
            hosts.startURLs.insert(queueSafeURL(task.url()));
        for (const std::string& url : task.urls())
            hosts.startURLs.insert(queueSafeURL(url));
        m_hosts.beginRun(std::move(hosts));
        m_stopRequested = false;
        m_failureTold = false;
        m_running = true;
    }
    m_wake.notify_all();
}

void TThreadDownload::requestStop() {
    {
        std::lock_guard arming(m_armMutex);
        std::lock_guard lock(m_control);
        m_stopRequested = true;
    }
    m_robots.abortAll();
    m_wake.notify_all();
}

bool TThreadDownload::waitUntilSuspended(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_control);
    return m_wake.wait_for(lock, timeout, [this] { return !m_running; });
}

bool TThreadDownload::suspended() const {
    std::lock_guard lock(m_control);
    return !m_running;
}

bool TThreadDownload::waitUntilNoTransfers(std::chrono::milliseconds timeout) {
    // Every TransferDone wakes the waiters once its slot is idle again.
    std::unique_lock lock(m_control);
    return m_wake.wait_for(lock, timeout, [this] { return m_sockets.busyCount() == 0; });
}

void TThreadDownload::notifyWork() {
    {
        std::lock_guard lock(m_control);
        ++m_workEvents;
    }
    m_wake.notify_all();
}

void TThreadDownload::setOnPageSaved(std::function<void()> callback) {
    std::lock_guard lock(m_control);
    m_onPageSaved = std::move(callback);
}

void TThreadDownload::setOnRunOver(std::function<void()> callback) {
    std::lock_guard lock(m_control);
    m_onRunOver = std::move(callback);
}

void TThreadDownload::run() {
    while (waitForRun()) {
        if (m_stopRequested) {
            FinalSave();
            RefreshStatus();
            suspend();
            continue;
        }
        const Pacing pacing = Pacing::fromDispatchPause(m_app.dispatchPause());
        m_slotsTakeWork = pacing.eventDriven();
        if (pacing.eventDriven())
            eventCycle();
        else
            pacedCycle(pacing);
    }
}

bool TThreadDownload::waitForRun() {
    std::unique_lock lock(m_control);
    m_wake.wait(lock, [this] { return m_terminate || m_running; });
    return !m_terminate;
}

void TThreadDownload::suspend() {
    {
        std::lock_guard lock(m_control);
        m_running = false;
    }
    m_wake.notify_all();
}

// The download is finished: suspended first, so that whoever is told finds the thread
// between runs.
void TThreadDownload::finished() {
    suspend();
    runOver();
}

void TThreadDownload::runOver() {
    std::function<void()> callback;
    {
        std::lock_guard lock(m_control);
        callback = m_onRunOver;
    }
    if (callback)
        callback();
}

// False when the sleep was cut short by a stop.
bool TThreadDownload::sleepFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_control);
    return !m_wake.wait_for(lock, duration, [this] { return m_stopRequested.load(); });
}

void TThreadDownload::waitForWork(uint64_t seen, std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(m_control);
    m_wake.wait_until(lock, until, [&] { return m_stopRequested.load() || m_workEvents != seen; });
}

// One cycle at the configured pace: at most two hand-overs, each after a pause.
void TThreadDownload::pacedCycle(const Pacing& pacing) {
    RefreshStatus();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!sleepFor(pacing.half) || !sleepFor(pacing.half))
            return;
        if (dispatchAttempt(pacing) == Attempt::Finished) {
            finished();
            return;
        }
    }
    PeriodicSave();
}

// One second without pauses: every idle slot is armed as soon as there is an item for it;
// otherwise the thread waits until a slot frees or new work arrives.
void TThreadDownload::eventCycle() {
    const auto until = std::chrono::steady_clock::now() + kRefreshInterval;
    RefreshStatus();
    while (!m_stopRequested && std::chrono::steady_clock::now() < until) {
        uint64_t seen = 0;
        {
            std::lock_guard lock(m_control);
            seen = m_workEvents;
        }
        const Attempt attempt = dispatchAttempt(Pacing::fromDispatchPause(0));
        if (attempt == Attempt::Finished) {
            finished();
            return;
        }
        if (attempt != Attempt::Dispatched) {
            // A host's wait ending is work too.
            const auto now = std::chrono::steady_clock::now();
            const auto wake = m_hosts.nextWake(now);
            waitForWork(seen, wake ? std::min(until, *wake) : until);
        }
    }
    PeriodicSave();
}

TThreadDownload::Attempt TThreadDownload::dispatchAttempt(const Pacing& pacing) {
    std::unique_lock dispatching(m_dispatchMutex);
    m_sockets.SetSocketCount(m_app.connections());
    TThreadSocket* slot = m_sockets.firstIdle();
    TQLTask* task = m_task;
    if (slot == nullptr)
        return Attempt::NoSlot;
    if (task == nullptr)
        return Attempt::NothingToDo;
    // Slots are armed only under the dispatch mutex: with none busy now, no transfer can end
    // and put an entry back while the queue is examined.
    const bool noTransfers = m_sockets.busyCount() == 0;
    std::unique_ptr<TQLQItem> item;
    bool failed = false;
    {
        std::lock_guard lock(task->mutex());
        // A run that cannot write its output fetches nothing more; the run's end follows.
        failed = !task->outputFailure().empty();
        if (!failed) {
            item = selectItem(*task, std::chrono::steady_clock::now());
            if (!item && noTransfers && !hostsHoldWork() && !parsingLeft(*task))
                return finishDownload(*task) ? Attempt::Finished : Attempt::NothingToDo;
        }
    }
    if (failed) {
        dispatching.unlock();
        if (!m_failureTold) {
            m_failureTold = true;
            runOver();
        }
        return Attempt::NothingToDo;
    }
    startRobotsRequests();
    if (!item)
        return Attempt::NothingToDo;
    const std::string url = item->URL;
    if ((pacing.pause.count() > 0 && !sleepFor(pacing.pause)) || !ArmSlot(*slot, std::move(item))) {
        m_hosts.noteDone(url);
        return Attempt::NothingToDo;
    }
    return Attempt::Dispatched;
}

std::unique_ptr<TQLQItem> TThreadDownload::selectItem(TQLTask& task,
                                                      std::chrono::steady_clock::time_point now) {
    m_hosts.beginSelection();
    std::unique_ptr<TQLQItem> item =
        NextItem(task, [&](const std::string& url) { return m_hosts.verdict(url, now); });
    if (item)
        m_hosts.noteDispatch(item->URL, now);
    return item;
}

void TThreadDownload::startRobotsRequests() {
    for (const std::string& origin : m_hosts.takeRobotsRequests()) {
        const RobotsClient client{m_userAgent, m_network.proxyServer, m_network.proxyAuthorization,
                                  m_network.insecureHost};
        m_robots.start(origin, client, [this](const std::string& from, const RobotsAnswer& a) {
            m_hosts.robotsDone(from, a, std::chrono::steady_clock::now());
            notifyWork();
        });
    }
}

// A page still to be parsed keeps the download open, and so does the page the parse thread
// holds: until its converted text is in place, the run's end would find the server's text
// (and in Zip mode put it in the archive). The caller holds the task's mutex.
bool TThreadDownload::parsingLeft(TQLTask& task) const {
    const RunParseSide* parse = m_parse;
    return parse != nullptr && (NextSavedPage(task) || parse->holdsPage());
}

// The download has finished: "Download Complete", queue and task file saved. The caller
// holds the task's mutex. False when a stop came first.
bool TThreadDownload::finishDownload(TQLTask& task) {
    if (m_stopRequested)
        return false;
    task.setStatus(TaskStatus::DownloadComplete);
    if (Status saved = SaveQueue(task); !saved)
        reportFailure(task, saved.message());
    return true;
}

void TThreadDownload::RefreshStatus() {
    if (TQLTask* task = m_task) {
        std::lock_guard lock(task->mutex());
        if (task->isRunning())
            task->setElapsedTime(currentDateTime() - task->startTime());
    }
    if (const std::string waiting = m_hosts.waitText(std::chrono::steady_clock::now());
        !waiting.empty())
        m_app.hooks().setStatusLine(waiting, -1);
    m_app.hooks().refreshCounters();
    m_app.hooks().refreshConnections();
    // Entries change status all through a run: the explorer shows them as they are.
    m_app.hooks().refreshExplorer();
}

void TThreadDownload::PeriodicSave() {
    saveDirtyQueue(NoteQueueChange);
}

void TThreadDownload::FinalSave() {
    saveDirtyQueue(SaveQueue);
}

void TThreadDownload::saveDirtyQueue(Status (*save)(TQLTask&)) {
    TQLTask* task = m_task;
    if (task == nullptr)
        return;
    std::lock_guard lock(task->mutex());
    if (!task->queueDirty())
        return;
    if (Status saved = save(*task); !saved)
        reportFailure(*task, saved.message());
}

// A queue or task file that cannot be written fails the run. The caller holds the task's
// mutex.
void TThreadDownload::reportFailure(TQLTask& task, const std::string& message) {
    task.noteOutputFailure(message);
    m_app.hooks().setStatusLine(message, -1);
}

} // namespace quarlo
