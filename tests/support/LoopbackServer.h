#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace quarlo::test {

// An HTTP (or, given a certificate, HTTPS) server on 127.0.0.1 and a free port, serving on
// its own thread. Register handlers on server() before start(). stop() (also run by the
// destructor) returns promptly even while a handler stalls, provided stalling handlers wait
// with pause().
class LoopbackServer {
public:
    LoopbackServer();
    LoopbackServer(const std::string& certificateFile, const std::string& keyFile);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    httplib::Server& server() { return *m_server; }
    // False when the certificate could not be loaded or no port could be bound.
    bool start();
    void stop();

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" (https for a TLS server) followed by the path.
    std::string url(const std::string& path = "/") const;
    // The same for another name of this machine, e.g. "localhost".
    std::string urlFor(const std::string& host, const std::string& path = "/") const;

    // For handlers that stall: waits for the duration; false (at once) once stop() began.
    bool pause(std::chrono::milliseconds duration) const;
    bool stopping() const { return m_stopping; }

private:
    std::unique_ptr<httplib::Server> m_server;
    bool m_tls = false;
    int m_port = -1;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_listenEnded{false};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_wake;
};

} // namespace quarlo::test
