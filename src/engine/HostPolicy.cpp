#include "engine/HostPolicy.h"

#include "model/TQLApp.h"

#include <algorithm>
#include <cctype>

#include <curl/curl.h>

namespace quarlo {

namespace {

constexpr std::chrono::seconds kMaxRetryWait{300};
constexpr const char* kRefusedByRobots = "Refused by robots.txt";

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

long secondsLeft(std::chrono::steady_clock::time_point until,
                 std::chrono::steady_clock::time_point now) {
    const auto left = std::chrono::ceil<std::chrono::seconds>(until - now);
    return static_cast<long>(std::max<std::chrono::seconds::rep>(left.count(), 0));
}

} // namespace

int hostConnectionCap(const TQLApp& app) {
    return app.connectionsPerHost();
}

std::string originOf(const std::string& url) {
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos)
        return lower(url);
    const std::string scheme = lower(url.substr(0, schemeEnd));
    std::string authority = url.substr(schemeEnd + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    if (const auto at = authority.rfind('@'); at != std::string::npos)
        authority = authority.substr(at + 1);
    authority = lower(authority);
    // A port follows the last ':' outside an IPv6 literal's brackets.
    const auto colon = authority.rfind(':');
    const auto bracket = authority.rfind(']');
    const bool hasPort =
        colon != std::string::npos && (bracket == std::string::npos || colon > bracket);
    if (!hasPort)
        authority += scheme == "https" ? ":443" : ":80";
    return scheme + "://" + authority;
}

std::chrono::seconds retryDelay(int attempt, std::optional<std::chrono::seconds> retryAfter) {
    if (retryAfter)
        return std::clamp(*retryAfter, std::chrono::seconds(0), kMaxRetryWait);
    return std::chrono::seconds(2 << std::clamp(attempt - 1, 0, 2));
}

std::optional<std::chrono::seconds> parseRetryAfter(const std::string& value,
                                                    std::chrono::system_clock::time_point now) {
    std::string v = value;
    v.erase(0, v.find_first_not_of(" \t"));
    v.erase(v.find_last_not_of(" \t\r\n") + 1);
    if (v.empty())
        return std::nullopt;
    if (std::all_of(v.begin(), v.end(), [](unsigned char c) { return std::isdigit(c); })) {
        if (v.size() > 9)
            return kMaxRetryWait;
        return std::chrono::seconds(std::stol(v));
    }
    const time_t when = curl_getdate(v.c_str(), nullptr);
    if (when == -1)
        return std::nullopt;
    const auto wait = std::chrono::system_clock::from_time_t(when) - now;
    return std::max(std::chrono::ceil<std::chrono::seconds>(wait), std::chrono::seconds(0));
}

void HostPolicy::beginRun(Settings settings) {
    std::lock_guard lock(m_mutex);
    m_settings = std::move(settings);
    m_settings.perHostCap = std::max(1, m_settings.perHostCap);
    m_hosts.clear();
    m_robotsRequests.clear();
    m_skipped = false;
}

HostPolicy::Host& HostPolicy::hostOf(const std::string& origin) {
    return m_hosts[origin];
}

bool HostPolicy::waits(const Host& host, Clock::time_point now) const {
    return host.waitUntil > now || host.busy >= m_settings.perHostCap;
}

EntryVerdict HostPolicy::verdict(const std::string& url, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    const std::string origin = originOf(url);
    Host& host = hostOf(origin);
    const bool start = m_settings.startURLs.contains(url);
    // A start URL is fetched whatever robots.txt says, also when it never answered.
    if (!host.failure.empty() && !(start && host.robotsFailed))
        return {EntryVerdict::Kind::Fail, host.failure};
    if (m_settings.obeyRobots && !host.robotsFailed) {
        EntryVerdict robots = robotsVerdict(origin, host, url, start, now);
        if (robots.kind != EntryVerdict::Kind::Dispatch)
            return robots;
    }
    if (crawlDelayEnds(host) > now || waits(host, now)) {
        m_skipped = true;
        return {EntryVerdict::Kind::Skip, {}};
    }
    return {};
}

HostPolicy::Clock::time_point HostPolicy::crawlDelayEnds(const Host& host) const {
    if (!host.rules.crawlDelay() || host.lastDispatch == Clock::time_point{})
        return {};
    const std::chrono::duration<double> delay(*host.rules.crawlDelay());
    return host.lastDispatch + std::chrono::duration_cast<Clock::duration>(delay);
}

EntryVerdict HostPolicy::robotsVerdict(const std::string& origin, Host& host,
                                       const std::string& url, bool start, Clock::time_point now) {
    switch (host.robots) {
    case Robots::Unknown:
    case Robots::Unavailable:
        if (host.waitUntil <= now && host.busy < m_settings.perHostCap) {
            host.robots = Robots::Requested;
            m_robotsRequests.push_back(origin);
        }
        m_skipped = true;
        return {EntryVerdict::Kind::Skip, {}};
    case Robots::Requested:
    case Robots::Fetching:
        m_skipped = true;
        return {EntryVerdict::Kind::Skip, {}};
    case Robots::Known:
        break;
    }
    if (!start && !host.rules.allows(robotsPathOf(url)))
        return {EntryVerdict::Kind::Refuse, kRefusedByRobots};
    return {};
}

std::vector<std::string> HostPolicy::takeRobotsRequests() {
    std::lock_guard lock(m_mutex);
    for (const std::string& origin : m_robotsRequests) {
        Host& host = hostOf(origin);
        host.robots = Robots::Fetching;
        ++host.busy;
    }
    return std::exchange(m_robotsRequests, {});
}

bool HostPolicy::robotsRequestsWaiting() const {
    std::lock_guard lock(m_mutex);
    return !m_robotsRequests.empty();
}

void HostPolicy::robotsDone(const std::string& origin, const RobotsAnswer& answer,
                            Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    Host& host = hostOf(origin);
    host.busy = std::max(0, host.busy - 1);
    switch (answer.kind) {
    case RobotsAnswer::Kind::Rules:
        host.rules = RobotsRules::parse(answer.text, m_settings.productToken);
        host.robots = Robots::Known;
        return;
    case RobotsAnswer::Kind::NotFound:
        host.rules = RobotsRules();
        host.robots = Robots::Known;
        return;
    case RobotsAnswer::Kind::Refused:
        host.robots = Robots::Unavailable;
        if (++host.refusals >= kMaxRefusals)
            host.failure = answer.reason;
        return;
    case RobotsAnswer::Kind::Unavailable:
        break;
    }
    // The host may not be crawled until its robots.txt answers; it is asked again later.
    host.robots = Robots::Unavailable;
    if (++host.robotsTries >= kMaxRobotsTries) {
        host.failure = "robots.txt unavailable: " + answer.reason;
        host.robotsFailed = true;
        return;
    }
    host.waitUntil = now + retryDelay(host.robotsTries, answer.retryAfter);
    host.waitReason = "robots.txt (" + answer.reason + ")";
}

void HostPolicy::noteDispatch(const std::string& url, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    Host& host = hostOf(originOf(url));
    ++host.busy;
    host.lastDispatch = now;
}

void HostPolicy::noteDone(const std::string& url) {
    std::lock_guard lock(m_mutex);
    Host& host = hostOf(originOf(url));
    host.busy = std::max(0, host.busy - 1);
}

void HostPolicy::noteWait(const std::string& url, Clock::duration wait, const std::string& why,
                          Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    Host& host = hostOf(originOf(url));
    if (now + wait > host.waitUntil) {
        host.waitUntil = now + wait;
        host.waitReason = why;
    }
}

void HostPolicy::noteRefusal(const std::string& url, const std::string& reason) {
    std::lock_guard lock(m_mutex);
    Host& host = hostOf(originOf(url));
    if (++host.refusals >= kMaxRefusals)
        host.failure = reason;
}

void HostPolicy::beginSelection() {
    std::lock_guard lock(m_mutex);
    m_skipped = false;
}

bool HostPolicy::holdsWork() const {
    std::lock_guard lock(m_mutex);
    if (m_skipped || !m_robotsRequests.empty())
        return true;
    return std::any_of(m_hosts.begin(), m_hosts.end(), [](const auto& entry) {
        return entry.second.robots == Robots::Fetching || entry.second.robots == Robots::Requested;
    });
}

std::optional<HostPolicy::Clock::time_point> HostPolicy::nextWake(Clock::time_point now) const {
    std::lock_guard lock(m_mutex);
    std::optional<Clock::time_point> wake;
    for (const auto& [origin, host] : m_hosts) {
        std::optional<Clock::time_point> until;
        if (host.waitUntil > now)
            until = host.waitUntil;
        else if (crawlDelayEnds(host) > now)
            until = crawlDelayEnds(host);
        if (until && *until > now && (!wake || *until < *wake))
            wake = until;
    }
    return wake;
}

std::string HostPolicy::waitText(Clock::time_point now) const {
    std::lock_guard lock(m_mutex);
    for (const auto& [origin, host] : m_hosts) {
        if (host.robots == Robots::Fetching)
            return "Waiting for " + origin + "/robots.txt";
        if (host.waitUntil > now)
            return "Waiting " + std::to_string(secondsLeft(host.waitUntil, now)) + " s for " +
                   origin + ": " + host.waitReason;
    }
    return {};
}

} // namespace quarlo
