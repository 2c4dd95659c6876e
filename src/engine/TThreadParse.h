#pragma once

#include "engine/TQLDownloader.h"
#include "model/TQLQItem.h"
#include "platform/AppendingFile.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quarlo {

class PagePasses;
class PageScanner;
class TQLApp;
class TQLTask;
struct FoundLink;
struct LinkOptions;
class QueueBatch;
class RewriteTracker;
struct LinkPass;

// The parse thread: takes the first saved page of the running task (queue status "Saved"),
// loads it, queues the links its profile follows, rewrites its links to the local copies,
// inserts the banner, writes it back and marks it "Parsed". The queue status is the only
// hand-over from the transfers: a page is parsed while it is "Saved", and every link it
// queues is counted as found before the page leaves that status, so the dispatcher never
// sees a finished download while a page still holds unqueued links.
//
// The thread lives from construction to destruction and is suspended between runs. Queue
// changes happen under the task's mutex, which is never held while waiting for another
// thread; the status line is told through the application's UiHooks.
class TThreadParse : public RunParseSide {
public:
    explicit TThreadParse(TQLApp& app);
    // Ends the thread (a page in hand is finished first).
    ~TThreadParse() override;
    TThreadParse(const TThreadParse&) = delete;
    TThreadParse& operator=(const TThreadParse&) = delete;

    // Start of a run: Task set, StopRequested cleared, the thread resumed.
    void startRun(TQLTask& task) override;
    // End of a run: StopRequested set, then waits until the thread has suspended (the page
    // in hand, if any, is finished and marked first), so that the task may be saved, zipped
    // or freed. Never waits when called on the parse thread itself.
    void stopRun() override;
    // Only sets StopRequested: the thread suspends at its next check.
    void requestStop();
    // Waits until the thread is suspended; false when the time ran out.
    bool waitUntilSuspended(std::chrono::milliseconds timeout);
    bool suspended() const;

    // A transfer has saved a page; with "Dispatch Pause" 0 the thread wakes at once.
    // Callable from any thread, also under the task's mutex.
    void notifyPageSaved();
    void pageSaved() override { notifyPageSaved(); }
    bool holdsPage() const override { return m_holdsPage; }
    // Called whenever new entries were queued and after every page that left "Saved", so
    // that the dispatcher can hand out the new work or see that the download is done. Set
    // before the first run; called without the task's mutex.
    void setOnWork(std::function<void()> onWork);

    bool StopRequested() const { return m_stopRequested; }
    // The task of the current or latest run; kept after a stop.
    TQLTask* Task() const { return m_task; }

    // One turn's work on the calling thread: the task's first saved page, processed. False
    // when no page waits. The thread's loop calls it; so can a caller that drives parsing
    // itself while the thread is suspended.
    bool processNextPage(TQLTask& task);

    // Link counts of the latest extraction pass: accepted candidates, and those among them
    // that were new to the task.
    std::int32_t Links() const { return m_links; }
    std::int32_t NewLinks() const { return m_newLinks; }

    // Where the converted text of a page waits beside its file until the page is "Parsed".
    static std::string pendingPagePath(const std::string& localFile);

private:
    void run();
    bool waitForRun(TQLTask*& task, std::uint64_t& seen);
    void pause(bool processed, std::uint64_t seen);
    void wakeDispatcher();

    // The files of the page in hand, found when it is taken.
    struct PageFiles {
        std::string localFile;
        std::string startDirectory;
        std::string linkLog; // empty: the task keeps no link log
    };

    // ProcessPage.cpp
    PageFiles pageFilesOf(TQLQItem& item) const;
    void ProcessPage(const PageFiles& files, QueueBatch& batch);
    void processPageText(PagePasses& links, const LinkOptions& options);
    void processStylesheetText(PagePasses& links);
    bool loadPage(const std::string& localFile);
    void takeTitle();
    void ExtractLinks(PagePasses& links, PageScanner& scanner, const LinkPass& pass);
    void queueLink(const FoundLink& link, const LinkPass& pass);
    bool savePage(const PageFiles& files, const RewriteTracker& rewrites, QueueBatch& batch);
    Status recordLinks(const std::string& linkLog, const RewriteTracker& rewrites);
    void pageNotWritten(const std::string& reason, int error);
    bool finishPage(QueueStatus status, QueueBatch* batch = nullptr);
    void showStatus(const std::string& text);

    TQLApp& m_app;

    // The thread's state: the running task, the page and the candidate in hand, the stop
    // flag, the page text with its BASE address, and the counts of the current pass.
    std::atomic<TQLTask*> m_task{nullptr};
    std::unique_ptr<TQLQItem> m_currentItem;
    // From taking a page (under the task's mutex) until it is finished (see holdsPage).
    std::atomic<bool> m_holdsPage{false};
    std::unique_ptr<TQLQItem> m_newItem;
    std::atomic<bool> m_stopRequested{false};
    std::string m_pageText;
    std::string m_baseHref;
    // The page being parsed asks, through <meta name="robots">, that its links not be followed.
    bool m_noFollow = false;
    // The file in hand is a saved style sheet.
    bool m_stylesheet = false;
    std::atomic<std::int32_t> m_links{0};
    std::atomic<std::int32_t> m_newLinks{0};
    // The task's link log, open from one page to the next within a run. The end of a run may
    // replace the file once this thread has stopped, so it is closed when the thread stops and
    // when a run starts (m_linkLogRun is the run it was opened in).
    AppendingFile m_linkLog;
    std::uint64_t m_linkLogRun = 0;

    // Run control and wake-ups.
    mutable std::mutex m_control;
    std::condition_variable m_wake;
    bool m_running = false;
    bool m_terminate = false;
    std::uint64_t m_savedEvents = 0;
    std::uint64_t m_runs = 0; // runs started
    std::function<void()> m_onWork;

    std::thread m_thread;
};

} // namespace quarlo
