#pragma once

#include "engine/CurlHandles.h"
#include "engine/TickCore.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace quarlo {

// The HTTP session part of the client: credentials, proxy, the connection cache, status
// notifications and the running/stopping of an action.
//
// Properties are set by the thread that owns the object, between actions. Events fire on the
// thread that runs the action (an unset event is skipped). stop() may be called from any
// thread.
class TickWinInet : public TickCore {
public:
    using StatusEvent = std::function<void(int statusCode, const std::string& description)>;
    using NotifyEvent = std::function<void()>;
    // The running total of body bytes (this block included) and the block itself.
    using TransferEvent = std::function<void(int64_t bytesTransferred, std::string_view text)>;

    TickWinInet();
    ~TickWinInet() override;

    const std::string& User() const { return m_user; }
    void setUser(std::string user) { m_user = std::move(user); }
    const std::string& Password() const { return m_password; }
    void setPassword(std::string password) { m_password = std::move(password); }
    // The host that may be given User and Password (the host of the task's start URL). The
    // credentials go to no other host, and with this empty to none at all.
    const std::string& credentialHost() const { return m_credentialHost; }
    void setCredentialHost(std::string host) { m_credentialHost = std::move(host); }

    // Proxy list ("host:port", or "http=host:port https=host:port") and bypass list (host
    // names separated by ";", "," or blanks; "*" means no proxy at all). Both empty: the
    // standard proxy environment variables decide.
    const std::string& ProxyServer() const { return m_proxyServer; }
    void setProxyServer(std::string proxy) { m_proxyServer = std::move(proxy); }
    const std::string& ProxyBypass() const { return m_proxyBypass; }
    void setProxyBypass(std::string bypass) { m_proxyBypass = std::move(bypass); }
    // "user:password" given to the proxy; empty: none.
    const std::string& ProxyAuthorization() const { return m_proxyAuthorization; }
    void setProxyAuthorization(std::string text) { m_proxyAuthorization = std::move(text); }
    // The one host whose certificate is accepted unverified (self-signed, expired, another
    // name); empty: every certificate is verified.
    const std::string& insecureHost() const { return m_insecureHost; }
    void setInsecureHost(std::string host) { m_insecureHost = std::move(host); }
    // Whether a request to the host goes without certificate verification.
    bool acceptsAnyCertificate(const std::string& host) const;

    // Kept for the callers that set it; there is no local cache, so whether a copy is
    // re-validated is decided by the caller through TickHTTP::setIfModifiedSince.
    bool UseCache() const { return m_useCache; }
    void setUseCache(bool on) { m_useCache = on; }

    // libcurl's version as "major.minor.patch.0".
    static std::string WinInetVersion();

    // "Work Offline": while set, every request fails at once with 12163.
    static void setWorkOffline(bool offline);
    static bool workOffline();

    // Stops the running action and waits until it has ended (unless called from within one
    // of its events); the action then returns without an error code and stopped() is true.
    // With nothing running, closes the kept connections.
    void stop();
    // Whether the last action ended because it was stopped.
    bool stopped() const { return m_stopped; }
    bool running() const;

    // The description of a status notification: the carried string (host name, address,
    // URL), a blank and the text; or just the text when nothing is carried.
    static std::string statusDescription(int statusCode, const std::string& carried = {},
                                         unsigned long connectionState = 0);

    StatusEvent OnStatus;
    NotifyEvent OnStartTransfer;
    TransferEvent OnTransfer;
    NotifyEvent OnEndTransfer;

protected:
    // Marks an action as running; false when one already runs.
    bool beginAction();
    // Marks the running action as ended (stopped or not) and releases a waiting stop().
    void endAction(bool stopped);
    bool stopRequested() const { return m_stopRequested.load(); }

    // The session's connection cache and poll, made on first use; null when libcurl could
    // not make it.
    CURLM* session();
    // Waits until the transfers of the session need attention, at most the given time; a
    // stop() ends the wait at once.
    void waitForActivity(int milliseconds);

    // Proxy and credential options for a request to the host, and the share handle.
    void applySessionOptions(CURL* easy, const std::string& host, const std::string& scheme,
                             bool cookies) const;

    void fireStatus(int statusCode, const std::string& carried = {});

public:
    // Called by libcurl when it closes a connection of the session (a C callback, so it
    // must be reachable from the transfer that registers it).
    static int closeSocket(void* self, curl_socket_t socket);

private:
    std::string m_user;
    std::string m_password;
    std::string m_credentialHost;
    std::string m_proxyServer;
    std::string m_proxyBypass;
    std::string m_proxyAuthorization;
    std::string m_insecureHost;
    bool m_useCache = true;

    mutable std::mutex m_actionMutex;
    std::condition_variable m_actionEnded;
    bool m_running = false;
    std::thread::id m_actionThread;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_closing{false};
    std::unique_ptr<CurlMulti> m_session;
};

} // namespace quarlo
