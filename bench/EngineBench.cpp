#include "EngineBench.h"

#include "BenchSupport.h"
#include "engine/Queue.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/EventLoop.h"

#include <httplib.h>

#include <cstdio>
#include <thread>

namespace quarlo::bench {

namespace {

// Serves the same body under /f/<n>.dat on a free loopback port.
class FileServer {
public:
    explicit FileServer(std::size_t size) : m_body(size, 'q') {
        m_server.Get(R"(/f/(\d+)\.dat)", [this](const httplib::Request&, httplib::Response& r) {
            r.set_content(m_body, "application/octet-stream");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~FileServer() {
        m_server.stop();
        m_thread.join();
    }
    std::string url(int n) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/f/" + std::to_string(n) + ".dat";
    }

private:
    std::string m_body;
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

} // namespace

void benchListDownload() {
    constexpr int kFiles = 2000;
    constexpr std::size_t kSize = 10 * 1024;
    constexpr int kConnections = 8;
    FileServer server(kSize);
    ScratchHome home;
    auto app = home.app();
    app->setConnections(kConnections);

    auto task = std::make_unique<TQLTask>(*app);
    if (Status ok = task->setLocation("General", "bench"); !ok)
        throw std::runtime_error(ok.message());
    std::vector<std::string> urls;
    for (int i = 0; i < kFiles; ++i)
        urls.push_back(server.url(i));
    task->setUrls(urls);
    task->setIntranetMode(true);
    task->setDestination(home.path() + "site/");
    task->profile() = TQLProfile::defaults();

    EventLoop loop;
    TQLDownloader downloader(*app, loop);
    TaskCounters counters;
    downloader.setOnRunEnded([&](TQLTask& ended) {
        std::lock_guard lock(ended.mutex());
        counters = ended.counters();
        loop.quit();
    });
    const auto start = std::chrono::steady_clock::now();
    if (Status ok = downloader.start(std::move(task)); !ok)
        throw std::runtime_error(ok.message());
    loop.run();
    const double seconds = secondsSince(start);
    std::printf("list download: %d files of %zu KB over %d connections, dispatch pause 0\n", kFiles,
                kSize / 1024, kConnections);
    std::printf("  saved %lld, errors %lld in %.2f s: %.0f files/s, %.1f MB/s\n",
                static_cast<long long>(counters.ResourcesSaved),
                static_cast<long long>(counters.ResourceErrors), seconds, kFiles / seconds,
                static_cast<double>(counters.BytesDownloaded) / seconds / 1e6);
    std::printf("  peak memory %.1f MB\n", peakMemoryMegabytes());
}

void benchDispatchCost() {
    constexpr std::size_t kWaiting = 2000;
    ScratchHome home;
    auto app = home.app();
    std::printf("dispatch cost (choose, mark as fetching, store) with %zu waiting entries at "
                "the end of the queue\n",
                kWaiting);
    for (std::size_t entries : {1000u, 10000u, 100000u, 1000000u}) {
        TQLTask task(*app);
        std::lock_guard lock(task.mutex());
        for (std::size_t i = 0; i < entries; ++i) {
            TQLQItem item;
            item.Task = &task;
            item.URL = "http://h/p/" + std::to_string(i) + ".gif";
            item.FileType = "Images";
            item.Status =
                i + std::min(kWaiting, entries) < entries ? QueueStatus::Saved : QueueStatus::None;
            AddItem(task, item);
        }
        const std::size_t dispatches = std::min(kWaiting, entries);
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < dispatches; ++i) {
            auto item = NextItem(task);
            if (!item)
                throw std::runtime_error("the queue ran dry");
            SetStatus(*item, QueueStatus::Downloading);
            StoreItem(*item);
        }
        const double micros = secondsSince(start) * 1e6 / static_cast<double>(dispatches);
        std::printf("  %8zu entries: %.2f us per dispatch\n", entries, micros);
    }
    std::printf("  peak memory %.1f MB\n", peakMemoryMegabytes());
}

} // namespace quarlo::bench
