#include "engine/TickHTTP.h"

#include "engine/TickTransfer.h"
#include "engine/WinInetErrors.h"

#include <algorithm>

namespace quarlo {

TickHTTP::TickHTTP() = default;

void TickHTTP::setSizeLimits(int64_t minBytes, int64_t maxBytes) {
    m_minBodySize = std::max<int64_t>(0, minBytes);
    m_maxBodySize = std::max<int64_t>(0, maxBytes);
}

TickHTTP::~TickHTTP() {
    // A request still running on another thread must end before the object goes.
    if (running())
        stop();
}

void TickHTTP::setURL(std::string url) {
    m_url = std::move(url);
    m_parts = splitURL(m_url);
}

TickHTTPActions TickHTTP::Action() const {
    return running() ? ickhttpGet : ickhttpIdle;
}

TickResult TickHTTP::setAction(TickHTTPActions action) {
    switch (action) {
    case ickhttpGet:
        return get();
    case ickhttpIdle:
        stop();
        return TickResult::success();
    case ickhttpResetHeaders:
        m_ifModifiedSince.clear();
        m_accept.clear();
        return TickResult::success();
    default:
        return record(TickResult::failure(kInetInvalidOperation));
    }
}

TickResult TickHTTP::get() {
    if (!beginAction())
        return record(TickResult::failure(kTickBusy));
    bool wasStopped = false;
    TickResult result = runGet(wasStopped);
    endAction(wasStopped);
    return record(std::move(result));
}

TickResult TickHTTP::checkURL() const {
    const bool schemeOk =
        m_parts.scheme == "http" || (m_parts.scheme == "https" && allowsSecureScheme());
    if (!schemeOk)
        return TickResult::failure(kTickBadScheme);
    if (m_parts.host.empty())
        return TickResult::failure(kTickNoServer);
    if (!m_parts.valid)
        return TickResult::failure(kTickBadScheme);
    return TickResult::success();
}

TickResult TickHTTP::runGet(bool& wasStopped) {
    m_statusLine.clear();
    m_notModified = false;
    m_bytesTransferred = 0;
    m_bodyEncoded = false;
    m_errorDetail.clear();
    if (TickResult check = checkURL(); !check)
        return check;
    if (workOffline())
        return TickResult::failure(kInetDisconnected);
    const TickURLParts requested = m_parts;
    TickResult result = runTransfers(wasStopped);
    m_parts = requested;
    return result;
}

TickResult TickHTTP::runTransfers(bool& wasStopped) {
    // A Content-Length that is no number leaves the size unknown: the body then runs to the
    // end of the connection. A redirect away from the host whose certificate goes unverified
    // is followed by a request of its own, which may follow only the redirects left. Each
    // happens at most once or twice.
    constexpr int kMaxRounds = 4;
    bool ignoreContentLength = false;
    long redirectBudget = m_maxRedirects;
    TickResult result;
    for (int round = 0; round < kMaxRounds; ++round) {
        TickTransfer transfer(*this, ignoreContentLength, redirectBudget);
        result = transfer.run();
        wasStopped = transfer.wasStopped();
        if (wasStopped)
            return result;
        if (transfer.refusedContentLength() && !ignoreContentLength) {
            ignoreContentLength = true;
        } else if (!transfer.redirectToVerify().empty()) {
            m_parts = splitURL(transfer.redirectToVerify());
            if (redirectBudget >= 0)
                redirectBudget -= transfer.redirectsFollowed();
        } else {
            return result;
        }
        m_statusLine.clear();
        m_errorDetail.clear();
    }
    return result;
}

CURL* TickHTTP::requestHandle() {
    if (!m_request || !*m_request)
        m_request = std::make_unique<CurlEasy>();
    return m_request->get();
}

void TickHTTP::releaseRequestHandle() {
    if (!m_request || !*m_request)
        return;
    // libcurl's reset forgets the list of cookie files without freeing it: it is let go first,
    // while the share still holds the cookies (with no share of cookies it would clear them).
    curl_easy_setopt(m_request->get(), CURLOPT_COOKIEFILE, nullptr);
    curl_easy_reset(m_request->get());
    // A reset keeps the share: the idle handle lets go of it, so it holds on to nothing.
    curl_easy_setopt(m_request->get(), CURLOPT_SHARE, nullptr);
}

std::string TickHTTP::resultText() const {
    const std::size_t blank = m_statusLine.find(' ');
    return blank == std::string::npos ? m_statusLine : m_statusLine.substr(blank + 1);
}

} // namespace quarlo
