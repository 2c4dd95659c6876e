#include "engine/TThreadSocket.h"

#include "engine/TickHTTPS.h"
#include "engine/WinInetErrors.h"
#include "platform/TextUtil.h"
#include "platform/ThreadSetup.h"

#include <charconv>

namespace quarlo {

// What the thread took from an arming: the transfer works on these copies, so a Reset (or
// the next arming) while it finishes cannot change them.
struct TThreadSocket::Order {
    uint64_t generation = 0;
    std::string url;
    std::string localFile;
    bool useCache = false;
    std::string userAgent;
    std::string user;
    std::string password;
    std::string credentialHost;
    std::string ifModifiedSince;
    TransferSettings settings;
    Event onDone;
    Event onProgress;
    Event onStateChange;
};

namespace {

bool hasHttpScheme(const std::string& url) {
    return equalsNoCase(std::string_view(url).substr(0, 7), "http://") ||
           equalsNoCase(std::string_view(url).substr(0, 8), "https://");
}

// A Content-Length value: decimal digits between optional blanks; anything else is an
// unknown size (0).
int64_t contentLength(const std::string& value) {
    const std::string_view digits = trimBlanks(value);
    int64_t size = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || size < 0)
        return 0;
    return size;
}

} // namespace

TThreadSocket::TThreadSocket()
    : m_thread([this] {
          nameThisThread("quarlo-transfer");
          markThisThreadAsBatch();
          run();
      }) {}

TThreadSocket::~TThreadSocket() {
    TickHTTPS* client = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_terminate = true;
        if (!m_url.empty())
            m_stopRequested = true;
        client = m_http.get();
    }
    m_wake.notify_all();
    if (client != nullptr)
        client->stop();
    m_thread.join();
}

void TThreadSocket::setItem(TQLQItem* item) {
    std::lock_guard lock(m_mutex);
    m_item = item;
}

void TThreadSocket::setLocalFile(std::string path) {
    std::lock_guard lock(m_mutex);
    m_localFile = std::move(path);
}

void TThreadSocket::setUseCache(bool on) {
    std::lock_guard lock(m_mutex);
    m_useCache = on;
}

void TThreadSocket::setUserAgent(std::string agent) {
    std::lock_guard lock(m_mutex);
    m_userAgent = std::move(agent);
}

void TThreadSocket::setUser(std::string user) {
    std::lock_guard lock(m_mutex);
    m_user = std::move(user);
}

void TThreadSocket::setPassword(std::string password) {
    std::lock_guard lock(m_mutex);
    m_password = std::move(password);
}

void TThreadSocket::setCredentialHost(std::string host) {
    std::lock_guard lock(m_mutex);
    m_credentialHost = std::move(host);
}

void TThreadSocket::setIfModifiedSince(const std::string& date) {
    std::lock_guard lock(m_mutex);
    m_ifModifiedSince = std::string(trimBlanks(date));
}

void TThreadSocket::setTransferSettings(TransferSettings settings) {
    std::lock_guard lock(m_mutex);
    m_settings = std::move(settings);
}

void TThreadSocket::setOnDone(Event event) {
    std::lock_guard lock(m_mutex);
    m_onDone = std::move(event);
}

void TThreadSocket::setOnProgress(Event event) {
    std::lock_guard lock(m_mutex);
    m_onProgress = std::move(event);
}

void TThreadSocket::setOnStateChange(Event event) {
    std::lock_guard lock(m_mutex);
    m_onStateChange = std::move(event);
}

void TThreadSocket::setURL(std::string url) {
    if (url.empty())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_url = std::move(url);
        m_pending = true;
        m_stopRequested = false;
        ++m_generation;
    }
    m_wake.notify_all();
}

bool TThreadSocket::busy() const {
    std::lock_guard lock(m_mutex);
    return !m_url.empty();
}

std::string TThreadSocket::URL() const {
    std::lock_guard lock(m_mutex);
    return m_url;
}

std::string TThreadSocket::LocalFile() const {
    std::lock_guard lock(m_mutex);
    return m_localFile;
}

bool TThreadSocket::UseCache() const {
    std::lock_guard lock(m_mutex);
    return m_useCache;
}

std::string TThreadSocket::UserAgent() const {
    std::lock_guard lock(m_mutex);
    return m_userAgent;
}

std::string TThreadSocket::User() const {
    std::lock_guard lock(m_mutex);
    return m_user;
}

std::string TThreadSocket::Password() const {
    std::lock_guard lock(m_mutex);
    return m_password;
}

TQLQItem* TThreadSocket::Item() const {
    std::lock_guard lock(m_mutex);
    return m_item;
}

int64_t TThreadSocket::Size() const {
    return m_size;
}

int64_t TThreadSocket::BytesReceived() const {
    return m_bytesReceived;
}

int64_t TThreadSocket::bodyBytes() const {
    return m_bodyBytes;
}

std::string TThreadSocket::ResultText() const {
    std::lock_guard lock(m_mutex);
    return m_resultText;
}

std::string TThreadSocket::LastModified() const {
    std::lock_guard lock(m_mutex);
    return m_lastModified;
}

std::string TThreadSocket::RetryAfter() const {
    std::lock_guard lock(m_mutex);
    return m_retryAfter;
}

std::string TThreadSocket::ContentType() const {
    std::lock_guard lock(m_mutex);
    return m_contentType;
}

std::string TThreadSocket::State() const {
    std::lock_guard lock(m_mutex);
    return m_state;
}

bool TThreadSocket::notModified() const {
    std::lock_guard lock(m_mutex);
    return m_notModified;
}

int32_t TThreadSocket::errorCode() const {
    std::lock_guard lock(m_mutex);
    return m_errorCode;
}

std::string TThreadSocket::errorText() const {
    std::lock_guard lock(m_mutex);
    return m_errorText;
}

void TThreadSocket::Stop() {
    TickHTTPS* client = nullptr;
    uint64_t generation = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_url.empty())
            return;
        m_stopRequested = true;
        m_state = kStopped;
        client = m_http.get();
        generation = m_generation;
    }
    // The client is never freed before the slot, so it may be stopped outside the lock.
    if (client != nullptr)
        client->stop();
    // The end-of-body event can fire during the stop and overwrite the state.
    std::lock_guard lock(m_mutex);
    if (generation == m_generation && !m_url.empty())
        m_state = kStopped;
}

TThreadSocket::TransferView TThreadSocket::view() const {
    std::lock_guard lock(m_mutex);
    if (m_url.empty())
        return m_lastTransfer;
    return viewLocked();
}

// The failure reads as the queue entry's message does: the status line of a refused answer,
// else the client's numbered error.
TThreadSocket::TransferView TThreadSocket::viewLocked() const {
    std::string failure;
    if (m_state == kError)
        failure = m_errorCode == kTickBadStatus ? m_resultText
                                                : TickResult{m_errorCode, m_errorText}.message();
    return {m_url, m_state, m_size.load(), m_bytesReceived.load(), m_resultText, failure};
}

void TThreadSocket::Reset() {
    std::lock_guard lock(m_mutex);
    if (!m_url.empty())
        m_lastTransfer = viewLocked();
    m_useCache = false;
    m_userAgent.clear();
    m_user.clear();
    m_password.clear();
    m_credentialHost.clear();
    m_ifModifiedSince.clear();
    m_settings = {};
    m_state.clear();
    m_resultText.clear();
    m_lastModified.clear();
    m_retryAfter.clear();
    m_contentType.clear();
    m_size = 0;
    m_bytesReceived = 0;
    m_bodyBytes = 0;
    m_notModified = false;
    m_errorCode = 0;
    m_errorText.clear();
    m_item = nullptr;
    m_onDone = nullptr;
    m_onProgress = nullptr;
    m_onStateChange = nullptr;
    m_localFile.clear();
    m_stopRequested = false;
    m_pending = false;
    m_url.clear();
}

void TThreadSocket::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_terminate || m_pending; });
        if (!m_pending)
            return;
        // An arming taken on the way out still ends through OnDone, stopped.
        m_pending = false;
        Order order{m_generation, m_url,        m_localFile,      m_useCache,        m_userAgent,
                    m_user,       m_password,   m_credentialHost, m_ifModifiedSince, m_settings,
                    m_onDone,     m_onProgress, m_onStateChange};
        lock.unlock();
        transfer(order);
        lock.lock();
    }
}

void TThreadSocket::transfer(const Order& order) {
    // A slot given a URL it cannot fetch ends at once as a failed transfer; so does one
    // without a local file (its URL was refused a place inside the save folder).
    if (!hasHttpScheme(order.url)) {
        finishTransfer(order, TickResult::failure(kTickBadScheme), false);
        return;
    }
    if (order.localFile.empty()) {
        finishTransfer(order, TickResult::failure(kTickCantOpenFile), false);
        return;
    }
    if (!prepareClient(order)) {
        finishTransfer(order, TickResult::success(), false);
        return;
    }
    // The body file makes its folders when a body comes, so a failed transfer leaves none.
    finishTransfer(order, m_http->get(), true);
}

// Sets the client up for the order; false when the transfer was stopped before it began.
bool TThreadSocket::prepareClient(const Order& order) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_http) {
            m_http = std::make_unique<TickHTTPS>();
            attachHandlers();
        }
        m_size = 0;
        m_bytesReceived = 0;
        m_bodyBytes = 0;
        m_notModified = false;
        if (m_stopRequested)
            return false;
        m_state.clear();
    }
    m_activeOnProgress = order.onProgress;
    m_activeOnStateChange = order.onStateChange;
    TickHTTPS& http = *m_http;
    http.setURL(order.url);
    http.setLocalFile(order.localFile);
    http.setUseCache(order.useCache);
    http.setUserAgent(order.userAgent);
    http.setUser(order.user);
    http.setPassword(order.password);
    http.setCredentialHost(order.credentialHost);
    http.setIfModifiedSince(order.ifModifiedSince);
    http.setProxyServer(order.settings.proxyServer);
    http.setProxyAuthorization(order.settings.proxyAuthorization);
    http.setInsecureHost(order.settings.insecureHost);
    http.setSizeLimits(order.settings.minBytes, order.settings.maxBytes);
    http.setRateLimiter(order.settings.rateLimiter);
    http.setAllowCookies(true);
    return true;
}

void TThreadSocket::attachHandlers() {
    TickHTTPS& http = *m_http;
    http.OnHeader = [this](const std::string& field, const std::string& value) {
        onHeader(field, value);
    };
    http.OnStartTransfer = [this] {
        // A compressed body is saved decoded: its size is known only from the bytes.
        if (m_http->bodyEncoded())
            m_size = 0;
        setState(kConnecting);
    };
    http.OnEndTransfer = [this] { setState(kComplete); };
    http.OnStatus = [this](int, const std::string& description) { onStatus(description); };
    http.OnTransfer = [this](int64_t total, std::string_view) { onTransfer(total); };
}

// Records the outcome of the transfer (stopped, failed or complete) and fires OnDone, the
// last thing the transfer does with the slot. ran: the client's request was made.
void TThreadSocket::finishTransfer(const Order& order, const TickResult& result, bool ran) {
    {
        std::lock_guard lock(m_mutex);
        const bool stopped = m_stopRequested || (ran && m_http->stopped());
        m_errorCode = result.code;
        m_errorText = result.text;
        if (stopped) {
            m_state = kStopped;
        } else if (!result.ok()) {
            m_state = kError;
            m_size = 0;
            m_bytesReceived = 0;
        } else {
            m_notModified = m_http->notModified();
            if (m_http->bodyEncoded())
                m_size = m_bytesReceived.load();
        }
        m_resultText = ran ? m_http->resultText() : std::string();
    }
    m_activeOnProgress = nullptr;
    m_activeOnStateChange = nullptr;
    fire(order.onDone);
}

void TThreadSocket::onHeader(const std::string& field, const std::string& value) {
    if (equalsNoCase(field, "Content-Length")) {
        m_size = contentLength(value);
    } else if (equalsNoCase(field, "Last-Modified")) {
        std::lock_guard lock(m_mutex);
        m_lastModified = value;
    } else if (equalsNoCase(field, "Retry-After")) {
        std::lock_guard lock(m_mutex);
        m_retryAfter = value;
    } else if (equalsNoCase(field, "Content-Type")) {
        std::lock_guard lock(m_mutex);
        m_contentType = value;
    }
}

void TThreadSocket::onStatus(const std::string& description) {
    bool stop = false;
    {
        std::lock_guard lock(m_mutex);
        stop = m_stopRequested;
        if (!stop)
            m_state = description;
    }
    // A stop that came while the request was being set up reaches the client here.
    if (stop)
        m_http->stop();
    fire(m_activeOnStateChange);
}

void TThreadSocket::onTransfer(int64_t total) {
    bool stop = false;
    {
        std::lock_guard lock(m_mutex);
        stop = m_stopRequested;
        if (!stop)
            m_state = kDownloading;
        m_bytesReceived = total;
        m_bodyBytes = total;
    }
    if (stop) {
        m_http->stop();
        return;
    }
    fire(m_activeOnProgress);
}

void TThreadSocket::setState(const std::string& state) {
    std::lock_guard lock(m_mutex);
    if (!m_stopRequested)
        m_state = state;
}

void TThreadSocket::fire(const Event& event) {
    if (event)
        event(*this);
}

} // namespace quarlo
