#include "SiteBench.h"

#include "BenchSupport.h"
#include "GeneratedSite.h"
#include "archive/ZipBrowserModel.h"
#include "archive/ZipOutput.h"
#include "engine/TQLDownloader.h"
#include "html/FileTypes.h"
#include "html/PageLinks.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/EventLoop.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace quarlo::bench {

namespace {

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
    GeneratedSiteServer server;
    {
        ScratchHome home;
        auto app = home.app();
        app->setConnections(8);
        app->setNoAds(true);
        const SiteRun run =
            mirrorSite(*app, server.startUrl(), true, home.path() + "site/", nullptr);
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
    const SiteRun run = mirrorSite(*app, server.startUrl(), false, archive, &output);
    std::error_code ec;
    const auto size = std::filesystem::file_size(archive, ec);
    std::printf("site mirror in Zip mode: status %d, download %.2f s, zipping after it %.2f s\n",
                run.status, run.downloadSeconds, run.totalSeconds - run.downloadSeconds);
    std::printf("  %d commits, archive %.1f MB\n", output.commits(),
                static_cast<double>(ec ? 0 : size) / 1e6);
}

} // namespace quarlo::bench
