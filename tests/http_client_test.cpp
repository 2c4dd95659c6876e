#include "engine/RateLimiter.h"
#include "engine/TickBodyFile.h"
#include "engine/TickHTTPS.h"
#include "engine/TickURLParts.h"
#include "engine/WinInetErrors.h"
#include "platform/WriteFault.h"
#include "support/Compression.h"
#include "support/LoopbackServer.h"
#include "support/RawLoopbackServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <curl/curl.h>
#include <future>
#include <iostream>
#include <map>
#include <mutex>
#include <openssl/x509_vfy.h>
#include <optional>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace std::string_literals;

// In the test support's namespace: its servers and file helpers by their own names.
namespace quarlo::test {
namespace {

// What a client reported through its events.
struct Events {
    std::vector<std::pair<std::string, std::string>> headers;
    std::vector<int> statuses;
    std::vector<std::string> descriptions;
    int starts = 0;
    int ends = 0;
    int64_t total = 0;

    void attach(TickHTTP& client) {
        client.OnHeader = [this](const std::string& f, const std::string& v) {
            headers.emplace_back(f, v);
        };
        client.OnStatus = [this](int code, const std::string& text) {
            statuses.push_back(code);
            descriptions.push_back(text);
        };
        client.OnStartTransfer = [this] { ++starts; };
        client.OnEndTransfer = [this] { ++ends; };
        client.OnTransfer = [this](int64_t bytes, std::string_view) { total = bytes; };
    }
    std::string header(const std::string& field) const {
        for (const auto& [f, v] : headers)
            if (f == field)
                return v;
        return "<none>";
    }
    bool sawStatus(int code) const {
        return std::find(statuses.begin(), statuses.end(), code) != statuses.end();
    }
};

// Values the server's threads record and the test reads.
class Log {
public:
    void add(std::string value) {
        std::lock_guard lock(m_mutex);
        m_items.push_back(std::move(value));
    }
    std::vector<std::string> items() const {
        std::lock_guard lock(m_mutex);
        return m_items;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_items.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_items;
};

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        client.setUserAgent("");
        events.attach(client);
    }
    bool fileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }
    std::string file(const std::string& name = "page.html") { return dir.path() + name; }

    TempDir dir;
    // Declared before the client so that the client goes first and closes its connections.
    LoopbackServer server;
    TickHTTPS client;
    Events events;
};

TEST_F(HttpClientTest, SavesCompleteBodies) {
    const std::string big(200000, 'x');
    // A copy: the server thread's read of it is ordered with this thread only by the socket.
    server.server().Get("/sized", [big](const httplib::Request&, httplib::Response& res) {
        res.set_content(big, "text/html");
    });
    server.server().Get("/chunked", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/plain", [](size_t offset, httplib::DataSink& sink) {
            if (offset < 30)
                sink.write("0123456789", 10);
            else
                sink.done();
            return true;
        });
    });
    server.server().Get("/empty",
                        [](const httplib::Request&, httplib::Response& res) { res.status = 200; });
    ASSERT_TRUE(server.start());

    struct Case {
        std::string path;
        std::string body;
    };
    for (const Case& c :
         {Case{"/sized", big}, Case{"/chunked", std::string(30, ' ')}, Case{"/empty", ""}}) {
        SCOPED_TRACE(c.path);
        writeWholeFile(file(), "earlier copy");
        events = {};
        events.attach(client);
        client.setURL(server.url(c.path));
        client.setLocalFile(file());
        TickResult result = client.get();
        EXPECT_TRUE(result.ok()) << result.message();
        EXPECT_EQ(result.text, "Ok");
        const std::string saved = readWholeFile(file());
        if (c.path == "/chunked")
            EXPECT_EQ(saved, "012345678901234567890123456789");
        else
            EXPECT_EQ(saved, c.body);
        EXPECT_EQ(events.total, static_cast<int64_t>(saved.size()));
        EXPECT_EQ(events.starts, 1);
        EXPECT_EQ(events.ends, 1);
        EXPECT_EQ(client.statusLine(), "HTTP/1.1 200 OK");
        EXPECT_FALSE(fileExists(TickBodyFile::partName(file())));
    }
}

TEST_F(HttpClientTest, ErrorAnswerSavedOnlyWithoutEarlierCopy) {
    server.server().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("no such page", "text/html");
    });
    ASSERT_TRUE(server.start());
    client.setURL(server.url("/missing"));
    client.setLocalFile(file());

    TickResult result = client.get();
    EXPECT_EQ(result.code, 151);
    EXPECT_EQ(result.message(), "151: 404 Not Found");
    EXPECT_EQ(result.status().code(), ErrorCode::NotFound);
    EXPECT_EQ(client.lastError().message(), "151: 404 Not Found");
    EXPECT_EQ(client.resultText(), "404 Not Found");
    EXPECT_EQ(readWholeFile(file()), "no such page");
    EXPECT_EQ(events.ends, 1);

    writeWholeFile(file(), "good copy");
    EXPECT_EQ(client.get().code, 151);
    EXPECT_EQ(readWholeFile(file()), "good copy");
}

TEST_F(HttpClientTest, RedirectsReportOnlyTheFinalHeaders) {
    server.server().Get("/a", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("X-Hop", "a");
        res.set_redirect("/b", 302);
    });
    server.server().Get("/b", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("Last-Modified", "Mon, 01 Jan 2001 00:00:00 GMT");
        res.set_redirect(server.url("/c"), 301);
    });
    server.server().Get("/c", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("X-Hop", "c");
        res.set_content("final", "application/octet-stream");
    });
    server.server().Get("/loop", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/loop", 302);
    });
    ASSERT_TRUE(server.start());

    client.setURL(server.url("/a"));
    client.setLocalFile(file());
    ASSERT_TRUE(client.get().ok());
    EXPECT_EQ(readWholeFile(file()), "final");
    EXPECT_EQ(events.header("X-Hop"), " c");
    EXPECT_EQ(events.header("Location"), "<none>");
    EXPECT_EQ(events.header("Last-Modified"), "<none>");
    EXPECT_EQ(events.header("Content-Length"), " 5");
    EXPECT_EQ(client.statusLine(), "HTTP/1.1 200 OK");
    std::vector<std::string> redirects;
    for (std::size_t i = 0; i < events.statuses.size(); ++i)
        if (events.statuses[i] == 110)
            redirects.push_back(events.descriptions[i]);
    const std::string text = " An HTTP request is about to automatically redirect the request to";
    EXPECT_EQ(redirects,
              (std::vector<std::string>{server.url("/b") + text, server.url("/c") + text}));

    client.setURL(server.url("/loop"));
    EXPECT_EQ(client.get().code, kHttpRedirectFailed);
    EXPECT_EQ(readWholeFile(file()), "final");
}

// A server that sends a first block and then nothing until it is stopped.
void serveStalledBody(LoopbackServer& server) {
    server.server().Get("/stall", [&server](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(1000, "text/plain",
                                 [&server](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset == 0)
                                         sink.write("first block", 11);
                                     return server.pause(10s);
                                 });
    });
    server.server().Get("/silent", [&server](const httplib::Request&, httplib::Response& res) {
        server.pause(10s);
        res.set_content("late", "text/plain");
    });
}

TEST_F(HttpClientTest, StopEndsStalledTransferPromptlyAndKeepsEarlierCopy) {
    serveStalledBody(server);
    ASSERT_TRUE(server.start());
    writeWholeFile(file(), "earlier copy");

    for (const std::string path : {"/stall", "/silent"}) {
        SCOPED_TRACE(path);
        std::promise<void> started;
        // The body's first block, or the request having gone out for a silent server.
        const int signal = path == "/stall" ? -1 : 40;
        bool signalled = false;
        client.OnTransfer = [&](int64_t, std::string_view) {
            if (signal == -1 && !std::exchange(signalled, true))
                started.set_value();
        };
        client.OnStatus = [&](int code, const std::string&) {
            if (code == signal && !std::exchange(signalled, true))
                started.set_value();
        };
        int ends = 0;
        client.OnEndTransfer = [&] { ++ends; };
        client.setURL(server.url(path));
        client.setLocalFile(file());

        std::future<TickResult> result =
            std::async(std::launch::async, [&] { return client.get(); });
        ASSERT_EQ(started.get_future().wait_for(5s), std::future_status::ready);
        EXPECT_EQ(client.Action(), ickhttpGet);
        EXPECT_EQ(client.get().code, kTickBusy);

        const auto before = std::chrono::steady_clock::now();
        EXPECT_TRUE(client.setAction(ickhttpIdle).ok());
        const auto took = std::chrono::steady_clock::now() - before;
        std::cout << "stop " << path << " took "
                  << std::chrono::duration_cast<std::chrono::microseconds>(took).count() << " us\n";
        EXPECT_LT(took, 1s);
        ASSERT_EQ(result.wait_for(1s), std::future_status::ready);
        EXPECT_EQ(result.get().code, 0);
        EXPECT_TRUE(client.stopped());
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(readWholeFile(file()), "earlier copy");
        EXPECT_FALSE(fileExists(TickBodyFile::partName(file())));
    }
}

TEST_F(HttpClientTest, MalformedAnswersFromRawServer) {
    RawLoopbackServer raw(RawLoopbackServer::oddAnswers());
    ASSERT_TRUE(raw.listening());

    client.setLocalFile(file());
    client.setURL(raw.url("/lower"));
    EXPECT_TRUE(client.get().ok());
    EXPECT_EQ(events.header("content-length"), " 5");
    EXPECT_EQ(readWholeFile(file()), "hello");

    events.headers.clear();
    client.setURL(raw.url("/odd"));
    EXPECT_TRUE(client.get().ok());
    EXPECT_EQ(events.header("Content-Length"), " many");
    EXPECT_EQ(readWholeFile(file()), "body");

    // Cut short: an error, the body's end is still signalled, the earlier copy stays.
    events = {};
    events.attach(client);
    client.setURL(raw.url("/cut"));
    TickResult result = client.get();
    EXPECT_EQ(result.code, kInetConnectionAborted);
    EXPECT_EQ(result.text, "[12030] Internet Connection Aborted.");
    EXPECT_EQ(events.ends, 1);
    EXPECT_EQ(readWholeFile(file()), "body");
}

TEST_F(HttpClientTest, RequestCarriesTheUrlAndHeadersAsSet) {
    std::promise<std::string> seen;
    Log log;
    RawLoopbackServer raw([&](RawLoopbackServer::Connection& c) {
        log.add(c.request());
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
    });
    client.setLocalFile(file());
    // Blanks and non-ASCII are escaped, existing escapes (valid or not) stay, the user name
    // and password of the URL and the fragment are not sent.
    client.setURL("http://u:p@127.0.0.1:" + std::to_string(raw.port()) +
                  "/a b/caf\xC3\xA9.html?q=%41%zz&r=\x01#frag");
    ASSERT_TRUE(client.get().ok()) << client.lastError().message();
    client.setURL(raw.url("/second"));
    client.setUserAgent("Agent/1.0");
    client.setAccept("text/html");
    ASSERT_TRUE(client.get().ok());
    raw.stop();

    const std::vector<std::string> requests = log.items();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")),
              "GET /a%20b/caf%C3%A9.html?q=%41%zz&r=%01 HTTP/1.1");
    EXPECT_EQ(requests[0].find("Authorization"), std::string::npos);
    EXPECT_EQ(requests[0].find("User-Agent"), std::string::npos);
    EXPECT_EQ(requests[0].find("Accept:"), std::string::npos);
    EXPECT_NE(requests[1].find("\r\nUser-Agent: Agent/1.0\r\n"), std::string::npos);
    EXPECT_NE(requests[1].find("\r\nAccept: text/html\r\n"), std::string::npos);
}

TEST_F(HttpClientTest, RefusedUnresolvableAndRejectedUrls) {
    ASSERT_TRUE(server.start());
    const std::string deadUrl = server.url("/");
    server.stop();

    struct Case {
        std::string url;
        int32_t code;
        std::string text;
        ErrorCode kind;
    };
    const std::vector<Case> cases = {
        {deadUrl, 12029, "[12029] Internet Cannot Connect.", ErrorCode::Network},
        {"http://nothing.invalid/", 12007, "[12007] Internet Name Not Resolved.",
         ErrorCode::Network},
        {"ftp://example.com/file", 153, "Specified URLScheme is invalid.", ErrorCode::Other},
        {"mailto:someone@example.com", 153, "Specified URLScheme is invalid.", ErrorCode::Other},
        {"http:///path", 152, "No server specified in URL.", ErrorCode::Other},
        {"http://host:12ab/", 153, "Specified URLScheme is invalid.", ErrorCode::Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        events = {};
        events.attach(client);
        client.setURL(c.url);
        client.setLocalFile(file());
        TickResult result = client.get();
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(result.text, c.text);
        EXPECT_EQ(result.status().code(), c.kind);
        EXPECT_EQ(client.lastErrorCode(), c.code);
        EXPECT_EQ(events.ends, 0);
        EXPECT_FALSE(fileExists(file()));
    }

    TickHTTP plain;
    plain.setURL("https://127.0.0.1/");
    EXPECT_EQ(plain.get().code, 153);
}

TEST_F(HttpClientTest, WorkOfflineFailsEveryRequestAtOnce) {
    std::atomic<int> hits{0};
    server.server().Get("/", [&](const httplib::Request&, httplib::Response& res) {
        ++hits;
        res.set_content("x", "text/plain");
    });
    ASSERT_TRUE(server.start());
    client.setURL(server.url("/"));
    TickWinInet::setWorkOffline(true);
    TickResult offline = client.get();
    TickWinInet::setWorkOffline(false);
    EXPECT_EQ(offline.message(), "12163: [12163] Internet Disconnected.");
    EXPECT_EQ(hits, 0);
    EXPECT_TRUE(client.get().ok());
    EXPECT_EQ(hits, 1);
}

TEST_F(HttpClientTest, ProxyListAndBypassList) {
    Log log;
    RawLoopbackServer proxy([&](RawLoopbackServer::Connection& c) {
        log.add(c.request().substr(0, c.request().find("\r\n")));
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 7\r\nConnection: close\r\n\r\nproxied");
    });
    const std::string at = "127.0.0.1:" + std::to_string(proxy.port());
    struct Case {
        std::string proxy;
        std::string bypass;
        bool viaProxy;
    };
    const std::vector<Case> cases = {
        {at, "", true},   {"https=127.0.0.1:1 http=" + at, "", true}, {"https=" + at, "", false},
        {at, "*", false}, {at, "other.test; *.invalid", false},       {at, "other.test", true},
    };
    client.setURL("http://site.invalid/page");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proxy + " bypassing " + c.bypass);
        log.clear();
        client.setProxyServer(c.proxy);
        client.setProxyBypass(c.bypass);
        TickResult result = client.get();
        if (c.viaProxy) {
            EXPECT_TRUE(result.ok()) << result.message();
            EXPECT_EQ(log.items(),
                      std::vector<std::string>{"GET http://site.invalid/page HTTP/1.1"});
        } else {
            EXPECT_EQ(result.code, kInetNameNotResolved);
            EXPECT_TRUE(log.items().empty());
        }
    }
}

TEST_F(HttpClientTest, CredentialsOnlyWhenChallengedAndOnlyToTheStartHost) {
    Log log;
    server.server().Get("/secret", [&](const httplib::Request& req, httplib::Response& res) {
        log.add(req.get_header_value("Authorization"));
        if (req.get_header_value("Authorization") != "Basic dXNlcjpwYXNz") {
            res.status = 401;
            res.set_header("WWW-Authenticate", "Basic realm=\"test\"");
            return;
        }
        res.set_content("secret", "text/plain");
    });
    server.server().Get("/elsewhere", [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(server.urlFor("localhost", "/secret"), 302);
    });
    ASSERT_TRUE(server.start());
    client.setLocalFile(file());
    client.setUser("user");
    client.setPassword("pass");

    // Whatever the outcome, the first request never carries credentials.
    struct Case {
        std::string url;
        std::string credentialHost;
        std::string password;
        bool authorized;
    };
    const std::string basic = "Basic dXNlcjpwYXNz";
    const std::vector<Case> cases = {
        {server.url("/secret"), "127.0.0.1", "pass", true},
        {server.url("/secret"), "127.0.0.1", "", false},
        {server.url("/secret"), "", "pass", false},
        {server.url("/secret"), "example.com", "pass", false},
        {server.url("/elsewhere"), "127.0.0.1", "pass", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url + " for " + c.credentialHost + " / " + c.password);
        log.clear();
        client.setURL(c.url);
        client.setCredentialHost(c.credentialHost);
        client.setPassword(c.password);
        EXPECT_EQ(client.get().code, c.authorized ? 0 : 151);
        const std::vector<std::string> authorizations = log.items();
        ASSERT_FALSE(authorizations.empty());
        EXPECT_EQ(authorizations.front(), "");
        EXPECT_EQ(std::count(authorizations.begin(), authorizations.end(), basic),
                  c.authorized ? 1 : 0);
    }
}

TEST_F(HttpClientTest, ConditionalGetLeavesFileOnNotModified) {
    Log dates;
    server.server().Get("/page", [&](const httplib::Request& req, httplib::Response& res) {
        dates.add(req.get_header_value("If-Modified-Since"));
        if (req.has_header("If-Modified-Since")) {
            res.status = 304;
            return;
        }
        res.set_content("fresh", "text/html");
    });
    ASSERT_TRUE(server.start());
    writeWholeFile(file(), "kept copy");
    client.setURL(server.url("/page"));
    client.setLocalFile(file());
    client.setIfModifiedSince("Sat, 01 Jan 2000 00:00:00 GMT");

    TickResult result = client.get();
    EXPECT_TRUE(result.ok()) << result.message();
    EXPECT_TRUE(client.notModified());
    EXPECT_EQ(client.resultText(), "304 Not Modified");
    EXPECT_EQ(readWholeFile(file()), "kept copy");

    client.setAction(ickhttpResetHeaders);
    EXPECT_TRUE(client.get().ok());
    EXPECT_FALSE(client.notModified());
    EXPECT_EQ(readWholeFile(file()), "fresh");
    EXPECT_EQ(dates.items(), (std::vector<std::string>{"Sat, 01 Jan 2000 00:00:00 GMT", ""}));
}

TEST_F(HttpClientTest, CookiesSharedBetweenClientsUnlessRefused) {
    server.server().Get("/set", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Set-Cookie", "session=abc123; Path=/");
        res.set_content("set", "text/plain");
    });
    Log cookies;
    server.server().Get("/check", [&](const httplib::Request& req, httplib::Response& res) {
        cookies.add(req.get_header_value("Cookie"));
        res.set_content("checked", "text/plain");
    });
    ASSERT_TRUE(server.start());
    client.setURL(server.url("/set"));
    ASSERT_TRUE(client.get().ok());

    TickHTTPS other;
    other.setURL(server.url("/check"));
    ASSERT_TRUE(other.get().ok());
    TickHTTPS refusing;
    refusing.setAllowCookies(false);
    refusing.setURL(server.url("/check"));
    ASSERT_TRUE(refusing.get().ok());
    EXPECT_EQ(cookies.items(), (std::vector<std::string>{"session=abc123", ""}));
}

TEST_F(HttpClientTest, KeepsTheConnectionAndReportsItsSteps) {
    Log ports;
    server.server().Get("/", [&](const httplib::Request& req, httplib::Response& res) {
        ports.add(std::to_string(req.remote_port));
        res.set_content("x", "text/plain");
    });
    ASSERT_TRUE(server.start());
    client.setURL(server.url("/"));
    ASSERT_TRUE(client.get().ok());
    const std::vector<int> expected = {10, 11, 20, 21, 30, 31, 40, 41};
    std::vector<int> steps;
    for (int code : events.statuses)
        if (std::find(expected.begin(), expected.end(), code) != expected.end())
            steps.push_back(code);
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(events.descriptions.front(), "127.0.0.1 Looking up the IP address");
    EXPECT_EQ(events.descriptions[3], "127.0.0.1 Successfully connected to");

    ASSERT_TRUE(client.get().ok());
    ASSERT_EQ(ports.items().size(), 2u);
    EXPECT_EQ(ports.items()[0], ports.items()[1]);

    // Closing the session ends the kept connection.
    events = {};
    events.attach(client);
    client.stop();
    ASSERT_TRUE(client.get().ok());
    EXPECT_NE(ports.items().at(2), ports.items()[1]);
}

// A client's requests share one libcurl handle: nothing one request set may reach the next,
// neither a header nor the small receive buffer of a capped transfer.
TEST_F(HttpClientTest, ARequestLeavesNothingOfItsOwnToTheNext) {
    Log agents;
    server.server().Get(R"(/n/(\d+))", [&](const httplib::Request& req, httplib::Response& res) {
        agents.add(req.get_header_value("User-Agent") + "|" +
                   req.get_header_value("If-Modified-Since"));
        res.set_content(std::string(std::stoul(req.matches[1]), 'n'), "application/octet-stream");
    });
    ASSERT_TRUE(server.start());
    RateLimiter limiter;
    limiter.setRate(8192);
    client.setRateLimiter(&limiter);
    client.setUserAgent("Agent/1.0");
    client.setIfModifiedSince("Sat, 01 Jan 2000 00:00:00 GMT");
    client.setURL(server.url("/n/3000"));
    client.setLocalFile(file("capped.bin"));
    ASSERT_TRUE(client.get().ok()) << client.lastError().message();

    client.setRateLimiter(nullptr);
    client.setUserAgent("");
    client.setIfModifiedSince("");
    client.setURL(server.url("/n/200000"));
    client.setLocalFile(file("free.bin"));
    ASSERT_TRUE(client.get().ok()) << client.lastError().message();
    EXPECT_EQ(readWholeFile(file("capped.bin")), std::string(3000, 'n'));
    EXPECT_EQ(readWholeFile(file("free.bin")), std::string(200000, 'n'));
    EXPECT_EQ(agents.items(),
              (std::vector<std::string>{"Agent/1.0|Sat, 01 Jan 2000 00:00:00 GMT", "|"}));
}

TEST_F(HttpClientTest, LocalFileFailures) {
    server.server().Get("/big", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(100000, 'b'), "application/octet-stream");
    });
    ASSERT_TRUE(server.start());
    client.setURL(server.url("/big"));

    writeWholeFile(file("plain-file"), "");
    client.setLocalFile(file("plain-file/inside.bin"));
    TickResult cannotOpen = client.get();
    EXPECT_EQ(cannotOpen.message(), "302: Can't open local file for writing.");

    // A file size limit makes the writes fail part way, as a full disk would.
    client.setLocalFile(file("big.bin"));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    TickResult shortWrite = client.get();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(shortWrite.message(), "144: Error writing to LocalFile");
    EXPECT_FALSE(fileExists(file("big.bin")));
    EXPECT_FALSE(fileExists(TickBodyFile::partName(file("big.bin"))));

    // A full or read-only disk says which file and why; the folders made for the file go
    // again, the ones that were there stay.
    const std::pair<const char*, ErrorCode> faults[] = {{"1:ENOSPC", ErrorCode::NoSpace},
                                                        {"2:EROFS", ErrorCode::ReadOnly}};
    for (const auto& [fault, kind] : faults) {
        SCOPED_TRACE(fault);
        client.setLocalFile(file("made/for/it/big.bin"));
        ASSERT_TRUE(armWriteFault(fault));
        TickResult full = client.get();
        disarmWriteFault();
        EXPECT_EQ(full.code, kTickDiskFault);
        EXPECT_EQ(full.status().code(), kind);
        EXPECT_EQ(full.text.rfind("Unable to write to " + file("made/for/it/big.bin") + ": ", 0),
                  0u)
            << full.text;
        EXPECT_FALSE(fileExists(file("made")));
        EXPECT_TRUE(fileExists(dir.path()));
    }
}

// Every coding the linked libcurl decodes is offered; an answer compressed with it (the
// server here compresses whatever was asked) is saved decoded and counted in decoded bytes.
TEST_F(HttpClientTest, CompressedAnswersAreSavedDecoded) {
    const std::string page = "<html><body>" + std::string(5000, 'x') + "\r\n\0\xFF</body>"s;
    std::map<std::string, std::string> encoded = {{"gzip", gzipped(page)}};
    if (const std::optional<std::string> br = brotliCompressed(page))
        encoded["br"] = *br;
    else
        std::cout << "[ INFO     ] no brotli encoder: br answers are not tried\n";
    Log accepted;
    server.server().Get(R"(/(\w+))", [&](const httplib::Request& req, httplib::Response& res) {
        accepted.add(req.get_header_value("Accept-Encoding"));
        sendEncoded(res, encoded.at(req.matches[1]), req.matches[1], "text/html");
    });
    ASSERT_TRUE(server.start());

    std::vector<std::string> offered;
    const curl_version_info_data* curl = curl_version_info(CURLVERSION_NOW);
    if (curl->features & CURL_VERSION_LIBZ)
        offered.insert(offered.end(), {"deflate", "gzip"});
    if (curl->features & CURL_VERSION_BROTLI)
        offered.push_back("br");
    if (curl->features & CURL_VERSION_ZSTD)
        offered.push_back("zstd");
    for (const auto& [coding, body] : encoded) {
        SCOPED_TRACE(coding);
        accepted.clear();
        events = {};
        events.attach(client);
        client.setURL(server.url("/" + coding));
        client.setLocalFile(file());
        const TickResult result = client.get();
        ASSERT_TRUE(result.ok()) << result.message();
        EXPECT_EQ(readWholeFile(file()), page);
        EXPECT_TRUE(client.bodyEncoded());
        EXPECT_EQ(client.bytesTransferred(), static_cast<int64_t>(page.size()));
        EXPECT_EQ(events.total, static_cast<int64_t>(page.size()));
        EXPECT_EQ(events.header("Content-Length"), " " + std::to_string(body.size()));
        ASSERT_EQ(accepted.items().size(), 1u);
        for (const std::string& name : offered)
            EXPECT_NE(accepted.items()[0].find(name), std::string::npos) << name;
    }
    // The handler reads this test's bodies: the server stops before they go.
    server.stop();
}

TEST_F(HttpClientTest, ATransferThatGetsNoBodyMakesNoFolder) {
    ASSERT_TRUE(server.start());
    const std::string deadUrl = server.url("/gone.bin");
    server.stop();
    client.setURL(deadUrl);
    client.setLocalFile(file("host/sub/gone.bin"));
    EXPECT_EQ(client.get().code, 12029);
    EXPECT_FALSE(fileExists(file("host")));
}

// A request URL is valid exactly when libcurl takes it, whether libcurl was asked (an unusual
// host or port) or the URL was plain enough to need no asking.
TEST(TickURLParts, ValidExactlyWhenLibcurlTakesTheRequestURL) {
    const auto curlTakes = [](const std::string& url) {
        CURLU* handle = curl_url();
        const bool taken =
            curl_url_set(handle, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK;
        curl_url_cleanup(handle);
        return taken;
    };
    for (const char* url : {"http://h.test/",
                            "HTTPS://H.Test/a b?c#d",
                            "http://a..b/",
                            "http://-a-/",
                            "http://1.2.3.4/",
                            "http://h:65535/",
                            "http://h:65536/",
                            "http://h:0/",
                            "http://h:00080/",
                            "http://h:123456/",
                            "http://h:/",
                            "http://u:p@h/",
                            "http://@h/",
                            "http://h_x/",
                            "http://h%41/",
                            "http://[::1]:8080/",
                            "http://[::1/",
                            "http://h!/",
                            "https://xn--bcher-kva.test/",
                            "http://h.test:8080",
                            "http://./",
                            "http://../"}) {
        const TickURLParts parts = splitURL(url);
        EXPECT_EQ(parts.valid, !parts.host.empty() && curlTakes(parts.requestURL))
            << url << " asked as " << parts.requestURL;
    }
}

TEST(TickErrorTexts, TableAndTextRules) {
    int described = 0;
    for (int32_t code = 12000; code < 12200; ++code)
        described += winInetDescription(code).empty() ? 0 : 1;
    EXPECT_EQ(described, 76);
    EXPECT_EQ(winInetDescription(12035), "");
    EXPECT_EQ(winInetDescription(12051), "");

    EXPECT_EQ(tickErrorText(0), "Ok");
    EXPECT_EQ(tickErrorText(12001), "[12001] Internet Out Of Handles.");
    EXPECT_EQ(tickErrorText(12150), "[12150] Http Header Not Found.");
    EXPECT_EQ(tickErrorText(12045), "[12045] Invalid Certification Authority.");
    EXPECT_EQ(tickErrorText(12111), "[12111] FTP connection dropped.");
    EXPECT_EQ(tickErrorText(4242), "[4242] (no description available).");
    EXPECT_EQ(TickResult::failure(143).message(), "143: Busy performing current action");
    EXPECT_EQ(TickResult::failure(151, "500 Oops").message(), "151: 500 Oops");
}

TEST(TickErrorTexts, CurlResultsMapOntoWinInetCodes) {
    struct Case {
        CURLcode result;
        long verify;
        int32_t code;
    };
    const std::vector<Case> cases = {
        {CURLE_OK, 0, 0},
        {CURLE_COULDNT_RESOLVE_HOST, 0, 12007},
        {CURLE_COULDNT_CONNECT, 0, 12029},
        {CURLE_OPERATION_TIMEDOUT, 0, 12002},
        {CURLE_PARTIAL_FILE, 0, 12030},
        {CURLE_RECV_ERROR, 0, 12031},
        {CURLE_TOO_MANY_REDIRECTS, 0, 12156},
        {CURLE_SSL_CONNECT_ERROR, 0, 12157},
        {CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_CERT_HAS_EXPIRED, 12037},
        {CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_UNSPECIFIED, 12038},
        {CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT, 12045},
        {CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_CERT_REVOKED, 12170},
        {CURLE_PEER_FAILED_VERIFICATION, X509_V_ERR_CERT_SIGNATURE_FAILURE, 12169},
        {CURLE_OUT_OF_MEMORY, 0, 12004},
    };
    for (const Case& c : cases)
        EXPECT_EQ(winInetCodeFor(c.result, c.verify), c.code) << curl_easy_strerror(c.result);
}

TEST(TickBodyFileNames, PartNameFitsTheFileSystem) {
    EXPECT_EQ(TickBodyFile::partName("/d/page.html"), "/d/page.html.quarlo-part");
    std::string longName;
    for (int i = 0; i < 200; ++i)
        longName += "\xC3\xA9"; // 400 bytes of two-byte letters
    const std::string part = TickBodyFile::partName("/d/" + longName);
    const std::string name = part.substr(3);
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(name.substr(name.size() - 12), ".quarlo-part");
    EXPECT_EQ((name.size() - 12) % 2, 0u); // no letter cut in half
}

TEST(TickWinInetInfo, VersionAndStatusTexts) {
    const std::string version = TickWinInet::WinInetVersion();
    EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 3) << version;
    EXPECT_EQ(version.substr(version.size() - 2), ".0");
    EXPECT_EQ(TickWinInet::statusDescription(200, {}, 16), "Offline by user request.");
    EXPECT_EQ(TickWinInet::statusDescription(200, {}, 4),
              "Moved between a secure (HTTPS) and a nonsecure (HTTP) site.");
    EXPECT_EQ(TickWinInet::statusDescription(999), "Unknown state ?!");
}

} // namespace
} // namespace quarlo::test
