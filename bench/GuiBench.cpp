// The desktop program's cost on a run: the generated site mirrored by the command line's
// event loop, then by the desktop program with every view docked and refreshing, and the
// longest time a worker could have waited on the user interface.

#include "BenchSupport.h"
#include "GeneratedSite.h"
#include "model/TQLApp.h"
#include "shell/QtMainThread.h"
#include "shell/ShellEngine.h"
#include "shell/TFormQuarlo.h"
#include "shell/UiTaskLock.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <unistd.h>

namespace {

using namespace quarlo;

void configure(TQLApp& app) {
    app.setConnections(8);
    app.setNoAds(true);
    app.setShowSummaryOnCompletion(false);
    app.setBeepOnCompletion(false);
}

bench::SiteRun mirrorUnderGui(TQLApp& app, const std::string& url, const std::string& folder) {
    shell::ShellEngine engine(app, nullptr);
    shell::TFormQuarlo window(engine);
    window.resize(1200, 800);
    QEventLoop ready;
    QObject::connect(&window, &shell::TFormQuarlo::ready, &ready, &QEventLoop::quit);
    window.show();
    ready.exec();
    window.toggleConnections();
    window.toggleExplore();

    bench::SiteRun run;
    std::chrono::steady_clock::time_point start;
    QEventLoop ended;
    QObject::connect(&engine, &shell::ShellEngine::runStarted,
                     [&] { start = std::chrono::steady_clock::now(); });
    QObject::connect(&engine, &shell::ShellEngine::runEnded, [&] {
        run.totalSeconds = bench::secondsSince(start);
        if (TQLTask* task = app.currentTask()) {
            std::lock_guard lock(task->mutex());
            run.counters = task->counters();
            run.status = task->status();
        }
        ended.quit();
    });
    auto task = bench::makeSiteTask(app, url, true, folder);
    if (Status queued = task->scheduleNow(); !queued)
        throw std::runtime_error(queued.message());
    ended.exec();
    window.close();
    return run;
}

void report(const char* who, const bench::SiteRun& run) {
    std::printf("  %-16s %6.2f s, %lld pages, %lld media, %lld errors, status %d\n", who,
                run.totalSeconds, static_cast<long long>(run.counters.PagesSaved),
                static_cast<long long>(run.counters.ResourcesSaved),
                static_cast<long long>(run.counters.PageErrors + run.counters.ResourceErrors),
                toIniValue(run.status));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The web engine refuses to run as root inside its sandbox (CI machines run as root).
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    QApplication application(argc, argv);
    try {
        bench::GeneratedSiteServer server;
        std::printf("site mirror of %d pages + %d images, intranet mode, 8 connections, "
                    "pause 0\n",
                    bench::kPages, bench::kImages);
        {
            bench::ScratchHome home;
            auto app = home.app();
            configure(*app);
            report("command line:", bench::mirrorSite(*app, server.startUrl(), true,
                                                      home.path() + "site/", nullptr));
        }
        bench::ScratchHome home;
        auto app = home.app();
        configure(*app);
        report("desktop program:", mirrorUnderGui(*app, server.startUrl(), home.path() + "site/"));
        std::printf("  longest wait of a worker on the user interface: %.3f ms (task lock held "
                    "by a window), %.3f ms (synchronised call)\n",
                    shell::UiTaskLock::longestHoldMicros() / 1000.0,
                    shell::QtMainThread::longestInvokeWaitMicros() / 1000.0);
        std::printf("  peak memory %.1f MB\n", bench::peakMemoryMegabytes());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quarlo_gui_bench: %s\n", e.what());
        return 2;
    }
    return 0;
}
