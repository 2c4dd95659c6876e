#pragma once

#include "engine/TQLDownloader.h"
#include "model/TQLTask.h"
#include "platform/EventLoop.h"
#include "support/AppFixture.h"
#include "support/RecordingUiHooks.h"
#include "support/SiteServer.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>

namespace quarlo::test {

// An application with a downloader on a main-thread event loop, recorded UI calls and a
// loopback site, for tests of whole runs. "Dispatch Pause" is 0 and "Connections" 5.
class EngineRunFixture : public AppFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // An intranet-mode task saving under destination(): one URL per file 1..count, or a
    // start page.
    std::unique_ptr<TQLTask> listTask(const std::string& name, int count);
    std::unique_ptr<TQLTask> pageTask(const std::string& name, const std::string& url);
    std::string destination() const { return m_home.path() + "site/"; }
    // Runs the event loop until the run has ended; false when it did not end in time.
    bool runToEnd(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Runs the event loop until the predicate holds.
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // The current task's counters and status, read under its lock.
    TaskCounters counters();
    TaskStatus taskStatus();
    // How many queue entries are in each status.
    std::map<QueueStatus, int> statusCounts(TQLTask& task);
    // The entry of the URL as the current task's queue holds it, loaded under its lock.
    std::unique_ptr<TQLQItem> entry(const std::string& url);
    // The file a URL is saved to under destination().
    std::string savedFile(const std::string& url);
    // The number of files 1..count whose saved copy equals the site's current content.
    int identicalFiles(int count);

    SiteServer site;
    EventLoop loop;
    RecordingUiHooks hooks;
    std::unique_ptr<TQLApp> app;
    std::unique_ptr<TQLDownloader> downloader;
};

} // namespace quarlo::test
