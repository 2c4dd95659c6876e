#pragma once

#include "support/LoopbackServer.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace quarlo::test {

// Serves a folder on 127.0.0.1 as a static web server does: the file the path names (the
// query is ignored, "/" is index.html), typed by its extension. Chosen paths are always sent
// compressed, whatever the request accepted, as a server that compresses unasked does.
// Serves a saved copy as well as a site: the copy's names are plain files too.
class FolderSiteServer {
public:
    explicit FolderSiteServer(std::string folder);
    ~FolderSiteServer();
    FolderSiteServer(const FolderSiteServer&) = delete;
    FolderSiteServer& operator=(const FolderSiteServer&) = delete;

    // Before start(): the path ("/page2.html") goes out encoded with "gzip" or "br". False
    // when this build has no encoder for the coding.
    bool forceEncoding(const std::string& path, const std::string& coding);
    bool start() { return m_server.start(); }
    std::string url(const std::string& path = "/") const { return m_server.url(path); }
    // Request targets (path and query, as sent) in the order they came.
    std::vector<std::string> requests() const;

    static std::string contentType(const std::string& path);

private:
    void serve(const httplib::Request& req, httplib::Response& res);

    std::string m_folder;
    std::map<std::string, std::string> m_encodings;
    LoopbackServer m_server;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

} // namespace quarlo::test
