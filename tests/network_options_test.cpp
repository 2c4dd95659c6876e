// The network choices of a run: the proxy, the size limits, the speed cap and the pace.
#include "engine/Queue.h"
#include "engine/RateLimiter.h"
#include "engine/TickBodyFile.h"
#include "engine/TickHTTPS.h"
#include "engine/WinInetErrors.h"
#include "platform/FileUtil.h"
#include "support/Compression.h"
#include "support/EngineRunFixture.h"
#include "support/RawLoopbackServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <future>
#include <iostream>
#include <mutex>

using namespace std::chrono_literals;

namespace quarlo::test {
namespace {

using Clock = std::chrono::steady_clock;

// A proxy that answers every request itself and keeps the request heads it saw. With a
// credential set it first asks for it (407), as a proxy that wants a password does.
class TestProxy {
public:
    explicit TestProxy(std::string credential = {})
        : m_credential(std::move(credential)),
          m_server([this](RawLoopbackServer::Connection& c) { serve(c); }) {}

    std::string address() const { return "127.0.0.1"; }
    int port() const { return m_server.port(); }
    std::vector<std::string> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    void serve(RawLoopbackServer::Connection& c) {
        const std::string& head = c.request();
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(head.substr(0, head.find("\r\n")));
        }
        if (!m_credential.empty() &&
            head.find("Proxy-Authorization: Basic " + m_credential) == std::string::npos) {
            c.send("HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic "
                   "realm=\"test\"\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            return;
        }
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 9\r\nConnection: close\r\n\r\nvia proxy");
    }

    std::string m_credential;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    RawLoopbackServer m_server;
};

// Bytes that do not compress: gzip makes them longer.
std::string noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

// Bodies of known sizes: /n/<bytes>, with a Content-Length, /chunked/<bytes> without one;
// gzip-compressed, whatever was asked, /gzip/<bytes> of one letter (a short Content-Length)
// and /noise/<bytes> that gzip makes longer.
class SizedServer {
public:
    SizedServer() {
        m_server.server().Get(
            R"(/gzip/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
                sendEncoded(res, gzipped(std::string(std::stoul(req.matches[1]), 'g')), "gzip",
                            "application/octet-stream");
            });
        m_server.server().Get(R"(/noise/(\d+))",
                              [](const httplib::Request& req, httplib::Response& res) {
                                  sendEncoded(res, gzipped(noise(std::stoul(req.matches[1]))),
                                              "gzip", "application/octet-stream");
                              });
        m_server.server().Get(R"(/n/(\d+))",
                              [](const httplib::Request& req, httplib::Response& res) {
                                  res.set_content(std::string(std::stoul(req.matches[1]), 'n'),
                                                  "application/octet-stream");
                              });
        m_server.server().Get(R"(/chunked/(\d+))", [](const httplib::Request& req,
                                                      httplib::Response& res) {
            const std::size_t total = std::stoul(req.matches[1]);
            res.set_chunked_content_provider(
                "application/octet-stream", [total](size_t offset, httplib::DataSink& sink) {
                    if (offset >= total)
                        sink.done();
                    else
                        sink.write(std::string(std::min<size_t>(4096, total - offset), 'c').data(),
                                   std::min<size_t>(4096, total - offset));
                    return true;
                });
        });
        m_started = m_server.start();
    }
    bool started() const { return m_started; }
    std::string url(const std::string& path) const { return m_server.url(path); }

private:
    LoopbackServer m_server;
    bool m_started = false;
};

TEST(TransferOptionsTest, SizeLimitsStopTheBodyAndKeepTheEarlierCopy) {
    SizedServer server;
    ASSERT_TRUE(server.started());
    TempDir dir;
    const std::string local = dir.path() + "file.bin";
    struct Case {
        std::string path;
        int32_t code; // 0: saved
    };
    const std::vector<Case> cases = {
        {"/n/3000", kTickTooLarge},       // refused on its Content-Length
        {"/chunked/3000", kTickTooLarge}, // refused once the bytes pass the maximum
        {"/n/500", kTickTooSmall},        // complete, but below the minimum
        {"/chunked/500", kTickTooSmall},
        {"/n/2048", 0}, // both limits are inclusive
        {"/n/1024", 0},
        // A compressed body is judged by its decoded bytes, never by its Content-Length.
        {"/gzip/3000", kTickTooLarge},
        {"/gzip/1500", 0},
        {"/noise/2040", 0}, // its gzip form is longer than the maximum
        {"/noise/900", kTickTooSmall},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        writeWholeFile(local, "earlier copy");
        TickHTTPS client;
        client.setSizeLimits(1024, 2048);
        client.setURL(server.url(c.path));
        client.setLocalFile(local);
        const TickResult result = client.get();
        EXPECT_EQ(result.code, c.code) << result.message();
        if (c.code == 0) {
            EXPECT_EQ(readWholeFile(local).size(),
                      std::stoul(c.path.substr(c.path.rfind('/') + 1)));
        } else {
            EXPECT_EQ(readWholeFile(local), "earlier copy");
        }
        EXPECT_FALSE(fileExists(TickBodyFile::partName(local))) << "no partial file is left";
    }
}

TEST(TransferOptionsTest, ProxyCarriesEveryRequestAndItsCredential) {
    SizedServer origin;
    ASSERT_TRUE(origin.started());
    TempDir dir;
    // "user:secret" as a Basic credential.
    TestProxy proxy("dXNlcjpzZWNyZXQ=");
    ASSERT_GT(proxy.port(), 0);
    TickHTTPS client;
    client.setProxyServer(proxy.address() + ":" + std::to_string(proxy.port()));
    client.setProxyAuthorization("user:secret");
    client.setURL(origin.url("/n/10"));
    client.setLocalFile(dir.path() + "a.bin");
    const TickResult result = client.get();
    EXPECT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(readWholeFile(dir.path() + "a.bin"), "via proxy");
    const std::vector<std::string> seen = proxy.requests();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "GET " + origin.url("/n/10") + " HTTP/1.1");

    // No proxy of our own: the request goes straight to the server.
    TickHTTPS direct;
    direct.setURL(origin.url("/n/10"));
    direct.setLocalFile(dir.path() + "b.bin");
    EXPECT_TRUE(direct.get().ok());
    EXPECT_EQ(readWholeFile(dir.path() + "b.bin"), std::string(10, 'n'));
    EXPECT_EQ(proxy.requests().size(), seen.size());
}

// Fetches the path with a client capped by the limiter; the seconds it took.
double cappedFetch(const SizedServer& server, RateLimiter& limiter, const std::string& path,
                   const std::string& local) {
    TickHTTPS client;
    client.setRateLimiter(&limiter);
    client.setURL(server.url(path));
    client.setLocalFile(local);
    const auto start = Clock::now();
    const TickResult result = client.get();
    EXPECT_TRUE(result.ok()) << result.message();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(TransferOptionsTest, RateCapHoldsForOneTransferAndForSeveralTogether) {
    SizedServer server;
    ASSERT_TRUE(server.started());
    TempDir dir;
    constexpr int64_t kRate = 2 * 1024 * 1024; // bytes per second
    constexpr int64_t kTwoMegabytes = 2 * 1024 * 1024;
    RateLimiter limiter;
    limiter.setRate(kRate);

    const double alone = cappedFetch(server, limiter, "/n/" + std::to_string(kTwoMegabytes),
                                     dir.path() + "alone.bin");
    std::cout << "2 MB at 2 MB/s took " << alone << " s\n";
    // Never more than 20% above the cap.
    EXPECT_GE(alone, 1.0 / 1.2);
    EXPECT_EQ(readWholeFile(dir.path() + "alone.bin").size(), static_cast<size_t>(kTwoMegabytes));

    // Two transfers of 1 MB side by side share the cap.
    const auto start = Clock::now();
    auto first = std::async(std::launch::async, [&] {
        return cappedFetch(server, limiter, "/chunked/1048576", dir.path() + "one.bin");
    });
    auto second = std::async(std::launch::async, [&] {
        return cappedFetch(server, limiter, "/n/1048576", dir.path() + "two.bin");
    });
    first.get();
    second.get();
    const double together = std::chrono::duration<double>(Clock::now() - start).count();
    std::cout << "2 x 1 MB at 2 MB/s took " << together << " s\n";
    EXPECT_GE(together, 1.0 / 1.2);

    // A stop ends a held transfer at once.
    limiter.setRate(1024);
    const auto held = Clock::now();
    EXPECT_FALSE(limiter.take(1 << 20, [&] { return Clock::now() - held > 100ms; }));
    EXPECT_LT(Clock::now() - held, 1s);
}

class NetworkRunTest : public EngineRunFixture {};

TEST_F(NetworkRunTest, FilesOutsideTheSizeLimitsAreSkippedNotFailed) {
    // File sizes: 1: 8019, 2: 15938, 3: 3857, 4: 11776, 5: 19695, 6: 7614 bytes.
    auto task = listTask("sizes", 6);
    task->profile().setResourceFileSizeMin(4);
    task->profile().setResourceFileSizeMax(10);
    const std::string earlier = savedFile(site.fileUrl(2));
    ASSERT_TRUE(forceDirectories(folderOf(earlier)).ok());
    writeWholeFile(earlier, "earlier good copy");
    ASSERT_TRUE(downloader->start(std::move(task)).ok());
    ASSERT_TRUE(runToEnd());

    EXPECT_EQ(counters().ResourcesSaved, 2);
    EXPECT_EQ(counters().ResourceErrors, 0);
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    for (int n : {1, 6}) {
        EXPECT_EQ(readWholeFile(savedFile(site.fileUrl(n))), SiteServer::body(n));
        EXPECT_EQ(entry(site.fileUrl(n))->Status, QueueStatus::Saved);
    }
    for (int n : {2, 3, 4, 5}) {
        SCOPED_TRACE(n);
        const auto item = entry(site.fileUrl(n));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Mode, QueueMode::Unmarked);
        EXPECT_EQ(item->Status, QueueStatus::None);
        EXPECT_EQ(item->Message,
                  n == 3 ? "Skipped: smaller than 4 KB" : "Skipped: larger than 10 KB");
        if (n != 2) {
            EXPECT_FALSE(fileExists(savedFile(site.fileUrl(n))));
        }
    }
    EXPECT_EQ(readWholeFile(earlier), "earlier good copy");
}

TEST_F(NetworkRunTest, UseProxyRoutesTheRunThroughTheProxy) {
    TestProxy proxy;
    app->setUseProxy(true);
    app->setProxyAddress(proxy.address());
    app->setProxyPort(std::to_string(proxy.port()));
    ASSERT_TRUE(downloader->start(listTask("proxied", 3)).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(site.totalRequests(), 0);
    // The three files and the host's robots.txt, which takes the same way.
    const std::vector<std::string> seen = proxy.requests();
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(std::count_if(seen.begin(), seen.end(),
                            [](const std::string& line) {
                                return line.find("/robots.txt HTTP/") != std::string::npos;
                            }),
              1);
    EXPECT_EQ(readWholeFile(savedFile(site.fileUrl(2))), "via proxy");

    // Switched off, the next run goes to the site itself.
    app->setUseProxy(false);
    ASSERT_TRUE(downloader->start(listTask("direct", 3)).ok());
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(site.totalRequests(), 3);
    EXPECT_EQ(proxy.requests().size(), 4u);
}

TEST_F(NetworkRunTest, ASelfSignedStartHostIsCopiedOnlyWhenTheTaskAcceptsIt) {
    TempDir keys;
    const std::string command = "cd '" + keys.path() +
                                "' && openssl req -x509 -newkey ec -pkeyopt "
                                "ec_paramgen_curve:prime256v1 -nodes -keyout self.key -out "
                                "self.pem -subj /CN=127.0.0.1 -addext "
                                "subjectAltName=IP:127.0.0.1 -days 2 >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "openssl could not make a certificate";
    LoopbackServer secure(keys.path() + "self.pem", keys.path() + "self.key");
    secure.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html><body>intranet</body></html>", "text/html");
    });
    ASSERT_TRUE(secure.start());

    for (const bool accept : {false, true}) {
        SCOPED_TRACE(accept);
        auto task = pageTask(accept ? "accepted" : "refused", secure.url("/"));
        task->setAcceptAnyCertificate(accept);
        ASSERT_TRUE(downloader->start(std::move(task)).ok());
        ASSERT_TRUE(runToEnd());
        const auto item = entry(secure.url("/"));
        ASSERT_NE(item, nullptr);
        if (accept) {
            EXPECT_EQ(counters().PagesSaved, 1);
        } else {
            EXPECT_EQ(item->Status, QueueStatus::Error);
            EXPECT_NE(item->Message.find(std::to_string(kInetInvalidCA)), std::string::npos)
                << item->Message;
        }
    }
}

TEST_F(NetworkRunTest, DefaultPaceDispatchesSeveralFilesASecond) {
    app->setDispatchPause(TQLApp::kDefaultDispatchPause);
    ASSERT_TRUE(downloader->start(listTask("paced", 100)).ok());
    runUntil([] { return false; }, 2000ms);
    const std::vector<SiteServer::Clock::time_point> times = site.requestTimes();
    downloader->stop();
    std::cout << "dispatches in 2 s at the default pause: " << times.size() << "\n";
    // About five a second, where a pause of 500 ms gave one; the lower bound leaves room for
    // a loaded machine, the spacing below is what politeness needs.
    EXPECT_GE(times.size(), 4u);
    EXPECT_LE(times.size(), 22u);
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 80ms);
}

} // namespace
} // namespace quarlo::test
