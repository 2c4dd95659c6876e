#include "SiteBench.h"

#include "BenchSupport.h"
#include "GeneratedSite.h"
#include "archive/ZipBrowserModel.h"
#include "archive/ZipOutput.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/EventLoop.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace quarlo::bench {

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
                toIniValue(run.status), run.downloadSeconds,
                run.totalSeconds - run.downloadSeconds);
    std::printf("  %d commits, archive %.1f MB\n", output.commits(),
                static_cast<double>(ec ? 0 : size) / 1e6);
}

} // namespace quarlo::bench
