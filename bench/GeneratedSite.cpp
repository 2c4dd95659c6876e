#include "GeneratedSite.h"

#include "BenchSupport.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "platform/EventLoop.h"

#include <stdexcept>

namespace quarlo::bench {

namespace {

std::string sitePage(int i) {
    std::string page = "<html><head><title>Page " + std::to_string(i) + "</title></head><body>\n";
    for (int child : {2 * i + 1, 2 * i + 2})
        if (child < kPages)
            page += "<p><a href=\"/p/" + std::to_string(child) + ".html\">page " +
                    std::to_string(child) + "</a></p>\n";
    page += "<img src=\"../img/" + std::to_string(i % kImages) + ".gif\" alt=\"\">\n";
    page += "<p>" + std::string(1800, 'x') + "</p></body></html>\n";
    return page;
}

} // namespace

GeneratedSiteServer::GeneratedSiteServer() {
    m_server.Get(R"(/p/(\d+)\.html)", [](const httplib::Request& q, httplib::Response& r) {
        r.set_content(sitePage(std::stoi(q.matches[1])), "text/html");
    });
    m_server.Get(R"(/img/(\d+)\.gif)", [](const httplib::Request&, httplib::Response& r) {
        r.set_content(std::string("GIF89a") + std::string(2000, '\1'), "image/gif");
    });
    m_port = m_server.bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    while (!m_server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

GeneratedSiteServer::~GeneratedSiteServer() {
    m_server.stop();
    m_thread.join();
}

std::string GeneratedSiteServer::startUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/p/0.html";
}

std::unique_ptr<TQLTask> makeSiteTask(TQLApp& app, const std::string& url, bool intranet,
                                      const std::string& place) {
    auto task = std::make_unique<TQLTask>(app);
    if (Status ok = task->setLocation("General", intranet ? "site" : "zipped"); !ok)
        throw std::runtime_error(ok.message());
    task->setURL(url);
    task->setIntranetMode(intranet);
    task->setDestination(place);
    task->profile() = TQLProfile::defaults();
    task->profile().setResourceLocation(TQLProfile::Anywhere);
    task->profile().setUseStartPageTitle(false);
    return task;
}

SiteRun mirrorSite(TQLApp& app, const std::string& url, bool intranet, const std::string& place,
                   ZipModeRun* zip) {
    auto task = makeSiteTask(app, url, intranet, place);
    TQLTask* running = task.get();
    EventLoop loop;
    TQLDownloader downloader(app, loop);
    if (zip != nullptr)
        downloader.setZipModeRun(zip);
    SiteRun run;
    const auto start = std::chrono::steady_clock::now();
    downloader.setOnRunEnded([&](TQLTask& ended) {
        run.totalSeconds = secondsSince(start);
        std::lock_guard lock(ended.mutex());
        run.counters = ended.counters();
        run.status = ended.status();
        loop.quit();
    });
    loop.startTimer(std::chrono::milliseconds(20), [&] {
        if (run.downloadSeconds == 0 && running->status() == TaskStatus::DownloadComplete)
            run.downloadSeconds = secondsSince(start);
    });
    if (Status ok = downloader.start(std::move(task)); !ok)
        throw std::runtime_error(ok.message());
    loop.run();
    if (run.downloadSeconds == 0)
        run.downloadSeconds = run.totalSeconds;
    return run;
}

} // namespace quarlo::bench
