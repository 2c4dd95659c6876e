#include "SiteBench.h"

#include "BenchSupport.h"
#include "archive/ZipBrowserModel.h"
#include "archive/ZipOutput.h"
#include "engine/TQLDownloader.h"
#include "html/FileTypes.h"
#include "html/PageLinks.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/EventLoop.h"

#include <httplib.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace quarlo::bench {

namespace {

constexpr int kPages = 5000;
constexpr int kImages = 50;

// Page i links to pages 2i+1 and 2i+2 (so every page is reached) and shows one of the
// images; about 2 KB of text each.
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

class SiteServer {
public:
    SiteServer() {
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
    ~SiteServer() {
        m_server.stop();
        m_thread.join();
    }
    std::string startUrl() const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/p/0.html";
    }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

struct SiteRun {
    double downloadSeconds = 0; // until "Download Complete"
    double totalSeconds = 0;    // until the run ended
    TaskCounters counters;
    int status = 0;
};

SiteRun mirror(TQLApp& app, const std::string& url, bool intranet, const std::string& place,
               ZipModeRun* zip) {
    auto task = std::make_unique<TQLTask>(app);
    if (Status ok = task->setLocation("General", intranet ? "site" : "zipped"); !ok)
        throw std::runtime_error(ok.message());
    task->setURL(url);
    task->setIntranetMode(intranet);
    task->setDestination(place);
    task->profile() = TQLProfile::defaults();
    task->profile().setResourceLocation(TQLProfile::Anywhere);
    task->profile().setUseStartPageTitle(false);
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

double parseSeconds(const FileTypes& types, const TQLProfile& profile, const std::string& page,
                    int rounds, long* links) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        std::string text = page;
        PageLinks scan(types, profile, "http://h.test/a/page.html", 1, "http://h.test/");
        scan.takeBase(text);
        scan.scanPage(text, [&](const FoundLink&) { ++*links; });
    }
    return secondsSince(start);
}

} // namespace

void benchParse() {
    ScratchHome home;
    auto app = home.app();
    FileTypes types(app->settings());
    const TQLProfile profile = TQLProfile::defaults(); // scripts searched, links converted

    std::string mixed;
    for (int i = 0; mixed.size() < 1024 * 1024; ++i)
        mixed +=
            "<p>Some text of paragraph " + std::to_string(i) + std::string(300, ' ') +
            "<a href=\"sub/page" + std::to_string(i) + ".html\">link</a> <img src=\"/i/" +
            std::to_string(i % 40) + ".gif\"></p>\n" +
            (i % 50 == 0 ? "<script>var u = 'x" + std::to_string(i) + ".html';</script>\n" : "");
    std::string links;
    for (int i = 0; i < 20000; ++i)
        links += "<a href=\"d" + std::to_string(i % 97) + "/p" + std::to_string(i) +
                 ".html\">Item " + std::to_string(i) + "</a><br>\n";

    std::printf("parse throughput (every pass, links converted)\n");
    for (const auto& [name, page] :
         {std::pair{"1 MB page", &mixed}, std::pair{"20,000 links", &links}}) {
        long found = 0;
        const int rounds = 5;
        const double seconds = parseSeconds(types, profile, *page, rounds, &found);
        std::printf("  %-13s %6.2f MB: %6.1f MB/s, %ld links a pass\n", name,
                    static_cast<double>(page->size()) / 1e6,
                    static_cast<double>(page->size()) * rounds / seconds / 1e6, found / rounds);
    }
}

void benchSite() {
    SiteServer server;
    {
        ScratchHome home;
        auto app = home.app();
        app->setConnections(8);
        app->setNoAds(true);
        const SiteRun run = mirror(*app, server.startUrl(), true, home.path() + "site/", nullptr);
        std::printf("site mirror: %d pages + %d images, intranet mode, 8 connections, pause 0\n",
                    kPages, kImages);
        std::printf("  pages saved %lld, media %lld, errors %lld in %.2f s: %.0f pages/s\n",
                    static_cast<long long>(run.counters.PagesSaved),
                    static_cast<long long>(run.counters.ResourcesSaved),
                    static_cast<long long>(run.counters.PageErrors + run.counters.ResourceErrors),
                    run.totalSeconds, run.counters.PagesSaved / run.totalSeconds);
        std::printf("  peak memory %.1f MB\n", peakMemoryMegabytes());
    }
    ScratchHome home;
    auto app = home.app();
    app->setConnections(8);
    app->setNoAds(true);
    ZipBrowserModel browser(*app);
    ZipOutput output(*app, browser);
    const std::string archive = home.path() + "site.zip";
    const SiteRun run = mirror(*app, server.startUrl(), false, archive, &output);
    std::error_code ec;
    const auto size = std::filesystem::file_size(archive, ec);
    std::printf("site mirror in Zip mode: status %d, download %.2f s, zipping after it %.2f s\n",
                run.status, run.downloadSeconds, run.totalSeconds - run.downloadSeconds);
    std::printf("  %d commits, archive %.1f MB\n", output.commits(),
                static_cast<double>(ec ? 0 : size) / 1e6);
}

} // namespace quarlo::bench
