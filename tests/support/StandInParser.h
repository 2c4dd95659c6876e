#pragma once

#include "engine/TQLDownloader.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace quarlo {
class TThreadDownload;
struct TQLQItem;
} // namespace quarlo

namespace quarlo::test {

// Stands in for the parse thread in engine tests. On a thread of its own, while a run is on
// and once allowed, it takes every saved page under the task's lock, lets onPage queue what
// the page links to, marks the page parsed and hands the new work on as the parse thread does. It
// works under its own lock, so once stopRun() returns it touches the task no more.
class StandInParser : public RunParseSide {
public:
    // Called under the task's lock for each saved page.
    using OnPage = std::function<void(TQLTask& task, const TQLQItem& page)>;

    StandInParser(TThreadDownload& download, OnPage onPage = {}, bool allowed = true);
    ~StandInParser() override;
    StandInParser(const StandInParser&) = delete;
    StandInParser& operator=(const StandInParser&) = delete;

    void startRun(TQLTask& task) override;
    void stopRun() override;
    void pageSaved() override { m_wake.notify_all(); }
    bool holdsPage() const override { return m_holdsPage; }
    // Lets a parser made not allowed take pages from now on.
    void allow();
    // From now on the pages it marks parsed stay in its hands (holdsPage) until released, as
    // a page stays in the parse thread's while its converted text is put in place.
    void holdPages();
    void releasePages();

private:
    void loop();

    TThreadDownload& m_download;
    OnPage m_onPage;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    TQLTask* m_task = nullptr;
    bool m_allowed;
    bool m_quit = false;
    bool m_holdPages = false;
    std::atomic<bool> m_holdsPage{false};
    std::thread m_thread;
};

} // namespace quarlo::test
