#include "engine/HostPolicy.h"

#include <gtest/gtest.h>

namespace quarlo {
namespace {

using namespace std::chrono_literals;
using Kind = EntryVerdict::Kind;
using Clock = HostPolicy::Clock;

class HostPolicyTest : public ::testing::Test {
protected:
    void begin(bool obeyRobots, int cap = 2) {
        HostPolicy::Settings settings;
        settings.obeyRobots = obeyRobots;
        settings.productToken = "Quarlo";
        settings.perHostCap = cap;
        settings.startURLs = {"http://a.test/start.html"};
        policy.beginRun(settings);
    }
    Kind kind(const std::string& url) { return policy.verdict(url, now).kind; }
    void answerRobots(const std::string& text) {
        ASSERT_EQ(policy.takeRobotsRequests(), std::vector<std::string>{"http://a.test:80"});
        policy.robotsDone("http://a.test:80", {RobotsAnswer::Kind::Rules, text, {}, {}}, now);
    }

    HostPolicy policy;
    Clock::time_point now = Clock::now();
};

TEST_F(HostPolicyTest, EntriesWaitForTheirHostsRobotsTxtThenFollowIt) {
    begin(true);
    policy.beginSelection();
    EXPECT_EQ(kind("http://a.test/start.html"), Kind::Skip);
    EXPECT_EQ(kind("http://A.test:80/private/x"), Kind::Skip);
    EXPECT_TRUE(policy.holdsWork());
    EXPECT_EQ(policy.waitText(now), "");
    answerRobots("User-agent: *\nDisallow: /private/\nDisallow: /start");
    policy.beginSelection();
    EXPECT_FALSE(policy.holdsWork());
    const EntryVerdict refused = policy.verdict("http://a.test/private/x", now);
    EXPECT_EQ(refused.kind, Kind::Refuse);
    EXPECT_EQ(refused.message, "Refused by robots.txt");
    EXPECT_EQ(kind("http://a.test/start.html"), Kind::Dispatch);
    EXPECT_EQ(kind("http://a.test/public"), Kind::Dispatch);

    begin(false);
    EXPECT_EQ(kind("http://a.test/private/x"), Kind::Dispatch);
    EXPECT_TRUE(policy.takeRobotsRequests().empty());
}

TEST_F(HostPolicyTest, TheCapAndAWaitHoldOneHostAndNotAnother) {
    begin(false, 2);
    policy.noteDispatch("http://a.test/1", now);
    policy.noteDispatch("http://a.test/2", now);
    policy.beginSelection();
    EXPECT_EQ(kind("http://a.test/3"), Kind::Skip);
    EXPECT_TRUE(policy.holdsWork());
    EXPECT_EQ(kind("https://a.test/3"), Kind::Dispatch); // another scheme, another host
    policy.noteDone("http://a.test/1");
    EXPECT_EQ(kind("http://a.test/3"), Kind::Dispatch);

    policy.noteWait("http://b.test/x", 3s, "503 Service Unavailable", now);
    EXPECT_EQ(kind("http://b.test/y"), Kind::Skip);
    EXPECT_EQ(policy.waitText(now), "Waiting 3 s for http://b.test:80: 503 Service Unavailable");
    ASSERT_TRUE(policy.nextWake(now));
    EXPECT_EQ(*policy.nextWake(now), now + 3s);
    now += 3s;
    EXPECT_EQ(kind("http://b.test/y"), Kind::Dispatch);
    EXPECT_FALSE(policy.nextWake(now));
}

TEST_F(HostPolicyTest, RefusalsAndAnUnansweredRobotsTxtFailTheHost) {
    begin(false);
    for (int n = 0; n < HostPolicy::kMaxRefusals - 1; ++n)
        policy.noteRefusal("http://gone.test/a", "12029: Internet Cannot Connect.");
    EXPECT_EQ(kind("http://gone.test/b"), Kind::Dispatch);
    policy.noteRefusal("http://gone.test/a", "12029: Internet Cannot Connect.");
    const EntryVerdict failed = policy.verdict("http://gone.test/b", now);
    EXPECT_EQ(failed.kind, Kind::Fail);
    EXPECT_EQ(failed.message, "12029: Internet Cannot Connect.");

    begin(true);
    for (int n = 0; n < HostPolicy::kMaxRobotsTries; ++n) {
        EXPECT_EQ(kind("http://a.test/page"), Kind::Skip) << n;
        ASSERT_EQ(policy.takeRobotsRequests().size(), 1u) << n;
        policy.robotsDone(
            "http://a.test:80",
            {RobotsAnswer::Kind::Unavailable, {}, "HTTP 503", std::chrono::seconds(1)}, now);
        EXPECT_EQ(kind("http://a.test/page"),
                  n + 1 < HostPolicy::kMaxRobotsTries ? Kind::Skip : Kind::Fail);
        now += 1s;
    }
    EXPECT_EQ(policy.verdict("http://a.test/page", now).message,
              "robots.txt unavailable: HTTP 503");
    // The start page is fetched all the same.
    EXPECT_EQ(kind("http://a.test/start.html"), Kind::Dispatch);
}

TEST_F(HostPolicyTest, CrawlDelayPacesDispatches) {
    begin(true);
    EXPECT_EQ(kind("http://a.test/1"), Kind::Skip);
    answerRobots("User-agent: quarlo\nCrawl-delay: 2\n\nUser-agent: *\nCrawl-delay: 9\n");
    EXPECT_EQ(kind("http://a.test/1"), Kind::Dispatch);
    policy.noteDispatch("http://a.test/1", now);
    policy.noteDone("http://a.test/1");
    EXPECT_EQ(kind("http://a.test/2"), Kind::Skip);
    EXPECT_EQ(*policy.nextWake(now), now + 2s);
    now += 2s;
    EXPECT_EQ(kind("http://a.test/2"), Kind::Dispatch);
}

TEST(HostPolicyValues, OriginsRetryDelaysAndRetryAfter) {
    EXPECT_EQ(originOf("HTTP://User:pw@Host.Test/a?b"), "http://host.test:80");
    EXPECT_EQ(originOf("https://host.test:8443"), "https://host.test:8443");
    EXPECT_EQ(originOf("https://[::1]/x"), "https://[::1]:443");
    EXPECT_EQ(retryDelay(1, std::nullopt), 2s);
    EXPECT_EQ(retryDelay(2, std::nullopt), 4s);
    EXPECT_EQ(retryDelay(3, std::nullopt), 8s);
    EXPECT_EQ(retryDelay(1, 7s), 7s);
    EXPECT_EQ(retryDelay(1, 3600s), 300s);
    const auto now = std::chrono::system_clock::from_time_t(784111777); // Sun, 06 Nov 1994 08:49:37
    EXPECT_EQ(parseRetryAfter(" 120 ", now), 120s);
    EXPECT_EQ(parseRetryAfter("Sun, 06 Nov 1994 08:50:07 GMT", now), 30s);
    EXPECT_EQ(parseRetryAfter("Sun, 06 Nov 1994 08:00:00 GMT", now), 0s);
    EXPECT_FALSE(parseRetryAfter("soon", now));
    EXPECT_FALSE(parseRetryAfter("", now));
}

} // namespace
} // namespace quarlo
