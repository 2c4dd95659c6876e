#include "cli/SampleSiteServer.h"

#include "platform/FileUtil.h"

#include <httplib.h>

namespace quarlo::cli {

namespace {

std::string contentType(const std::string& name) {
    const std::string extension = extensionOf(name.substr(0, name.find('@')));
    if (extension == ".html" || extension == ".htm" || extension == ".asp")
        return "text/html";
    if (extension == ".gif")
        return "image/gif";
    if (extension == ".png")
        return "image/png";
    if (extension == ".jpg")
        return "image/jpeg";
    if (extension == ".css")
        return "text/css";
    return "application/octet-stream";
}

} // namespace

SampleSiteServer::SampleSiteServer(std::string folder)
    : m_folder(withTrailingSlash(std::move(folder))),
      m_server(std::make_unique<httplib::Server>()) {
    m_server->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        const std::size_t mark = request.target.find('?');
        const std::string query = mark == std::string::npos ? "" : request.target.substr(mark + 1);
        const std::string name = request.path.substr(1) + (query.empty() ? "" : "@" + query);
        std::optional<std::string> content;
        if (name.find("..") == std::string::npos)
            content = readFile(m_folder + (name.empty() ? "index.html" : name));
        if (!content) {
            response.status = 404;
            response.set_content("not found", "text/plain");
            return;
        }
        response.set_content(*content, contentType(name));
    });
}

SampleSiteServer::~SampleSiteServer() {
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

bool SampleSiteServer::start() {
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    return true;
}

std::string SampleSiteServer::rootUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

} // namespace quarlo::cli
