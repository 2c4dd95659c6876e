#pragma once

#include "model/TQLTask.h"

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

namespace quarlo {
class TQLApp;
class ZipModeRun;
} // namespace quarlo

namespace quarlo::bench {

inline constexpr int kPages = 5000;
inline constexpr int kImages = 50;

// A generated site on a loopback port: page i links to pages 2i+1 and 2i+2 (so every page is
// reached) and shows one of the images; about 2 KB of text each.
class GeneratedSiteServer {
public:
    GeneratedSiteServer();
    ~GeneratedSiteServer();
    std::string startUrl() const;

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

struct SiteRun {
    double downloadSeconds = 0; // until "Download Complete"
    double totalSeconds = 0;    // until the run ended
    TaskCounters counters;
    TaskStatus status = TaskStatus::Unscheduled;
};

// A task over the site: intranet mode into the folder, or Zip mode into the archive.
std::unique_ptr<TQLTask> makeSiteTask(TQLApp& app, const std::string& url, bool intranet,
                                      const std::string& place);

// Mirrors the site on an event loop of this thread, as the command line runs a task.
SiteRun mirrorSite(TQLApp& app, const std::string& url, bool intranet, const std::string& place,
                   ZipModeRun* zip);

} // namespace quarlo::bench
