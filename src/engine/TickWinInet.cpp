#include "engine/TickWinInet.h"

#include <cstdio>
#include <strings.h>
#include <unistd.h>
#include <vector>

namespace quarlo {

namespace {

std::atomic<bool> g_workOffline{false};

bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> items;
    std::string item;
    for (char c : list) {
        if (c == ';' || c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!item.empty())
                items.push_back(std::move(item));
            item.clear();
        } else {
            item += c;
        }
    }
    if (!item.empty())
        items.push_back(std::move(item));
    return items;
}

// The proxy of a proxy list for the scheme: the "scheme=host:port" entry for it, else the
// first entry without a scheme.
std::string proxyFor(const std::string& list, const std::string& scheme) {
    std::string plain;
    for (const std::string& entry : splitList(list)) {
        auto equals = entry.find('=');
        if (equals == std::string::npos) {
            if (plain.empty())
                plain = entry;
        } else if (sameText(entry.substr(0, equals), scheme)) {
            return entry.substr(equals + 1);
        }
    }
    return plain;
}

// A bypass list in libcurl's form: host names and domains separated by commas. A leading
// "*." or "*" of a pattern becomes a domain match; "<local>" names the loopback host.
std::string noProxyList(const std::string& bypass) {
    std::string result;
    for (std::string entry : splitList(bypass)) {
        if (entry == "<local>")
            entry = "localhost,127.0.0.1,::1";
        else if (entry.rfind("*.", 0) == 0)
            entry.erase(0, 2);
        else if (entry.rfind('*', 0) == 0)
            entry.erase(0, 1);
        if (entry.empty() || entry.find('*') != std::string::npos)
            continue;
        if (!result.empty())
            result += ',';
        result += entry;
    }
    return result;
}

const char* connectionStateText(unsigned long state) {
    switch (state) {
    case 1:
        return "Online state.";
    case 2:
        return "Offline because no network connection could be established.";
    case 16:
        return "Offline by user request.";
    case 256:
        return "No network requests are being made by Wininet.";
    case 512:
        return "Network requests are being made by Wininet.";
    default:
        return "Moved between a secure (HTTPS) and a nonsecure (HTTP) site.";
    }
}

const char* statusText(int statusCode) {
    switch (statusCode) {
    case 10:
        return "Looking up the IP address";
    case 11:
        return "Successfully found the IP address";
    case 20:
        return "Connecting to the socket address";
    case 21:
        return "Successfully connected to";
    case 30:
        return "Sending the information request to the server.";
    case 31:
        return "Successfully sent the information request to the server.";
    case 40:
        return "Waiting for the server to respond to a request.";
    case 41:
        return "Successfully received a response from the server.";
    case 43:
        return "";
    case 50:
        return "Closing the connection to the server.";
    case 51:
        return "Successfully closed the connection to the server.";
    case 100:
        return "An asynchronous operation has been completed.";
    case 110:
        return "An HTTP request is about to automatically redirect the request to";
    case 120:
        return "Received an intermediate (100 level) status code message from the server.";
    default:
        return "Unknown state ?!";
    }
}

} // namespace

TickWinInet::TickWinInet() {
    CurlGlobal::ensure();
}

TickWinInet::~TickWinInet() {
    m_closing = true;
    std::lock_guard lock(m_actionMutex);
    m_session.reset();
}

std::string TickWinInet::WinInetVersion() {
    CurlGlobal::ensure();
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    const unsigned int number = info->version_num;
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", (number >> 16) & 0xff, (number >> 8) & 0xff,
                  number & 0xff, 0);
    return text;
}

void TickWinInet::setWorkOffline(bool offline) {
    g_workOffline = offline;
}

bool TickWinInet::workOffline() {
    return g_workOffline;
}

bool TickWinInet::running() const {
    std::lock_guard lock(m_actionMutex);
    return m_running;
}

void TickWinInet::stop() {
    std::unique_lock lock(m_actionMutex);
    if (!m_running) {
        // Nothing runs: close the kept connections, as closing the session did.
        m_session.reset();
        return;
    }
    m_stopRequested = true;
    if (m_session)
        curl_multi_wakeup(m_session->get());
    if (m_actionThread == std::this_thread::get_id())
        return;
    m_actionEnded.wait(lock, [this] { return !m_running; });
}

bool TickWinInet::beginAction() {
    std::lock_guard lock(m_actionMutex);
    if (m_running)
        return false;
    m_running = true;
    m_actionThread = std::this_thread::get_id();
    m_stopRequested = false;
    m_stopped = false;
    if (!m_session || !*m_session)
        m_session = std::make_unique<CurlMulti>();
    return true;
}

void TickWinInet::endAction(bool stopped) {
    {
        std::lock_guard lock(m_actionMutex);
        m_stopped = stopped;
        m_running = false;
        m_actionThread = {};
    }
    m_actionEnded.notify_all();
}

CURLM* TickWinInet::session() {
    return m_session ? m_session->get() : nullptr;
}

void TickWinInet::waitForActivity(int milliseconds) {
    if (CURLM* multi = session())
        curl_multi_poll(multi, nullptr, 0, milliseconds, nullptr);
}

void TickWinInet::applySessionOptions(CURL* easy, const std::string& host,
                                      const std::string& scheme, bool cookies) const {
    if (m_proxyBypass == "*") {
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
    } else if (!m_proxyServer.empty()) {
        // A proxy of our own: the environment's no_proxy list does not apply to it.
        curl_easy_setopt(easy, CURLOPT_PROXY, proxyFor(m_proxyServer, scheme).c_str());
        curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxyList(m_proxyBypass).c_str());
        if (!m_proxyAuthorization.empty()) {
            curl_easy_setopt(easy, CURLOPT_PROXYUSERPWD, m_proxyAuthorization.c_str());
            curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        }
    } else {
        const std::string noProxy = noProxyList(m_proxyBypass);
        if (!noProxy.empty())
            curl_easy_setopt(easy, CURLOPT_NOPROXY, noProxy.c_str());
    }
    if (acceptsAnyCertificate(host)) {
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    }

    // Credentials only for the start host, and only once it has asked for them: with more
    // than one method allowed libcurl sends none until a challenge names one. libcurl never
    // passes them on to a redirect target on another host.
    if (!m_user.empty() && !m_password.empty() && !m_credentialHost.empty() &&
        sameText(host, m_credentialHost)) {
        curl_easy_setopt(easy, CURLOPT_USERNAME, m_user.c_str());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, m_password.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }

    CurlShare& share = cookies ? CurlShare::withCookies() : CurlShare::withoutCookies();
    curl_easy_setopt(easy, CURLOPT_SHARE, share.get());
    if (cookies)
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
}

bool TickWinInet::acceptsAnyCertificate(const std::string& host) const {
    return !m_insecureHost.empty() && sameText(host, m_insecureHost);
}

void TickWinInet::fireStatus(int statusCode, const std::string& carried) {
    if (m_closing || !OnStatus)
        return;
    OnStatus(statusCode, statusDescription(statusCode, carried));
}

std::string TickWinInet::statusDescription(int statusCode, const std::string& carried,
                                           unsigned long connectionState) {
    if (statusCode == 60 || statusCode == 70)
        return {};
    const std::string text =
        statusCode == 200 ? connectionStateText(connectionState) : statusText(statusCode);
    return carried.empty() ? text : carried + " " + text;
}

int TickWinInet::closeSocket(void* self, curl_socket_t socket) {
    auto* client = static_cast<TickWinInet*>(self);
    const bool inAction =
        !client->m_closing && client->m_actionThread == std::this_thread::get_id();
    if (inAction)
        client->fireStatus(50);
    const int result = ::close(socket);
    if (inAction)
        client->fireStatus(51);
    return result;
}

} // namespace quarlo
