#include "html/RobotsRules.h"

#include <gtest/gtest.h>

#include <string>

namespace quarlo {
namespace {

struct PathCase {
    const char* path;
    bool allowed;
};

void expectPaths(const RobotsRules& rules, std::initializer_list<PathCase> cases) {
    for (const PathCase& c : cases)
        EXPECT_EQ(rules.allows(c.path), c.allowed) << c.path;
}

TEST(RobotsRules, ChoosesOurGroupMergedElseTheStarGroupElseNone) {
    const char* text = "User-agent: *\n"
                       "Disallow: /star/\n"
                       "\n"
                       "User-agent: OtherBot\n"
                       "Disallow: /\n"
                       "\n"
                       "user-agent: quarlo\n"
                       "user-agent: helperbot\n"
                       "disallow: /first/\n"
                       "# a comment between groups\n"
                       "User-Agent: QUARLO/2.0\n"
                       "Disallow: /second/ # trailing comment\n";
    const RobotsRules ours = RobotsRules::parse(text, "Quarlo");
    expectPaths(ours, {{"/first/a", false}, {"/second/b", false}, {"/star/c", true}, {"/", true}});
    // A group naming two agents applies to both; one not named falls back to "*".
    EXPECT_FALSE(RobotsRules::parse(text, "helperbot").allows("/first/"));
    const RobotsRules star = RobotsRules::parse(text, "Unknown");
    expectPaths(star, {{"/star/c", false}, {"/first/a", true}});
    const RobotsRules none = RobotsRules::parse("User-agent: OtherBot\nDisallow: /\n", "Quarlo");
    expectPaths(none, {{"/", true}, {"/x", true}});
    EXPECT_EQ(none.ruleCount(), 0u);
}

TEST(RobotsRules, LongestMatchWinsAndAllowWinsTies) {
    const RobotsRules rules = RobotsRules::parse("User-agent: *\n"
                                                 "Disallow: /private/\n"
                                                 "Allow: /private/open/\n"
                                                 "Allow: /page\n"
                                                 "Disallow: /page\n"
                                                 "Disallow: /a\n"
                                                 "Allow: /ab\n"
                                                 "Disallow:\n",
                                                 "Quarlo");
    expectPaths(rules, {{"/private/x.html", false},
                        {"/private/open/y.html", true},
                        {"/private", true},
                        {"/page.html", true},
                        {"/a", false},
                        {"/abc", true},
                        {"/robots.txt", true},
                        {"/other", true}});
    expectPaths(RobotsRules::disallowAll(), {{"/", false}, {"/x?y", false}, {"/robots.txt", true}});
}

TEST(RobotsRules, WildcardsAndEndAnchors) {
    const RobotsRules rules = RobotsRules::parse("User-agent: *\n"
                                                 "Disallow: /*.gif$\n"
                                                 "Disallow: /*/tmp/\n"
                                                 "Disallow: /search?*q=\n"
                                                 "Allow: /exact$\n"
                                                 "Disallow: /exact\n",
                                                 "Quarlo");
    expectPaths(rules, {{"/img/a.gif", false},
                        {"/img/a.gif?x=1", true},
                        {"/a/b/tmp/c", false},
                        {"/tmp/c", true},
                        {"/search?lang=en&q=x", false},
                        {"/search?lang=en", true},
                        {"/exact", true},
                        {"/exact/more", false}});
}

TEST(RobotsRules, ComparesPathsPercentEncodedOneWay) {
    const RobotsRules rules = RobotsRules::parse("User-agent: *\n"
                                                 "Disallow: /%7Euser/\n"
                                                 "Disallow: /caf\xC3\xA9/\n"
                                                 "Disallow: /a%2fb\n",
                                                 "Quarlo");
    expectPaths(rules, {{"/~user/x", false},
                        {"/%7euser/x", false},
                        {"/caf%C3%A9/menu", false},
                        {"/caf%c3%a9/menu", false},
                        {"/a%2Fb", false},
                        {"/a/b", true}});
}

TEST(RobotsRules, ReadsCrawlDelayAndIgnoresWhatFollowsTheSizeLimit) {
    const RobotsRules rules =
        RobotsRules::parse("User-agent: *\nCrawl-delay: 1.5\nDisallow: /x\n", "Quarlo");
    ASSERT_TRUE(rules.crawlDelay());
    EXPECT_DOUBLE_EQ(*rules.crawlDelay(), 1.5);
    EXPECT_FALSE(RobotsRules::parse("User-agent: *\nCrawl-delay: soon\n", "Q").crawlDelay());
    EXPECT_DOUBLE_EQ(*RobotsRules::parse("User-agent: *\nCrawl-delay: 9999\n", "Q").crawlDelay(),
                     300.0);

    std::string big = "User-agent: *\r\nDisallow: /early\r\n";
    big += std::string(RobotsRules::kMaxBytes, '#') + "\nDisallow: /late\n";
    const RobotsRules cut = RobotsRules::parse(big, "Quarlo");
    EXPECT_FALSE(cut.allows("/early"));
    EXPECT_TRUE(cut.allows("/late"));
}

TEST(RobotsRules, ProductTokenAndPathOfURL) {
    EXPECT_EQ(robotsProductToken("Quarlo/3.1 (+http://example.test)"), "Quarlo");
    EXPECT_EQ(robotsProductToken("  my-bot_2 x"), "my-bot_2");
    EXPECT_EQ(robotsPathOf("http://h:8080"), "/");
    EXPECT_EQ(robotsPathOf("http://h/a/b?c=d#frag"), "/a/b?c=d");
    EXPECT_EQ(robotsPathOf("https://h?q"), "/?q");
}

TEST(RobotsMeta, NofollowAndNoneInTheHeadStopTheLinksOfAPage) {
    const struct {
        const char* page;
        bool forbids;
    } cases[] = {
        {"<html><head><meta name=\"robots\" content=\"nofollow\"></head><body>", true},
        {"<meta name='ROBOTS' content='noindex, NoFollow'>", true},
        {"<head><meta content=\"none\" name=robots></head>", true},
        {"<meta name=\"robots\" content=\"noindex\"><body><a href=x>", false},
        {"<meta name=\"description\" content=\"nofollow\">", false},
        {"<meta name=\"robots\" content=\"nofollowing, index\">", false},
        // After the head has ended the tag is text of the page, not an instruction.
        {"<html><body><p>about</p><meta name=\"robots\" content=\"nofollow\">", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pageForbidsFollowing(c.page), c.forbids) << c.page;
}

} // namespace
} // namespace quarlo
