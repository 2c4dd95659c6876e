#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quarlo::test {

// A bare TCP server on 127.0.0.1 for answers an HTTP library would refuse to send (odd
// headers, a body cut short, silence). For each connection it reads the request head, hands
// the connection to the handler on a thread of its own and closes it when the handler
// returns. Starts at once; stop() (also run by the destructor) ends stalled handlers that
// wait with pause().
class RawLoopbackServer {
public:
    class Connection {
    public:
        // The request line and headers, up to and including the blank line.
        const std::string& request() const { return m_request; }
        bool send(std::string_view bytes);
        // Waits for the duration; false (at once) once the server stops.
        bool pause(std::chrono::milliseconds duration);

    private:
        friend class RawLoopbackServer;
        Connection(RawLoopbackServer& server, int socket) : m_server(server), m_socket(socket) {}
        RawLoopbackServer& m_server;
        int m_socket;
        std::string m_request;
    };
    using Handler = std::function<void(Connection&)>;

    explicit RawLoopbackServer(Handler handler);

    // Answers that a careful client must still take: "/lower" a lower-case Content-Length of
    // 5 ("hello"), "/odd" a Content-Length that is no number ("body", then the connection
    // closes), "/cut" a body cut short of its Content-Length, anything else a body without
    // a length ("no length here", then the connection closes).
    static Handler oddAnswers();
    ~RawLoopbackServer();
    RawLoopbackServer(const RawLoopbackServer&) = delete;
    RawLoopbackServer& operator=(const RawLoopbackServer&) = delete;

    bool listening() const { return m_listener >= 0; }
    int port() const { return m_port; }
    std::string url(const std::string& path = "/") const;
    int connectionCount() const { return m_connections; }
    void stop();

private:
    void acceptLoop();
    void serve(int socket);
    bool readRequest(int socket, std::string& request);

    Handler m_handler;
    int m_listener = -1;
    int m_port = -1;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_connections{0};
    std::thread m_acceptThread;
    std::mutex m_workersMutex;
    std::vector<std::thread> m_workers;
};

} // namespace quarlo::test
