#pragma once

#include "engine/HostPolicy.h"

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quarlo {

// What a robots.txt request shares with the run's transfers: it goes the same way to the
// host, or a proxy-only network would refuse every host its robots.txt.
struct RobotsClient {
    std::string userAgent;
    std::string proxy;              // "host:port"; empty: the environment's proxy variables
    std::string proxyAuthorization; // "user:password" for the proxy; empty: none
    std::string insecureHost;       // the host whose certificate is accepted unverified
};

// Fetches "<origin>/robots.txt" (redirects followed up to 5 hops, at most
// RobotsRules::kMaxBytes kept) and says what the answer means. Returns early, as
// Unavailable, once `abort` is set.
RobotsAnswer fetchRobots(const std::string& origin, const RobotsClient& client,
                         const std::atomic<bool>& abort);

// The robots.txt requests of a run, each on a thread of its own so that the download thread
// never waits for one. done is called on the request's thread.
class RobotsFetcher {
public:
    using Done = std::function<void(const std::string& origin, const RobotsAnswer& answer)>;

    RobotsFetcher() = default;
    // Aborts the requests still running and waits for their threads.
    ~RobotsFetcher();
    RobotsFetcher(const RobotsFetcher&) = delete;
    RobotsFetcher& operator=(const RobotsFetcher&) = delete;

    void start(const std::string& origin, const RobotsClient& client, Done done);
    // Tells the running requests to end (their done still fires); does not wait.
    void abortAll();
    // Aborts the running requests and waits for their threads.
    void stopAll();

private:
    struct Request {
        std::atomic<bool> abort{false};
        std::atomic<bool> finished{false};
        std::thread thread;
    };
    void reapFinished();

    std::mutex m_mutex;
    std::list<std::unique_ptr<Request>> m_requests;
};

} // namespace quarlo
