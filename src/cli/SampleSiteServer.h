#pragma once

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace quarlo::cli {

// Serves a folder on a free port of 127.0.0.1, as the sample site's README describes: files
// as they stand, and a request with a query string answered from the file named by its path,
// "@" and the query (news/show.asp?id=1 from "news/show.asp@id=1"). Nothing outside the
// folder is served.
class SampleSiteServer {
public:
    explicit SampleSiteServer(std::string folder);
    ~SampleSiteServer();
    SampleSiteServer(const SampleSiteServer&) = delete;
    SampleSiteServer& operator=(const SampleSiteServer&) = delete;

    // False when no port could be bound.
    bool start();
    // "http://127.0.0.1:<port>/"
    std::string rootUrl() const;

private:
    std::string m_folder;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = -1;
};

} // namespace quarlo::cli
