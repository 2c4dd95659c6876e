#include "engine/TickTransfer.h"

#include "engine/RateLimiter.h"
#include "engine/TickHTTP.h"
#include "engine/WinInetErrors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>

namespace quarlo {

namespace {

// How long one wait for the session lasts at most; stop() ends it at once.
constexpr int kPollMilliseconds = 1000;
// Receive blocks of a capped transfer are kept small, so the cap is applied smoothly.
constexpr long kMinCappedBuffer = 1024;
constexpr long kMaxCappedBuffer = 16384;

// A Content-Length value; -1 when it is not a number.
int64_t contentLengthOf(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    int64_t length = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (value.empty() || error != std::errc() || end != value.data() + value.size())
        return -1;
    return length;
}

// Whether a Content-Encoding value names a coding at all ("identity" and blanks do not).
bool isContentCoding(std::string_view value) {
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return false;
    value.remove_prefix(first);
    value = value.substr(0, value.find_last_not_of(" \t") + 1);
    return !(value.size() == 8 && ::strncasecmp(value.data(), "identity", 8) == 0);
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           ::strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// The numeric status of "HTTP/1.1 404 Not Found"; 0 when there is none.
int statusCodeOf(std::string_view statusLine) {
    const std::size_t blank = statusLine.find(' ');
    if (blank == std::string_view::npos)
        return 0;
    int code = 0;
    for (std::size_t i = blank + 1; i < statusLine.size() && i < blank + 4; ++i) {
        const char c = statusLine[i];
        if (c < '0' || c > '9')
            return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

// HTTP/2 status lines carry no reason phrase ("HTTP/2 404 " as libcurl gives them); the usual
// one is added, so the result text reads as it does over HTTP/1.1 ("404 Not Found").
std::string withReasonPhrase(std::string_view statusLine, int code) {
    std::string line(statusLine);
    std::string bare = line;
    while (!bare.empty() && bare.back() == ' ')
        bare.pop_back();
    if (code == 0 || bare.find(' ', bare.find(' ') + 1) != std::string::npos)
        return line;
    line = bare;
    static const std::pair<int, const char*> kReasons[] = {
        {200, "OK"},
        {203, "Non-Authoritative Information"},
        {204, "No Content"},
        {206, "Partial Content"},
        {301, "Moved Permanently"},
        {302, "Found"},
        {303, "See Other"},
        {304, "Not Modified"},
        {307, "Temporary Redirect"},
        {308, "Permanent Redirect"},
        {400, "Bad Request"},
        {401, "Unauthorized"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {410, "Gone"},
        {429, "Too Many Requests"},
        {500, "Internal Server Error"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"},
    };
    for (const auto& [known, reason] : kReasons)
        if (known == code)
            return line + " " + reason;
    return line;
}

std::string addressText(const curl_sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&address->addr);
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    } else if (address->family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address->addr);
        ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    }
    return text;
}

// The absolute URL a Location value names, and its host.
std::pair<std::string, std::string> resolveLocation(const std::string& base,
                                                    const std::string& location) {
    std::pair<std::string, std::string> result{location, {}};
    CURLU* url = curl_url();
    if (url == nullptr)
        return result;
    if (curl_url_set(url, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
        curl_url_set(url, CURLUPART_URL, location.c_str(), 0) == CURLUE_OK) {
        char* text = nullptr;
        if (curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
            result.first = text;
            curl_free(text);
        }
        if (curl_url_get(url, CURLUPART_HOST, &text, 0) == CURLUE_OK) {
            result.second = text;
            curl_free(text);
        }
    }
    curl_url_cleanup(url);
    return result;
}

} // namespace

TickTransfer::TickTransfer(TickHTTP& owner, bool ignoreContentLength, long redirectBudget)
    : m_owner(owner), m_ignoreContentLength(ignoreContentLength), m_redirectBudget(redirectBudget),
      m_file(owner.m_localFile) {}

TickResult TickTransfer::run() {
    CurlSlist headers;
    const TickResult result = runWith(headers);
    m_owner.releaseRequestHandle();
    return result;
}

TickResult TickTransfer::runWith(CurlSlist& headers) {
    CURL* easy = m_owner.requestHandle();
    CURLM* session = m_owner.session();
    if (easy == nullptr || session == nullptr || !configure(easy, headers))
        return TickResult::failure(kInetInternalError);
    m_easy = easy;

    startHop(m_owner.m_parts.requestURL, m_owner.m_parts.host);
    if (curl_multi_add_handle(session, easy) != CURLM_OK)
        return TickResult::failure(kInetInternalError);
    const CURLcode result = perform(easy);
    curl_multi_remove_handle(session, easy);
    return finish(easy, result);
}

bool TickTransfer::configure(CURL* easy, CurlSlist& headers) {
    const TickHTTP& o = m_owner;
    const char* protocols = o.allowsSecureScheme() ? "http,https" : "http";
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, o.m_parts.requestURL.c_str()) == CURLE_OK;
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, m_redirectBudget);
    // HTTP/2 where a TLS server offers it; plain http stays HTTP/1.1 with keep-alive.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A stop must not wait for a name look-up that is still running.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, o.m_connectTimeout);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, o.m_receiveTimeout);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
    if (m_ignoreContentLength)
        curl_easy_setopt(easy, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    // "" offers every content coding this libcurl decodes; a body arrives decoded, also
    // from a server that compresses unasked.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    if (!o.m_caBundle.empty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, o.m_caBundle.c_str());
    if (!o.m_userAgent.empty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, o.m_userAgent.c_str());
    if (o.m_rateLimiter != nullptr && o.m_rateLimiter->rate() > 0)
        curl_easy_setopt(easy, CURLOPT_BUFFERSIZE,
                         std::clamp(static_cast<long>(o.m_rateLimiter->rate() / 8),
                                    kMinCappedBuffer, kMaxCappedBuffer));
    m_unverified = o.acceptsAnyCertificate(o.m_parts.host);

    // "Accept:" with nothing after it removes libcurl's own "*/*".
    ok = ok && headers.append("Accept:" + (o.m_accept.empty() ? "" : " " + o.m_accept));
    if (!o.m_ifModifiedSince.empty())
        ok = ok && headers.append("If-Modified-Since: " + o.m_ifModifiedSince);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());

    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &TickTransfer::onHeaderData);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TickTransfer::onBodyData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &TickTransfer::onOpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &TickTransfer::onPrerequest);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
    // Connections outlive the request in the session's cache: their closing reports to the
    // client object, not to this transfer.
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &TickWinInet::closeSocket);
    curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, static_cast<TickWinInet*>(&m_owner));

    o.applySessionOptions(easy, o.m_parts.host, o.m_parts.scheme, o.m_allowCookies);
    return ok;
}

CURLcode TickTransfer::perform(CURL* easy) {
    CURLM* session = m_owner.session();
    for (;;) {
        if (m_owner.stopRequested())
            return CURLE_ABORTED_BY_CALLBACK;
        int running = 0;
        if (curl_multi_perform(session, &running) != CURLM_OK)
            return CURLE_FAILED_INIT;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(session, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
                return message->data.result;
        }
        noteRequestSent(easy);
        m_owner.waitForActivity(kPollMilliseconds);
    }
}

TickResult TickTransfer::finish(CURL* easy, CURLcode result) {
    if (m_owner.stopRequested()) {
        m_stopped = true;
        m_file.discard();
        if (m_owner.OnEndTransfer)
            m_owner.OnEndTransfer();
        return TickResult::success();
    }
    if (m_tooLarge || !m_redirectToVerify.empty()) {
        m_file.discard();
        flushHeaders();
        if (m_headersReported && m_owner.OnEndTransfer)
            m_owner.OnEndTransfer();
        return TickResult::failure(m_tooLarge ? int32_t{kTickTooLarge}
                                              : int32_t{kHttpRedirectFailed});
    }
    if (result != CURLE_OK) {
        m_file.discard();
        m_refusedContentLength =
            result == CURLE_WEIRD_SERVER_REPLY && !m_bodyStarted && !m_ignoreContentLength &&
            std::string_view(m_errorBuffer).find("Content-Length") != std::string_view::npos;
        m_owner.m_errorDetail = m_errorBuffer[0] ? m_errorBuffer : curl_easy_strerror(result);
        long verifyResult = 0;
        curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
        // The final answer's headers did arrive: report them, then the end of its body.
        flushHeaders();
        if (m_headersReported && m_owner.OnEndTransfer)
            m_owner.OnEndTransfer();
        if (m_fileError != kTickOk)
            return fileFailure(m_fileError);
        return TickResult::failure(winInetCodeFor(result, verifyResult))
            .withKind(errorCodeOfCurl(result));
    }
    return finishComplete();
}

// A full or read-only disk says which file and why.
TickResult TickTransfer::fileFailure(int32_t code) const {
    return TickResult::failure(code, code == kTickDiskFault ? m_file.failureText() : std::string())
        .withKind(errorCodeOfErrno(m_file.error()));
}

TickResult TickTransfer::finishComplete() {
    flushHeaders();
    const bool success = m_responseCode >= 200 && m_responseCode < 300;
    if (success && m_total < m_owner.m_minBodySize) {
        // Too small to keep: an earlier copy stays as it was.
        m_file.discard();
        if (m_owner.OnEndTransfer)
            m_owner.OnEndTransfer();
        return TickResult::failure(kTickTooSmall);
    }
    int32_t fileResult = kTickOk;
    if (m_file.isOpen()) {
        fileResult = m_file.commit();
    } else if (success && !m_bodyStarted && !m_owner.m_localFile.empty()) {
        // A complete answer with an empty body still leaves its (empty) file.
        fileResult = m_file.open();
        if (fileResult == kTickOk)
            fileResult = m_file.commit();
    }
    if (m_owner.OnEndTransfer)
        m_owner.OnEndTransfer();
    if (fileResult != kTickOk)
        return fileFailure(fileResult);

    if (m_responseCode == 304 && !m_owner.m_ifModifiedSince.empty()) {
        m_owner.m_notModified = true;
        return TickResult::success();
    }
    const std::string& statusLine = m_owner.m_statusLine;
    const std::size_t blank = statusLine.find(' ');
    if (blank != std::string::npos && blank + 1 < statusLine.size() && statusLine[blank + 1] != '2')
        return TickResult::failure(kTickBadStatus, statusLine.substr(blank + 1))
            .withKind(m_responseCode == 404 || m_responseCode == 410 ? ErrorCode::NotFound
                                                                     : ErrorCode::Network);
    return TickResult::success();
}

size_t TickTransfer::onHeaderData(char* data, size_t size, size_t count, void* self) {
    std::string_view line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return static_cast<TickTransfer*>(self)->headerLine(line) ? size * count : 0;
}

bool TickTransfer::headerLine(std::string_view line) {
    if (!m_inBlock) {
        // Lines outside a header block are trailers of a chunked body: not reported.
        if (!startsWithNoCase(line, "HTTP/"))
            return true;
        // A new response: whatever came before it was not the final one.
        noteRequestSent(m_easy);
        m_inBlock = true;
        m_blockComplete = false;
        m_headers.clear();
        m_location.clear();
        m_contentLength = -1;
        m_contentEncoded = false;
        m_responseCode = statusCodeOf(line);
        m_owner.m_statusLine = withReasonPhrase(line, m_responseCode);
        m_owner.fireStatus(41);
        return true;
    }
    if (line.empty())
        return endOfHeaderBlock();
    const std::size_t colon = line.find(':');
    std::string field(line.substr(0, colon));
    std::string value(colon == std::string_view::npos ? std::string_view()
                                                      : line.substr(colon + 1));
    if (startsWithNoCase(field, "Location") && field.size() == 8) {
        m_location = value;
        const std::size_t first = m_location.find_first_not_of(" \t");
        m_location.erase(0, first == std::string::npos ? m_location.size() : first);
    } else if (startsWithNoCase(field, "Content-Length") && field.size() == 14) {
        m_contentLength = contentLengthOf(value);
    } else if (startsWithNoCase(field, "Content-Encoding") && field.size() == 16) {
        m_contentEncoded = isContentCoding(value);
    }
    m_headers.emplace_back(std::move(field), std::move(value));
    return true;
}

bool TickTransfer::passesMaximum(int64_t bytes) const {
    return m_owner.m_maxBodySize > 0 && bytes > m_owner.m_maxBodySize;
}

bool TickTransfer::endOfHeaderBlock() {
    m_inBlock = false;
    m_blockComplete = true;
    m_blockFinal = true;
    if (m_responseCode >= 100 && m_responseCode < 200) {
        m_blockFinal = false;
        m_owner.fireStatus(120);
    } else if (m_responseCode >= 300 && m_responseCode < 400 && !m_location.empty()) {
        // libcurl follows every 3xx answer that names a Location.
        m_blockFinal = false;
        char* current = nullptr;
        curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &current);
        auto [url, host] = resolveLocation(current ? current : m_hopURL, m_location);
        m_owner.m_statusLine.clear();
        m_owner.fireStatus(110, url);
        ++m_redirectsFollowed;
        const bool withinBudget = m_redirectBudget < 0 || m_redirectsFollowed <= m_redirectBudget;
        // The options of this request leave certificates unverified: another host is asked
        // by a request of its own. Past the budget libcurl ends the request itself.
        if (m_unverified && withinBudget && !m_owner.acceptsAnyCertificate(host)) {
            m_redirectToVerify = url;
            return false;
        }
        startHop(url, host);
    } else if (m_responseCode >= 200 && m_responseCode < 300 && !m_ignoreContentLength &&
               !m_contentEncoded && passesMaximum(m_contentLength)) {
        // The length of a compressed body says nothing of the decoded size: that one is
        // judged by the bytes as they arrive.
        m_tooLarge = true;
        return false;
    }
    return true;
}

void TickTransfer::flushHeaders() {
    if (m_headersReported || !m_blockComplete || !m_blockFinal)
        return;
    m_headersReported = true;
    m_owner.m_bodyEncoded = m_contentEncoded;
    if (m_owner.OnHeader)
        for (const auto& [field, value] : m_headers)
            m_owner.OnHeader(field, value);
    if (m_owner.OnStartTransfer)
        m_owner.OnStartTransfer();
}

size_t TickTransfer::onBodyData(char* data, size_t size, size_t count, void* self) {
    return static_cast<TickTransfer*>(self)->bodyBlock(std::string_view(data, size * count));
}

size_t TickTransfer::bodyBlock(std::string_view block) {
    if (m_owner.stopRequested())
        return CURL_WRITEFUNC_ERROR;
    const bool success = m_responseCode >= 200 && m_responseCode < 300;
    if (!m_bodyStarted) {
        m_bodyStarted = true;
        flushHeaders();
        // An error page never replaces an earlier copy; without one it is kept.
        m_keepBody = !m_owner.m_localFile.empty() && (success || !m_file.targetExists());
        if (m_keepBody)
            m_fileError = m_file.open();
    }
    if (success && passesMaximum(m_total + static_cast<int64_t>(block.size()))) {
        m_tooLarge = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (m_keepBody && m_fileError == kTickOk)
        m_fileError = m_file.write(block);
    if (m_fileError != kTickOk)
        return CURL_WRITEFUNC_ERROR;
    m_total += static_cast<int64_t>(block.size());
    m_owner.m_bytesTransferred = m_total;
    if (m_owner.OnTransfer)
        m_owner.OnTransfer(m_total, block);
    if (m_owner.m_rateLimiter != nullptr &&
        !m_owner.m_rateLimiter->take(static_cast<int64_t>(block.size()),
                                     [this] { return m_owner.stopRequested(); }))
        return CURL_WRITEFUNC_ERROR;
    return block.size();
}

curl_socket_t TickTransfer::onOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address) {
    auto* transfer = static_cast<TickTransfer*>(self);
    if (purpose == CURLSOCKTYPE_IPCXN) {
        if (!transfer->m_resolved) {
            transfer->m_resolved = true;
            transfer->m_owner.fireStatus(11, transfer->m_hopHost);
        }
        transfer->m_owner.fireStatus(20, addressText(address));
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int TickTransfer::onPrerequest(void* self, char* primaryIp, char*, int, int) {
    auto* transfer = static_cast<TickTransfer*>(self);
    transfer->m_owner.fireStatus(21, primaryIp ? primaryIp : "");
    transfer->m_owner.fireStatus(30);
    return CURL_PREREQFUNC_OK;
}

void TickTransfer::startHop(const std::string& url, const std::string& host) {
    m_hopURL = url;
    m_hopHost = host;
    m_resolved = false;
    m_requestSent = false;
    long before = 0;
    if (m_easy != nullptr)
        curl_easy_getinfo(m_easy, CURLINFO_REQUEST_SIZE, &before);
    m_requestBytesBefore = before;
    m_owner.fireStatus(10, host);
}

void TickTransfer::noteRequestSent(CURL* easy) {
    if (m_requestSent)
        return;
    long sent = 0;
    if (curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &sent) == CURLE_OK &&
        sent > m_requestBytesBefore) {
        m_requestSent = true;
        m_owner.fireStatus(31);
        m_owner.fireStatus(40);
    }
}

} // namespace quarlo
