#include "support/SiteServer.h"

namespace quarlo::test {

SiteServer::SiteServer() {
    m_server.server().Get(
        R"(/files/(\d+)\.dat)",
        [this](const httplib::Request& req, httplib::Response& res) { serveFile(req, res); });
    m_server.server().Get(R"(/pages/([^/]+)\.html)",
                          [this](const httplib::Request& req, httplib::Response& res) {
                              const std::string name = req.matches[1];
                              std::string html;
                              bool held = false;
                              {
                                  std::lock_guard lock(m_mutex);
                                  ++m_pageRequests[name];
                                  m_times.push_back(Clock::now());
                                  auto found = m_pages.find(name);
                                  if (found == m_pages.end()) {
                                      res.status = 404;
                                      return;
                                  }
                                  html = found->second;
                                  held = m_heldPages.count(name) != 0;
                              }
                              while (held && !m_released)
                                  if (!m_server.pause(std::chrono::milliseconds(10)))
                                      return;
                              res.set_content(html, "text/html");
                          });
    m_server.server().Get(R"(/styles/([^/]+)\.css)",
                          [this](const httplib::Request& req, httplib::Response& res) {
                              std::lock_guard lock(m_mutex);
                              const auto found = m_styles.find(req.matches[1]);
                              if (found == m_styles.end())
                                  res.status = 404;
                              else
                                  res.set_content(found->second, "text/css");
                          });
}

SiteServer::~SiteServer() {
    m_server.stop();
}

std::string SiteServer::fileUrl(int n) const {
    return m_server.url("/files/" + std::to_string(n) + ".dat");
}

std::string SiteServer::pageUrl(const std::string& name) const {
    return m_server.url("/pages/" + name + ".html");
}

std::string SiteServer::styleUrl(const std::string& name) const {
    return m_server.url("/styles/" + name + ".css");
}

void SiteServer::setStyle(const std::string& name, const std::string& css) {
    std::lock_guard lock(m_mutex);
    m_styles[name] = css;
}

std::string SiteServer::body(int n, int version) {
    const std::size_t size = 100 + static_cast<std::size_t>(n) * 7919 % 20000;
    std::string content(size, '\0');
    uint32_t state = static_cast<uint32_t>(n) * 2654435761u + static_cast<uint32_t>(version) + 1;
    for (char& c : content) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return content;
}

std::string SiteServer::lastModified(int version) {
    return "Mon, " + std::to_string(10 + version) + " Jun 2024 08:00:00 GMT";
}

std::string SiteServer::currentBody(int n) const {
    return body(n, versionOf(n));
}

int SiteServer::versionOf(int n) const {
    std::lock_guard lock(m_mutex);
    auto found = m_versions.find(n);
    return found == m_versions.end() ? 0 : found->second;
}

void SiteServer::setVersion(int n, int version) {
    std::lock_guard lock(m_mutex);
    m_versions[n] = version;
}

void SiteServer::setFailing(int n, bool failing) {
    std::lock_guard lock(m_mutex);
    if (failing)
        m_failing.insert(n);
    else
        m_failing.erase(n);
}

void SiteServer::setPage(const std::string& name, const std::string& html) {
    std::lock_guard lock(m_mutex);
    m_pages[name] = html;
}

void SiteServer::hold(int n) {
    std::lock_guard lock(m_mutex);
    m_held.insert(n);
}

void SiteServer::holdPage(const std::string& name) {
    std::lock_guard lock(m_mutex);
    m_heldPages.insert(name);
}

void SiteServer::releaseAll() {
    m_released = true;
}

int SiteServer::requests(int n) const {
    std::lock_guard lock(m_mutex);
    auto found = m_requests.find(n);
    return found == m_requests.end() ? 0 : found->second;
}

int SiteServer::pageRequests(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    auto found = m_pageRequests.find(name);
    return found == m_pageRequests.end() ? 0 : found->second;
}

int SiteServer::totalRequests() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_times.size());
}

int SiteServer::conditionalRequests() const {
    std::lock_guard lock(m_mutex);
    return m_conditional;
}

int SiteServer::notModifiedAnswers() const {
    std::lock_guard lock(m_mutex);
    return m_notModified;
}

std::vector<SiteServer::Clock::time_point> SiteServer::requestTimes() const {
    std::lock_guard lock(m_mutex);
    return m_times;
}

void SiteServer::serveFile(const httplib::Request& req, httplib::Response& res) {
    const int n = std::stoi(req.matches[1]);
    const std::string since = req.get_header_value("If-Modified-Since");
    bool failing = false, held = false;
    int version = 0;
    {
        std::lock_guard lock(m_mutex);
        ++m_requests[n];
        m_times.push_back(Clock::now());
        m_conditional += since.empty() ? 0 : 1;
        failing = m_failing.count(n) != 0;
        held = m_held.count(n) != 0 && !m_released;
        auto found = m_versions.find(n);
        version = found == m_versions.end() ? 0 : found->second;
    }
    if (m_delayMs > 0 && !m_server.pause(std::chrono::milliseconds(m_delayMs.load())))
        return;
    if (failing) {
        res.status = 404;
        res.set_content("gone", "text/plain");
        return;
    }
    const std::string date = lastModified(version);
    if (since == date) {
        std::lock_guard lock(m_mutex);
        ++m_notModified;
        res.status = 304;
        return;
    }
    res.set_header("Last-Modified", date);
    if (held)
        serveHeld(res, body(n, version));
    else
        res.set_content(body(n, version), "application/octet-stream");
}

void SiteServer::serveHeld(httplib::Response& res, std::string content) {
    const std::size_t size = content.size();
    const std::size_t half = size / 2;
    res.set_content_provider(
        size, "application/octet-stream",
        [this, content = std::move(content), half](size_t offset, size_t, httplib::DataSink& sink) {
            if (offset == 0)
                return sink.write(content.data(), half);
            while (!m_released)
                if (!m_server.pause(std::chrono::milliseconds(10)))
                    return false;
            return sink.write(content.data() + offset, content.size() - offset);
        });
}

} // namespace quarlo::test
