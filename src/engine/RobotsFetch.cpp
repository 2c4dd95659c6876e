#include "engine/RobotsFetch.h"

#include "engine/CurlHandles.h"
#include "engine/TickCore.h"
#include "engine/WinInetErrors.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace quarlo {

namespace {

constexpr long kConnectTimeoutSeconds = 20;
constexpr long kTotalTimeoutSeconds = 60;

struct Received {
    std::string body;
    std::string retryAfter;
    const std::atomic<bool>* abort = nullptr;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto& received = *static_cast<Received*>(user);
    const size_t bytes = size * count;
    const size_t room =
        RobotsRules::kMaxBytes - std::min(received.body.size(), RobotsRules::kMaxBytes);
    received.body.append(data, std::min(bytes, room));
    // Past the limit the rest is not read: the rules come from what arrived.
    return bytes <= room ? bytes : 0;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto& received = *static_cast<Received*>(user);
    const std::string line(data, size * count);
    const auto colon = line.find(':');
    if (colon != std::string::npos) {
        std::string field = line.substr(0, colon);
        std::transform(field.begin(), field.end(), field.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (field == "retry-after")
            received.retryAfter = line.substr(colon + 1);
    }
    return size * count;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Received*>(user)->abort->load() ? 1 : 0;
}

RobotsAnswer failureAnswer(CURLcode result) {
    RobotsAnswer answer;
    const int32_t code = winInetCodeFor(result, 0);
    // Worded as a failed transfer's entry is, since the host's entries take it over.
    answer.reason = TickResult::failure(code).message();
    switch (result) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        answer.kind = RobotsAnswer::Kind::Refused;
        break;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_ABORTED_BY_CALLBACK:
        answer.kind = RobotsAnswer::Kind::Unavailable;
        break;
    default:
        // A failure that asking again will not mend (a certificate refused, a malformed
        // answer): the host's own transfers meet it and fail with it, so nothing is held.
        answer.kind = RobotsAnswer::Kind::NotFound;
        break;
    }
    return answer;
}

// The host name of "scheme://host[:port]".
std::string hostOfOrigin(const std::string& origin) {
    const auto start = origin.find("://");
    std::string host = start == std::string::npos ? origin : origin.substr(start + 3);
    if (!host.empty() && host.front() == '[')
        return host.substr(0, host.find(']') + 1);
    return host.substr(0, host.find(':'));
}

void applyRoute(CURL* h, const std::string& origin, const RobotsClient& client) {
    if (!client.proxy.empty()) {
        curl_easy_setopt(h, CURLOPT_PROXY, client.proxy.c_str());
        curl_easy_setopt(h, CURLOPT_NOPROXY, "");
        if (!client.proxyAuthorization.empty()) {
            curl_easy_setopt(h, CURLOPT_PROXYUSERPWD, client.proxyAuthorization.c_str());
            curl_easy_setopt(h, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        }
    }
    const std::string host = hostOfOrigin(origin);
    if (!client.insecureHost.empty() &&
        strcasecmp(host.c_str(), client.insecureHost.c_str()) == 0) {
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
    }
}

} // namespace

RobotsAnswer fetchRobots(const std::string& origin, const RobotsClient& client,
                         const std::atomic<bool>& abort) {
    CurlGlobal::ensure();
    CurlEasy easy;
    if (!easy)
        return {RobotsAnswer::Kind::Unavailable, {}, "out of memory", std::nullopt};
    Received received;
    received.abort = &abort;
    const std::string url = origin + "/robots.txt";
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, kTotalTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    if (!client.userAgent.empty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, client.userAgent.c_str());
    applyRoute(h, origin, client);
    curl_easy_setopt(h, CURLOPT_SHARE, CurlShare::withoutCookies().get());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &received);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &received);
    const CURLcode result = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    const bool cutAtLimit =
        result == CURLE_WRITE_ERROR && received.body.size() >= RobotsRules::kMaxBytes;
    if (result == CURLE_TOO_MANY_REDIRECTS)
        return {RobotsAnswer::Kind::NotFound, {}, "too many redirects", std::nullopt};
    if (result != CURLE_OK && !cutAtLimit)
        return failureAnswer(result);
    RobotsAnswer answer;
    answer.reason = "HTTP " + std::to_string(status);
    if (status >= 200 && status < 300) {
        answer.kind = RobotsAnswer::Kind::Rules;
        answer.text = std::move(received.body);
    } else if (status >= 400 && status < 500) {
        answer.kind = RobotsAnswer::Kind::NotFound;
    } else {
        answer.kind = RobotsAnswer::Kind::Unavailable;
        answer.retryAfter = parseRetryAfter(received.retryAfter, std::chrono::system_clock::now());
    }
    return answer;
}

RobotsFetcher::~RobotsFetcher() {
    stopAll();
}

void RobotsFetcher::start(const std::string& origin, const RobotsClient& client, Done done) {
    std::lock_guard lock(m_mutex);
    reapFinished();
    auto request = std::make_unique<Request>();
    Request* raw = request.get();
    raw->thread = std::thread([raw, origin, client, done = std::move(done)] {
        const RobotsAnswer answer = fetchRobots(origin, client, raw->abort);
        done(origin, answer);
        raw->finished = true;
    });
    m_requests.push_back(std::move(request));
}

void RobotsFetcher::abortAll() {
    std::lock_guard lock(m_mutex);
    for (auto& request : m_requests)
        request->abort = true;
}

void RobotsFetcher::stopAll() {
    std::list<std::unique_ptr<Request>> requests;
    {
        std::lock_guard lock(m_mutex);
        for (auto& request : m_requests)
            request->abort = true;
        requests.swap(m_requests);
    }
    for (auto& request : requests)
        request->thread.join();
}

void RobotsFetcher::reapFinished() {
    for (auto it = m_requests.begin(); it != m_requests.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            it = m_requests.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace quarlo
