#include "support/FolderSiteServer.h"

#include "support/Compression.h"
#include "support/TempHome.h"

#include <filesystem>

namespace quarlo::test {

FolderSiteServer::FolderSiteServer(std::string folder) : m_folder(std::move(folder)) {
    if (!m_folder.ends_with('/'))
        m_folder += '/';
    m_server.server().Get(
        ".*", [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); });
}

FolderSiteServer::~FolderSiteServer() {
    m_server.stop();
}

bool FolderSiteServer::forceEncoding(const std::string& path, const std::string& coding) {
    if (coding == "br" && !brotliCompressed(""))
        return false;
    m_encodings[path] = coding;
    return true;
}

std::vector<std::string> FolderSiteServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::string FolderSiteServer::contentType(const std::string& path) {
    static const std::map<std::string, std::string> types = {
        {".html", "text/html"},  {".css", "text/css"},   {".png", "image/png"},
        {".webp", "image/webp"}, {".woff", "font/woff"}, {".woff2", "font/woff2"},
        {".mp4", "video/mp4"},   {".mp3", "audio/mpeg"}, {".vtt", "text/vtt"},
    };
    const auto type = types.find(std::filesystem::path(path).extension().string());
    return type == types.end() ? "application/octet-stream" : type->second;
}

void FolderSiteServer::serve(const httplib::Request& req, httplib::Response& res) {
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(req.target);
    }
    const std::string path = req.path == "/" ? "/index.html" : req.path;
    const std::string file = m_folder + path.substr(1);
    if (path.find("..") != std::string::npos || !std::filesystem::is_regular_file(file)) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
    }
    std::string content = readWholeFile(file);
    const auto coding = m_encodings.find(path);
    if (coding == m_encodings.end())
        res.set_content(std::move(content), contentType(path));
    else if (coding->second == "gzip")
        sendEncoded(res, gzipped(content), "gzip", contentType(path));
    else
        sendEncoded(res, brotliCompressed(content).value(), "br", contentType(path));
}

} // namespace quarlo::test
