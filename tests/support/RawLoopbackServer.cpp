#include "support/RawLoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quarlo::test {

namespace {

constexpr int kTickMilliseconds = 10;

// Waits until the socket has something to read; false when the time is up.
bool readable(int socket, int milliseconds) {
    pollfd entry{socket, POLLIN, 0};
    return ::poll(&entry, 1, milliseconds) > 0;
}

} // namespace

bool RawLoopbackServer::Connection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool RawLoopbackServer::Connection::pause(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        if (m_server.m_stopping)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kTickMilliseconds));
    }
    return !m_server.m_stopping;
}

RawLoopbackServer::RawLoopbackServer(Handler handler) : m_handler(std::move(handler)) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener);
        return;
    }
    m_listener = listener;
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

RawLoopbackServer::~RawLoopbackServer() {
    stop();
}

std::string RawLoopbackServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void RawLoopbackServer::stop() {
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(m_workersMutex);
        workers.swap(m_workers);
    }
    for (std::thread& worker : workers)
        worker.join();
    if (m_listener >= 0)
        ::close(m_listener);
    m_listener = -1;
}

void RawLoopbackServer::acceptLoop() {
    while (!m_stopping) {
        if (!readable(m_listener, kTickMilliseconds))
            continue;
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        ++m_connections;
        std::lock_guard lock(m_workersMutex);
        m_workers.emplace_back([this, socket] { serve(socket); });
    }
}

void RawLoopbackServer::serve(int socket) {
    Connection connection(*this, socket);
    if (readRequest(socket, connection.m_request))
        m_handler(connection);
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
}

bool RawLoopbackServer::readRequest(int socket, std::string& request) {
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        if (m_stopping)
            return false;
        if (!readable(socket, kTickMilliseconds))
            continue;
        const ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received <= 0)
            return false;
        request.append(buffer, static_cast<std::size_t>(received));
    }
    return true;
}

RawLoopbackServer::Handler RawLoopbackServer::oddAnswers() {
    return [](Connection& c) {
        const std::string& request = c.request();
        if (request.starts_with("GET /lower "))
            c.send("HTTP/1.1 200 OK\r\ncontent-length: 5\r\n\r\nhello");
        else if (request.starts_with("GET /odd "))
            c.send("HTTP/1.1 200 OK\r\nContent-Length: many\r\nConnection: close\r\n\r\nbody");
        else if (request.starts_with("GET /cut "))
            c.send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nonly part of it");
        else
            c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nno length here");
    };
}

} // namespace quarlo::test
