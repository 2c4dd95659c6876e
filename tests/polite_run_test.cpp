// Whole runs against loopback servers that publish robots.txt, throttle or refuse: what is
// fetched, when, and what the queue says afterwards.

#include "engine/Queue.h"
#include "model/TQLProfile.h"
#include "support/EngineRunFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace quarlo::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A loopback server that records when each path was asked for and answers from a table of
// handlers; an unknown path is a small page.
class RecordingSite {
public:
    using Answer = std::function<void(int call, httplib::Response& res)>;

    RecordingSite() {
        m_server.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
            Answer answer;
            int call = 0;
            {
                std::lock_guard lock(m_mutex);
                m_times[req.path].push_back(Clock::now());
                call = static_cast<int>(m_times[req.path].size());
                if (auto found = m_answers.find(req.path); found != m_answers.end())
                    answer = found->second;
            }
            if (answer)
                answer(call, res);
            else if (req.path == "/robots.txt")
                res.status = 404;
            else
                res.set_content("<html><body>" + req.path + "</body></html>", "text/html");
        });
    }
    bool start() { return m_server.start(); }
    std::string url(const std::string& path) const { return m_server.url(path); }
    void on(const std::string& path, Answer answer) {
        std::lock_guard lock(m_mutex);
        m_answers[path] = std::move(answer);
    }
    void page(const std::string& path, const std::string& html) {
        on(path, [html](int, httplib::Response& res) { res.set_content(html, "text/html"); });
    }
    std::vector<Clock::time_point> times(const std::string& path) {
        std::lock_guard lock(m_mutex);
        return m_times[path];
    }
    int requests(const std::string& path) { return static_cast<int>(times(path).size()); }

private:
    LoopbackServer m_server;
    std::mutex m_mutex;
    std::map<std::string, std::vector<Clock::time_point>> m_times;
    std::map<std::string, Answer> m_answers;
};

class PoliteRunTest : public EngineRunFixture {
protected:
    void SetUp() override {
        EngineRunFixture::SetUp();
        ASSERT_TRUE(web.start());
        ASSERT_TRUE(other.start());
    }

    std::unique_ptr<TQLTask> crawlTask(const std::string& name, const std::string& start,
                                       bool obeyRobots = true) {
        auto task = pageTask(name, start);
        task->profile() = TQLProfile::defaults();
        task->profile().setDepth(-1);
        task->profile().setObeyRobots(obeyRobots);
        return task;
    }
    std::unique_ptr<TQLTask> urlsTask(const std::string& name, std::vector<std::string> urls) {
        auto task = pageTask(name, {});
        task->setURL({});
        task->setUrls(std::move(urls));
        return task;
    }
    bool run(std::unique_ptr<TQLTask> task, std::chrono::milliseconds timeout = 20s) {
        return downloader->start(std::move(task)).ok() && runToEnd(timeout);
    }

    RecordingSite web;
    RecordingSite other;
};

TEST_F(PoliteRunTest, RobotsRulesAndNofollowDecideWhatIsFetchedButNotTheStartPage) {
    web.on("/robots.txt", [](int, httplib::Response& res) {
        res.set_content("User-agent: *\nDisallow: /private/\nDisallow: /start.html\n"
                        "Allow: /private/open*\n",
                        "text/plain");
    });
    web.page("/start.html",
             "<html><a href='/private/a.html'>a</a> <a href='/private/open.html'>o</a>"
             "<a href='/public/b.html'>b</a> <a href='/quiet.html'>q</a>");
    web.page("/quiet.html", "<html><meta name=\"ROBOTS\" content=\"noindex, NoFollow\">"
                            "<a href='/public/hidden.html'>h</a>");
    ASSERT_TRUE(run(crawlTask("Robots", web.url("/start.html"))));
    EXPECT_EQ(web.requests("/robots.txt"), 1);
    EXPECT_EQ(web.requests("/start.html"), 1);
    EXPECT_EQ(web.requests("/private/open.html"), 1);
    EXPECT_EQ(web.requests("/public/b.html"), 1);
    EXPECT_EQ(web.requests("/quiet.html"), 1);
    EXPECT_EQ(web.requests("/private/a.html"), 0);
    EXPECT_EQ(web.requests("/public/hidden.html"), 0);
    const auto refused = entry(web.url("/private/a.html"));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->Mode, QueueMode::Unmarked);
    EXPECT_EQ(refused->Status, QueueStatus::None);
    EXPECT_EQ(refused->Message, "Refused by robots.txt");
    EXPECT_FALSE(entry(web.url("/public/hidden.html")));
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);

    // With "Obey Robots" off everything is fetched.
    ASSERT_TRUE(run(crawlTask("Impolite", web.url("/start.html"), false)));
    EXPECT_EQ(web.requests("/robots.txt"), 1);
    EXPECT_EQ(web.requests("/private/a.html"), 1);
    EXPECT_EQ(web.requests("/public/hidden.html"), 1);
}

TEST_F(PoliteRunTest, AnUnavailableRobotsTxtHoldsTheHostUntilItAnswers) {
    web.on("/robots.txt", [](int call, httplib::Response& res) {
        if (call == 1) {
            res.status = 503;
            res.set_header("Retry-After", "0");
            return;
        }
        res.set_content("User-agent: *\nDisallow: /x", "text/plain");
    });
    // A 4xx robots.txt on the other host allows everything there.
    other.on("/robots.txt", [](int, httplib::Response& res) { res.status = 403; });
    ASSERT_TRUE(run(
        urlsTask("Unavailable", {web.url("/a.html"), web.url("/x.html"), other.url("/x.html")})));
    EXPECT_EQ(web.requests("/robots.txt"), 2);
    EXPECT_EQ(web.requests("/a.html"), 1);
    EXPECT_EQ(other.requests("/x.html"), 1);
    // A listed URL is a start URL: fetched whatever robots.txt says.
    EXPECT_EQ(web.requests("/x.html"), 1);
}

TEST_F(PoliteRunTest, CrawlDelayPacesTheRequestsToItsHost) {
    web.on("/robots.txt", [](int, httplib::Response& res) {
        res.set_content("User-agent: *\nCrawl-delay: 0.4\n", "text/plain");
    });
    std::vector<std::string> urls;
    for (const char* path : {"/1.html", "/2.html", "/3.html", "/4.html"})
        urls.push_back(web.url(path));
    ASSERT_TRUE(run(urlsTask("Paced", urls)));
    std::vector<Clock::time_point> times;
    for (const char* path : {"/1.html", "/2.html", "/3.html", "/4.html"}) {
        ASSERT_EQ(web.requests(path), 1) << path;
        times.push_back(web.times(path).front());
    }
    std::sort(times.begin(), times.end());
    // Dispatches are 400 ms apart; a request may reach the server a little later than its
    // dispatch on a loaded machine, which shortens the next gap as the server sees it.
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 300ms) << i;
}

TEST_F(PoliteRunTest, ThrottledAnswersAreRetriedWhileOtherHostsGoOn) {
    web.on("/busy.html", [](int call, httplib::Response& res) {
        if (call == 1) {
            res.status = 429;
            res.set_header("Retry-After", "2");
            return;
        }
        res.set_content("<html>at last</html>", "text/html");
    });
    web.on("/down.html", [](int, httplib::Response& res) {
        res.status = 503;
        res.set_header("Retry-After", "0");
    });
    std::vector<std::string> urls{web.url("/busy.html")};
    for (const char* path : {"/1.html", "/2.html", "/3.html"})
        urls.push_back(other.url(path));
    ASSERT_TRUE(run(urlsTask("Throttled", urls)));
    const auto busy = web.times("/busy.html");
    ASSERT_EQ(busy.size(), 2u);
    EXPECT_GE(busy[1] - busy[0], 1990ms);
    EXPECT_EQ(entry(web.url("/busy.html"))->Status, QueueStatus::Parsed);
    for (const char* path : {"/1.html", "/2.html", "/3.html"}) {
        ASSERT_EQ(other.requests(path), 1);
        EXPECT_LT(other.times(path).front(), busy[1]) << path;
    }

    ASSERT_TRUE(run(urlsTask("Down", {web.url("/down.html")})));
    EXPECT_EQ(web.requests("/down.html"), kAttemptsPerRun);
    const auto down = entry(web.url("/down.html"));
    EXPECT_EQ(down->Status, QueueStatus::Error);
    EXPECT_EQ(down->Message, "503 Service Unavailable");
}

// Counts the requests under way, on one host and on all together, and the most seen.
class ConcurrencyGauge {
public:
    RecordingSite::Answer slowPage(int& hostNow, int& hostMost) {
        return [this, &hostNow, &hostMost](int, httplib::Response& res) {
            {
                std::lock_guard lock(m_mutex);
                hostMost = std::max(hostMost, ++hostNow);
                m_most = std::max(m_most, ++m_now);
            }
            std::this_thread::sleep_for(60ms);
            {
                std::lock_guard lock(m_mutex);
                --hostNow;
                --m_now;
            }
            res.set_content("<html>slow</html>", "text/html");
        };
    }
    int most() {
        std::lock_guard lock(m_mutex);
        return m_most;
    }
    // A counter given to slowPage, read under the lock its handlers write it under.
    int seen(const int& counter) {
        std::lock_guard lock(m_mutex);
        return counter;
    }

private:
    std::mutex m_mutex;
    int m_now = 0;
    int m_most = 0;
};

TEST_F(PoliteRunTest, ConnectionsPerHostCapsOneHostWhileOthersUseTheRestOfTheSlots) {
    app->setConnections(8);
    app->setConnectionsPerHost(2);
    ConcurrencyGauge gauge;
    int webNow = 0, webMost = 0, otherNow = 0, otherMost = 0;
    std::vector<std::string> urls;
    for (int n = 1; n <= 30; ++n) {
        const std::string path = "/slow/" + std::to_string(n) + ".html";
        web.on(path, gauge.slowPage(webNow, webMost));
        urls.push_back(web.url(path));
        // Other paths there: both hosts save under the same folder name.
        if (n <= 6) {
            const std::string otherPath = "/other/" + std::to_string(n) + ".html";
            other.on(otherPath, gauge.slowPage(otherNow, otherMost));
            urls.push_back(other.url(otherPath));
        }
    }
    ASSERT_TRUE(run(urlsTask("Capped", urls)));
    for (const std::string& url : urls) {
        const auto item = entry(url);
        ASSERT_TRUE(item) << url;
        EXPECT_EQ(item->Status, QueueStatus::Parsed) << url << ": " << item->Message;
    }
    // The cap is reached and never passed on either host; together they pass it.
    EXPECT_EQ(gauge.seen(webMost), 2);
    EXPECT_EQ(gauge.seen(otherMost), 2);
    EXPECT_GE(gauge.most(), 3);
}

TEST_F(PoliteRunTest, ARefusingHostFailsItsEntriesAtOnce) {
    // A port that was just free: nothing listens there.
    int port = 0;
    {
        LoopbackServer gone;
        ASSERT_TRUE(gone.start());
        port = gone.port();
    }
    std::vector<std::string> urls;
    for (int n = 1; n <= 30; ++n)
        urls.push_back("http://127.0.0.1:" + std::to_string(port) + "/" + std::to_string(n) +
                       ".html");
    const auto began = Clock::now();
    ASSERT_TRUE(run(urlsTask("Refusing", urls), 10s));
    EXPECT_LT(Clock::now() - began, 5s);
    std::lock_guard lock(app->currentTask()->mutex());
    for (const std::string& url : urls) {
        const auto item = LoadItem(*app->currentTask(), *app->currentTask()->queue().find(url));
        EXPECT_EQ(item->Status, QueueStatus::Error) << url;
        EXPECT_NE(item->Message.find("12029"), std::string::npos) << item->Message;
    }
}

} // namespace
} // namespace quarlo::test
