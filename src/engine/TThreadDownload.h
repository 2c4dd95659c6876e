#pragma once

#include "engine/HostPolicy.h"
#include "engine/Pacing.h"
#include "engine/RateLimiter.h"
#include "engine/RobotsFetch.h"
#include "engine/TThreadSocket.h"
#include "platform/Result.h"
#include "platform/SpinningMutex.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quarlo {

class RunParseSide;
class SocketList;
class TQLApp;
class TQLTask;
class TThreadSocket;
struct TQLQItem;

// The dispatcher of the running task: keeps the socket list at the "Connections" size,
// hands queue items to idle slots, records each transfer's progress and outcome in the
// queue and the counters, saves the queue now and then, refreshes the views, and declares
// the download finished (task status "Download Complete") when no entry can be dispatched,
// no transfer is busy and no saved page waits for the parse thread.
//
// The thread lives from construction to destruction and is suspended between runs. Queue
// and counter changes happen under the task's mutex, from this thread (dispatch), the slots'
// threads (TransferDone, TransferProgress) and the parse thread; the views are only told to
// refresh. No lock is held while waiting for another thread. Without a "Dispatch Pause" a
// slot whose transfer ends takes its next item itself, and the parse thread hands the links
// it queued to idle slots, so that neither waits for this thread to wake; this thread then
// keeps the socket list's size, the robots.txt requests, the hosts' waits and the end of the
// download.
class TThreadDownload {
public:
    TThreadDownload(TQLApp& app, SocketList& sockets);
    // Ends the thread (a run still going is told to stop first).
    ~TThreadDownload();
    // Ends the thread and waits for it; the object stays usable as the slots' handler, so
    // the slots may be freed (and their last transfers end) after this and before the object.
    void terminate();
    TThreadDownload(const TThreadDownload&) = delete;
    TThreadDownload& operator=(const TThreadDownload&) = delete;

    // Starts (or resumes) dispatching for the task: Task set, StopRequested cleared. The
    // user agent and the credential host are taken now.
    void resume(TQLTask& task);
    // Sets StopRequested: once this returns no slot is armed any more; within one cycle the
    // thread saves a changed queue and suspends itself. Not to be called under the task's
    // mutex.
    void requestStop();
    bool StopRequested() const { return m_stopRequested; }
    // Waits until the thread is suspended (between runs); false when the time ran out.
    bool waitUntilSuspended(std::chrono::milliseconds timeout);
    bool suspended() const;
    // Waits until no slot is busy, i.e. every transfer has ended through TransferDone;
    // false when the time ran out.
    bool waitUntilNoTransfers(std::chrono::milliseconds timeout);
    // The task of the current or latest run; kept after the run.
    TQLTask* Task() const { return m_task; }

    // Wakes the dispatcher: new entries were queued, or a saved page was parsed. May be
    // called under the task's mutex.
    void notifyWork();
    // New entries were queued or a saved page was parsed; called without any lock held. In
    // an event-driven run the idle slots are armed at once on the calling thread (unless
    // another thread is arming a slot right then), and the dispatcher is woken only when
    // something is left for it to decide.
    void workQueued();
    // The parse thread whose pages are waited for before the download counts as finished:
    // those still waiting in the queue and the one it holds. Null when no parse thread takes
    // part in runs (nothing would ever parse them).
    void setWaitsForParsing(const RunParseSide* parse) { m_parse = parse; }
    // Called (on a slot's thread) when a page has been saved and waits for parsing.
    void setOnPageSaved(std::function<void()> callback);
    // Called on this thread when the run has nothing more to do: once it has declared the
    // download finished and suspended itself, or once in a run when it finds that the run's
    // output could not be written, so that the run's end follows at once. Called without any
    // lock held.
    void setOnRunOver(std::function<void()> callback);

private:
    enum class Attempt { NoSlot, NothingToDo, Dispatched, Finished };

    void run();
    bool waitForRun();
    void suspend();
    void finished();
    void runOver();
    bool sleepFor(std::chrono::milliseconds duration);
    void waitForWork(uint64_t seen, std::chrono::steady_clock::time_point until);
    void pacedCycle(const Pacing& pacing);
    void eventCycle();

    Attempt dispatchAttempt(const Pacing& pacing);
    // The next item the host rules allow, noted as dispatched to its host. The caller holds
    // the dispatch mutex and the task's mutex.
    std::unique_ptr<TQLQItem> selectItem(TQLTask& task, std::chrono::steady_clock::time_point now);
    // On a slot's thread as its transfer ends, in an event-driven run: the slot is armed
    // with the next item at once instead of waiting for this thread to wake and arm it.
    // False when it took none.
    bool takeNextItem(TThreadSocket& slot);
    // Arms the slot with the next item the host rules allow, on the calling thread. The
    // caller holds the dispatch mutex; m_slotsTakeWork and m_stopRequested were checked.
    // False when there was no item or the slot could not be armed.
    bool armWithNextItem(TThreadSocket& slot, TQLTask& task);
    // Whether a slot may take work: it lies within the "Connections" setting. A slot beyond
    // it takes nothing more, so that the next dispatch attempt frees it.
    bool slotInUse(const TThreadSocket& slot) const;
    // Whether a host still holds entries back (waiting for a retry, a crawl delay, its
    // robots.txt or a free connection): the download is not finished while it does.
    bool hostsHoldWork() const { return m_hosts.holdsWork(); }
    void startRobotsRequests();
    // After a transfer: the host's count, a pause before a retry, a refusal.
    void noteHostOutcome(const std::string& url, const std::string& retryAfter, int retryAttempt,
                         const std::string& why, bool refused);
    bool parsingLeft(TQLTask& task) const;
    bool finishDownload(TQLTask& task);
    bool ArmSlot(TThreadSocket& slot, std::unique_ptr<TQLQItem> item);
    void TransferProgress(TThreadSocket& slot);
    void TransferDone(TThreadSocket& slot);
    void RefreshStatus();
    void PeriodicSave();
    void FinalSave();
    // Writes the queue with save when it changed since it was last written.
    void saveDirtyQueue(Status (*save)(TQLTask&));
    void reportFailure(TQLTask& task, const std::string& message);
    std::unique_ptr<TQLQItem> takeItem(TThreadSocket& slot);
    TQLQItem* itemOf(TThreadSocket& slot);

    TQLApp& m_app;
    SocketList& m_sockets;
    std::atomic<TQLTask*> m_task{nullptr};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<const RunParseSide*> m_parse{nullptr};

    // Held while an item is chosen and handed to a slot, by this thread or by a slot whose
    // transfer ended; taken before every other lock. The pause of a paced run is waited
    // under it. The parse thread takes it after every page: it spins before it sleeps.
    SpinningMutex m_dispatchMutex;
    // Slots take their next item themselves (event-driven runs only).
    std::atomic<bool> m_slotsTakeWork{false};
    // Held while a slot is armed and while StopRequested is set, so that no arming follows
    // a stop. Taken before the task's mutex, never while holding it.
    std::mutex m_armMutex;
    // Run control and the wake-ups of the thread.
    mutable std::mutex m_control;
    std::condition_variable m_wake;
    bool m_running = false;
    bool m_terminate = false;
    uint64_t m_workEvents = 0;
    std::string m_userAgent;
    std::string m_credentialHost;
    TransferSettings m_network; // the proxy and the certificate choice of the run
    RateLimiter m_rateLimiter;
    std::function<void()> m_onPageSaved;
    std::function<void()> m_onRunOver;
    // The output failure of the run has been told through m_onRunOver.
    std::atomic<bool> m_failureTold{false};

    // The items handed to slots, owned here until their transfer is done.
    std::mutex m_itemsMutex;
    std::map<const TThreadSocket*, std::unique_ptr<TQLQItem>> m_inFlight;

    // The hosts of the run and their robots.txt requests; the requests' threads end before
    // what their completion uses.
    HostPolicy m_hosts;
    RobotsFetcher m_robots;

    std::thread m_thread;
};

} // namespace quarlo
