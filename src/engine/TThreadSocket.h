#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quarlo {

class RateLimiter;
class TickHTTPS;
struct TQLQItem;
struct TickResult;

// The request values a run gives each of its transfers beside the URL and the account.
struct TransferSettings {
    std::string proxyServer;        // "host:port"; empty: the environment's proxy variables
    std::string proxyAuthorization; // "user:password" for the proxy; empty: none
    std::string insecureHost;       // the host whose certificate is accepted unverified
    int64_t minBytes = 0;           // size limits of the body (0: none)
    int64_t maxBytes = 0;
    RateLimiter* rateLimiter = nullptr; // shared by the transfers of the run; not owned
};

// One transfer slot: a long-lived thread that sleeps until it is armed with a URL, fetches
// it into LocalFile with its own client object, and reports through OnProgress (every body
// block) and OnDone (once at the end of every transfer, whatever its outcome). Both events
// run on the slot's own thread.
//
// Arming (only while the slot is idle): set the item, the local file and the other request
// values, the events, and setURL() last; the thread starts at once. The slot stays busy
// until Reset(), which the completion handler calls at the end of OnDone.
//
// Every field is guarded by the slot's own lock, so the connections view may read them from
// any thread. Stop() may be called from any thread.
class TThreadSocket {
public:
    using Event = std::function<void(TThreadSocket& sender)>;

    static constexpr const char* kConnecting = "Connecting to server";
    static constexpr const char* kDownloading = "Downloading...";
    static constexpr const char* kComplete = "Transfer Complete";
    static constexpr const char* kStopped = "Transfer Stopped";
    static constexpr const char* kError = "Error";

    // Starts the slot's thread, idle.
    TThreadSocket();
    // Stops a running transfer (its OnDone still fires), ends the thread and waits for it.
    ~TThreadSocket();
    TThreadSocket(const TThreadSocket&) = delete;
    TThreadSocket& operator=(const TThreadSocket&) = delete;

    // The request values, set while the slot is idle.
    void setItem(TQLQItem* item); // not owned
    void setLocalFile(std::string path);
    void setUseCache(bool on);
    void setUserAgent(std::string agent);
    void setUser(std::string user);
    void setPassword(std::string password);
    // The only host that is given User and Password.
    void setCredentialHost(std::string host);
    // The date sent as If-Modified-Since (surrounding blanks dropped); empty: a plain GET.
    void setIfModifiedSince(const std::string& date);
    void setTransferSettings(TransferSettings settings);
    void setOnDone(Event event);
    void setOnProgress(Event event);
    void setOnStateChange(Event event);
    // Arms the slot: the thread picks the URL up at once. An empty URL is ignored.
    void setURL(std::string url);

    // A URL is set: the slot is armed or transferring.
    bool busy() const;
    std::string URL() const;
    std::string LocalFile() const;
    bool UseCache() const;
    std::string UserAgent() const;
    std::string User() const;
    std::string Password() const;
    TQLQItem* Item() const;
    // The Content-Length of the answer (0 when absent or not a number); of a compressed
    // answer, 0 until it completes, then the decoded bytes saved.
    int64_t Size() const;
    // Body bytes received so far.
    int64_t BytesReceived() const;
    // Body bytes the transfer received, also when it then failed (BytesReceived is then 0).
    int64_t bodyBytes() const;
    // The status line from the character after its first blank; empty when none came.
    std::string ResultText() const;
    // The "Last-Modified" value as received (leading blank included).
    std::string LastModified() const;
    // The "Retry-After" value of the answer, if it had one.
    std::string RetryAfter() const;
    // The "Content-Type" value of the answer, if it had one.
    std::string ContentType() const;
    // The live state text (the k... values, or the latest status notification).
    std::string State() const;
    // What the connections window shows of the slot: its transfer while it is busy, else the
    // last transfer it ended (with its final state), so that a short transfer is seen too.
    struct TransferView {
        std::string url;
        std::string state;
        int64_t size = 0;
        int64_t bytesReceived = 0;
        std::string resultText;
        std::string failure; // why a transfer in state kError failed, as its entry records it
    };
    TransferView view() const;
    // The answer was 304 to a conditional request: the local file was left as it was.
    bool notModified() const;
    // The client's result of the last transfer: 0 "Ok", or its error code and text.
    int32_t errorCode() const;
    std::string errorText() const;

    // Stops the slot's transfer. Its OnDone still fires, with State "Transfer Stopped":
    // a stopped transfer never counts as complete, also when the stop comes before the
    // request has begun. Does nothing on an idle slot.
    void Stop();
    // Makes the slot idle again: request values, results and events cleared, URL last.
    void Reset();

private:
    struct Order;

    void run();
    void transfer(const Order& order);
    bool prepareClient(const Order& order);
    void finishTransfer(const Order& order, const TickResult& result, bool ran);
    void attachHandlers();
    void onHeader(const std::string& field, const std::string& value);
    void onStatus(const std::string& description);
    void onTransfer(int64_t total);
    void setState(const std::string& state);
    void fire(const Event& event);
    TransferView viewLocked() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pending = false;   // armed and not yet taken by the thread
    bool m_terminate = false; // the thread is to end
    bool m_stopRequested = false;
    uint64_t m_generation = 0; // counts armings, so a late Stop never touches the next one

    std::string m_url;
    std::string m_localFile;
    bool m_useCache = false;
    std::string m_userAgent;
    std::string m_user;
    std::string m_password;
    std::string m_credentialHost;
    std::string m_ifModifiedSince;
    TransferSettings m_settings;
    TQLQItem* m_item = nullptr;
    Event m_onDone;
    Event m_onProgress;
    Event m_onStateChange;

    std::atomic<int64_t> m_size{0};
    std::atomic<int64_t> m_bytesReceived{0};
    std::atomic<int64_t> m_bodyBytes{0};
    std::string m_resultText;
    std::string m_lastModified;
    std::string m_retryAfter;
    std::string m_contentType;
    std::string m_state;
    TransferView m_lastTransfer;
    bool m_notModified = false;
    int32_t m_errorCode = 0;
    std::string m_errorText;

    // Made on the first transfer and kept; only the slot's thread configures it.
    std::unique_ptr<TickHTTPS> m_http;
    Event m_activeOnProgress;
    Event m_activeOnStateChange;
    std::thread m_thread;
};

} // namespace quarlo
