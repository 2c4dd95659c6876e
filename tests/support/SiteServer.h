#pragma once

#include "support/LoopbackServer.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace quarlo::test {

// A loopback web site for engine runs. It serves numbered binary files at
// /files/<n>.dat (each of its own size and content, with a Last-Modified date that follows
// the file's version and 304 answers to a matching If-Modified-Since), pages at
// /pages/<name>.html, style sheets at /styles/<name>.css, and counts every request. Files can be
// made to fail (404), to stall in the middle of their body until released, pages to wait until
// released, and the files to answer slowly.
class SiteServer {
public:
    using Clock = std::chrono::steady_clock;

    SiteServer();
    // Stops the server before the records its handlers write go.
    ~SiteServer();
    bool start() { return m_server.start(); }
    LoopbackServer& loopback() { return m_server; }

    std::string fileUrl(int n) const;
    std::string pageUrl(const std::string& name) const;
    std::string styleUrl(const std::string& name) const;
    // The content of a file at a version (0 at first).
    static std::string body(int n, int version = 0);
    static std::string lastModified(int version);
    std::string currentBody(int n) const;

    void setVersion(int n, int version);
    void setFailing(int n, bool failing);
    void setPage(const std::string& name, const std::string& html);
    void setStyle(const std::string& name, const std::string& css);
    // Every answer waits this long first.
    void setDelay(std::chrono::milliseconds delay) { m_delayMs = static_cast<int>(delay.count()); }
    // A held file sends the first half of its body, then waits until released; a held page
    // sends nothing until then.
    void hold(int n);
    void holdPage(const std::string& name);
    void releaseAll();

    int requests(int n) const;
    int pageRequests(const std::string& name) const;
    int totalRequests() const;
    int conditionalRequests() const;
    int notModifiedAnswers() const;
    std::vector<Clock::time_point> requestTimes() const;

private:
    void serveFile(const httplib::Request& req, httplib::Response& res);
    void serveHeld(httplib::Response& res, std::string content);
    int versionOf(int n) const;

    LoopbackServer m_server;
    mutable std::mutex m_mutex;
    std::map<int, int> m_versions;
    std::set<int> m_failing;
    std::set<int> m_held;
    std::set<std::string> m_heldPages;
    std::map<std::string, std::string> m_pages;
    std::map<std::string, std::string> m_styles;
    std::map<int, int> m_requests;
    std::map<std::string, int> m_pageRequests;
    std::vector<Clock::time_point> m_times;
    int m_conditional = 0;
    int m_notModified = 0;
    std::atomic<int> m_delayMs{0};
    std::atomic<bool> m_released{false};
};

} // namespace quarlo::test
