#pragma once

#include "engine/Queue.h"
#include "html/RobotsRules.h"

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quarlo {

class TQLApp;

// The most transfers one host is given at once. Until a setting of its own exists this is
// "Connections" (every slot may go to one host).
int hostConnectionCap(const TQLApp& app);

// How a robots.txt request ended.
struct RobotsAnswer {
    enum class Kind {
        Rules,       // 2xx: the text's rules apply
        NotFound,    // 4xx, or a failure asking again will not mend: everything allowed
        Unavailable, // 5xx or no answer: nothing is allowed for now
        Refused,     // the host could not be resolved or refused the connection
    };
    Kind kind = Kind::Unavailable;
    std::string text;   // the robots.txt (Rules)
    std::string reason; // the answer or failure, for the messages (other kinds)
    std::optional<std::chrono::seconds> retryAfter;
};

// The state of every host of one run, consulted when entries are selected: whether an entry
// may go now (its host's robots.txt known and allowing it, no retry or crawl delay pending,
// fewer transfers to the host than its cap), is refused by robots.txt, or fails because its
// host refused too often. Hosts are told apart by scheme, name and port. Thread-safe (its own
// lock, which calls nothing outside); may be used under the task's mutex.
class HostPolicy {
public:
    using Clock = std::chrono::steady_clock;

    struct Settings {
        bool obeyRobots = true;
        std::string productToken; // of the user agent, for the robots.txt groups
        int perHostCap = 1;
        std::set<std::string> startURLs; // fetched whatever robots.txt says
    };

    // Forgets every host: a run starts.
    void beginRun(Settings settings);

    // The selection's verdict on the URL now. A host first seen here gets its robots.txt
    // asked for (see takeRobotsRequests).
    EntryVerdict verdict(const std::string& url, Clock::time_point now);
    // The hosts (origin URLs, "http://host:port") whose robots.txt is to be fetched now; each
    // counts as one transfer to its host until robotsDone.
    std::vector<std::string> takeRobotsRequests();
    bool robotsRequestsWaiting() const;
    void robotsDone(const std::string& origin, const RobotsAnswer& answer, Clock::time_point now);

    // A transfer to the URL's host began / ended.
    void noteDispatch(const std::string& url, Clock::time_point now);
    void noteDone(const std::string& url);
    // The host asked for a pause (an answer to retry, or a failure worth retrying): nothing
    // more goes to it until `wait` has passed.
    void noteWait(const std::string& url, Clock::duration wait, const std::string& why,
                  Clock::time_point now);
    // The host could not be resolved or refused the connection; after kMaxRefusals its
    // entries fail at once with the reason.
    void noteRefusal(const std::string& url, const std::string& reason);

    // Whether the latest selection passed entries over because their host waits (for a
    // retry, a crawl delay, its robots.txt or a free connection): the run is not over.
    bool holdsWork() const;
    // When the earliest wait of a host ends, if any host waits for a time.
    std::optional<Clock::time_point> nextWake(Clock::time_point now) const;
    // What is waited for, for the status line; empty when nothing.
    std::string waitText(Clock::time_point now) const;
    // Marks the start of a selection (holdsWork then tells of this one).
    void beginSelection();

    static constexpr int kMaxRefusals = 3;
    // Tries of a robots.txt that keeps answering 5xx before its host's entries fail.
    static constexpr int kMaxRobotsTries = 4;

private:
    enum class Robots { Unknown, Requested, Fetching, Known, Unavailable };
    struct Host {
        Robots robots = Robots::Unknown;
        RobotsRules rules;
        int robotsTries = 0;
        int busy = 0;
        int refusals = 0;
        std::string failure;       // set: every entry of the host fails with it
        bool robotsFailed = false; // the failure is that robots.txt never answered
        Clock::time_point lastDispatch{};
        Clock::time_point waitUntil{};
        std::string waitReason;
    };

    Host& hostOf(const std::string& origin);
    EntryVerdict robotsVerdict(const std::string& origin, Host& host, const std::string& url,
                               bool start, Clock::time_point now);
    Clock::time_point crawlDelayEnds(const Host& host) const;
    bool waits(const Host& host, Clock::time_point now) const;

    mutable std::mutex m_mutex;
    Settings m_settings;
    std::map<std::string, Host> m_hosts;
    std::vector<std::string> m_robotsRequests;
    bool m_skipped = false;
};

// "scheme://host:port" of an absolute URL, in lower case (the default port filled in).
std::string originOf(const std::string& url);

// The retry delay for an entry's n-th failed attempt (1-based): Retry-After when given
// (capped at 300 s), else 2, 4, 8 s.
std::chrono::seconds retryDelay(int attempt, std::optional<std::chrono::seconds> retryAfter);
// A Retry-After value (seconds, or an HTTP date) as a wait from `now` (system time).
std::optional<std::chrono::seconds> parseRetryAfter(const std::string& value,
                                                    std::chrono::system_clock::time_point now);

} // namespace quarlo
