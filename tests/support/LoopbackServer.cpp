#include "support/LoopbackServer.h"

namespace quarlo::test {

namespace {

void configure(httplib::Server& server) {
    // An idle kept-alive connection holds a server thread this long when stopping.
    server.set_keep_alive_timeout(1);
    server.set_read_timeout(2, 0);
    server.set_write_timeout(2, 0);
}

} // namespace

LoopbackServer::LoopbackServer() : m_server(std::make_unique<httplib::Server>()) {
    configure(*m_server);
}

LoopbackServer::LoopbackServer(const std::string& certificateFile, const std::string& keyFile)
    : m_server(std::make_unique<httplib::SSLServer>(certificateFile.c_str(), keyFile.c_str())),
      m_tls(true) {
    configure(*m_server);
}

LoopbackServer::~LoopbackServer() {
    stop();
}

bool LoopbackServer::start() {
    if (!m_server->is_valid())
        return false;
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_listenEnded = true;
    });
    // stop() is only heard once the server runs.
    while (!m_server->is_running() && !m_listenEnded)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return !m_listenEnded;
}

void LoopbackServer::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

std::string LoopbackServer::url(const std::string& path) const {
    return urlFor("127.0.0.1", path);
}

std::string LoopbackServer::urlFor(const std::string& host, const std::string& path) const {
    return std::string(m_tls ? "https://" : "http://") + host + ":" + std::to_string(m_port) + path;
}

bool LoopbackServer::pause(std::chrono::milliseconds duration) const {
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, duration, [this] { return m_stopping.load(); });
}

} // namespace quarlo::test
