#include "engine/TThreadParse.h"

#include "engine/Queue.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/ThreadSetup.h"

#include <optional>

namespace quarlo {

namespace {

// A page in hand is finished within moments; this only bounds a wait that something broke.
constexpr std::chrono::seconds kStopWait{30};
// With "Dispatch Pause" 0 the thread sleeps until a page is saved; it looks again after this
// long in any case, for pages that reached "Saved" without a word to it.
constexpr std::chrono::seconds kIdleRecheck{1};
// The pause after a turn is five waits of a fifth of the dispatch pause each.
constexpr int kTurnWaits = 5;

} // namespace

TThreadParse::TThreadParse(TQLApp& app)
    : m_app(app), m_thread([this] {
          nameThisThread("quarlo-parse");
          run();
      }) {}

TThreadParse::~TThreadParse() {
    {
        std::lock_guard lock(m_control);
        m_terminate = true;
        m_stopRequested = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void TThreadParse::startRun(TQLTask& task) {
    {
        std::lock_guard lock(m_control);
        m_task = &task;
        m_stopRequested = false;
        m_running = true;
        ++m_runs;
        // A resumed queue may hold saved pages already.
        ++m_savedEvents;
    }
    m_wake.notify_all();
}

void TThreadParse::requestStop() {
    {
        std::lock_guard lock(m_control);
        m_stopRequested = true;
    }
    m_wake.notify_all();
}

void TThreadParse::stopRun() {
    requestStop();
    if (std::this_thread::get_id() != m_thread.get_id() && !waitUntilSuspended(kStopWait))
        m_app.hooks().setStatusLine("The page parser did not stop in time", -1);
}

bool TThreadParse::waitUntilSuspended(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_control);
    return m_wake.wait_for(lock, timeout, [this] { return !m_running; });
}

bool TThreadParse::suspended() const {
    std::lock_guard lock(m_control);
    return !m_running;
}

void TThreadParse::notifyPageSaved() {
    {
        std::lock_guard lock(m_control);
        ++m_savedEvents;
    }
    m_wake.notify_all();
}

void TThreadParse::setOnWork(std::function<void()> onWork) {
    std::lock_guard lock(m_control);
    m_onWork = std::move(onWork);
}

void TThreadParse::wakeDispatcher() {
    std::function<void()> onWork;
    {
        std::lock_guard lock(m_control);
        onWork = m_onWork;
    }
    if (onWork)
        onWork();
}

bool TThreadParse::processNextPage(TQLTask& task) {
    // The task's mutex is taken as few times as a page allows: transfers take it too, and on
    // a busy machine every meeting may cost this thread, which the download waits for, a
    // wake-up's delay.
    PageFiles files;
    std::optional<QueueBatch> batch;
    {
        std::lock_guard lock(task.mutex());
        // A run that cannot write its output parses nothing more: its end follows.
        if (!task.outputFailure().empty())
            return false;
        m_currentItem = NextSavedPage(task);
        if (!m_currentItem)
            return false;
        m_holdsPage = true;
        files = pageFilesOf(*m_currentItem);
        // The journal records of the entries the page adds and the page's own "Parsed" are
        // written together, in one write instead of one per link. A run killed before it finds
        // the page still "Saved" and parses it again.
        batch.emplace(task, std::adopt_lock);
    }
    ProcessPage(files, *batch);
    batch.reset();
    m_currentItem.reset();
    // The page is in place (and in the zip list): the download may see that it is done.
    m_holdsPage = false;
    wakeDispatcher();
    return true;
}

// The loop: a stopped thread suspends itself; a running one processes at most one saved
// page per turn, then pauses.
void TThreadParse::run() {
    TQLTask* task = nullptr;
    std::uint64_t seen = 0;
    while (waitForRun(task, seen)) {
        const bool processed = processNextPage(*task);
        pause(processed, seen);
    }
}

// Suspends while stopped or between runs. False when the thread is to end.
bool TThreadParse::waitForRun(TQLTask*& task, std::uint64_t& seen) {
    std::unique_lock lock(m_control);
    if (m_stopRequested && m_running) {
        m_linkLog.close();
        m_running = false;
        m_wake.notify_all();
    }
    m_wake.wait(lock, [this] { return m_terminate || (m_running && !m_stopRequested); });
    if (m_terminate)
        return false;
    task = m_task;
    seen = m_savedEvents;
    if (m_linkLogRun != m_runs) {
        m_linkLog.close();
        m_linkLogRun = m_runs;
    }
    return true;
}

// Paced: five waits of P/5 each, cut short only by a stop. Event-driven (P = 0): straight
// on after a page, else asleep until a page is saved.
void TThreadParse::pause(bool processed, std::uint64_t seen) {
    const int dispatchPause = m_app.dispatchPause();
    std::unique_lock lock(m_control);
    auto stopping = [this] { return m_stopRequested.load() || m_terminate; };
    if (dispatchPause > 0) {
        const std::chrono::milliseconds fifth(dispatchPause / kTurnWaits);
        for (int wait = 0; wait < kTurnWaits && !stopping(); ++wait)
            m_wake.wait_for(lock, fifth, stopping);
        return;
    }
    if (processed)
        return;
    m_wake.wait_for(lock, kIdleRecheck, [&] { return stopping() || m_savedEvents != seen; });
}

} // namespace quarlo
