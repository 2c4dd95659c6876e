// The records of rewritten links: their offsets follow every edit of the page, and the
// repair points each at its local copy or its address, in place.

#include "html/LinkRecords.h"

#include "html/FileTypes.h"
#include "html/LinkPasses.h"
#include "html/PagePasses.h"
#include "html/PageScanner.h"
#include "platform/SettingsStore.h"
#include "support/RandomPages.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <string>

namespace quarlo {
namespace {

// Rewrites text like a parse: the value at offset replaced by newText, noted in the tracker.
void rewrite(std::string& text, RewriteTracker& tracker, std::size_t offset,
             const std::string& oldText, const std::string& newText, const std::string& url) {
    ASSERT_EQ(text.compare(offset, oldText.size(), oldText), 0);
    text.replace(offset, oldText.size(), newText);
    tracker.noteRewrite(offset, oldText.size(), newText.size(), url);
}

TEST(RewriteTrackerTest, OffsetsFollowLaterEditsAndOverwrittenValuesAreForgotten) {
    std::string text = "<a href=\"b.asp?x=1\"><img src=\"/i/p.png\"><a href=\"c\">";
    RewriteTracker tracker;
    // A later pass goes back to the start of the page.
    rewrite(text, tracker, 30, "/i/p.png", "../i/p.png", "http://h/i/p.png");
    rewrite(text, tracker, 9, "b.asp?x=1", "b.asp%C2%BFx=1.html", "http://h/b.asp?x=1");
    const std::size_t c = text.find("\"c\"") + 1;
    rewrite(text, tracker, c, "c", "c.html#t", "http://h/c#t");
    // An insertion before everything (a banner) and an edit that overwrites the last value.
    text.insert(0, "BANNER");
    tracker.noteEdit(0, 0, 6);
    std::vector<RecordedLink> links = tracker.links(text);
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0].localText, "b.asp%C2%BFx=1.html");
    EXPECT_EQ(links[1].localText, "../i/p.png");
    EXPECT_EQ(links[2].localText, "c.html#t");
    for (const RecordedLink& link : links)
        EXPECT_EQ(text.compare(link.offset, link.localText.size(), link.localText), 0);
    tracker.noteEdit(links[2].offset + 2, 3, 0);
    EXPECT_EQ(tracker.links(text).size(), 2u);
}

TEST(RelinkTextTest, LinksTurnAbsoluteAndBackAndForeignValuesAreDropped) {
    std::string text = "<a href=\"x.html#t\">x</a> <img src=\"y.png\"> <a href=\"z.html\">";
    std::vector<RecordedLink> links = {
        {9, true, "x.html#t", "http://h/x y.html#t"},
        {text.find("y.png"), true, "y.png", "http://h/y.png"},
        // The page holds another value there.
        {text.find("z.html"), true, "gone.html", "http://h/gone.html"},
    };
    ASSERT_TRUE(relinkText(text, links, [](const RecordedLink& link) {
        return link.url.find("y.png") != std::string::npos;
    }));
    EXPECT_EQ(text, "<a href=\"http://h/x%20y.html#t\">x</a> <img src=\"y.png\"> <a "
                    "href=\"z.html\">");
    ASSERT_EQ(links.size(), 2u);
    EXPECT_FALSE(links[0].local);
    EXPECT_EQ(links[1].offset, text.find("y.png"));

    // Nothing to change: the text stays.
    const std::string same = text;
    EXPECT_FALSE(relinkText(text, links, [](const RecordedLink& link) { return link.local; }));
    EXPECT_EQ(text, same);

    // Records that still hold the former forms (the page was written, its records were not)
    // are found in the other form.
    std::vector<RecordedLink> stale = links;
    stale[0].local = true;
    ASSERT_TRUE(relinkText(text, stale, [](const RecordedLink&) { return true; }));
    EXPECT_EQ(text, "<a href=\"x.html#t\">x</a> <img src=\"y.png\"> <a href=\"z.html\">");
    EXPECT_EQ(stale.size(), 2u);
}

// Random pages converted as the parse thread converts them: the records name exactly the
// values written, so pointing every link at its address and back gives the page again.
TEST(RewriteTrackerTest, RandomPagesRecordEveryConvertedValueInPlace) {
    test::TempDir dir;
    SettingsStore store(dir.path() + "settings.reg");
    ASSERT_TRUE(store.importRegFile(QUARLO_SOURCE_DATA "/FTypes.reg").ok());
    const FileTypes types(store);
    test::RandomPages random(20261210);
    std::size_t recordedLinks = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string page = random.page();
        LinkOptions options = random.options();
        options.convertFollowedLinks = 1;
        PagePasses links(types, options, random.pageUrl(), 1, "http://h/a/", {});
        links.takeBase(page);
        PageScanner scanner(page);
        for (const LinkPass* pass : linkPassesFor(options.aggressiveParser))
            links.scanPass(scanner, *pass, {});
        std::vector<RecordedLink> recorded = links.rewrites().links(page);
        const std::size_t count = recorded.size();
        recordedLinks += count;
        std::string relinked = page;
        relinkText(relinked, recorded, [](const RecordedLink&) { return false; });
        for (const RecordedLink& link : recorded)
            ASSERT_EQ(relinked.compare(link.offset, link.text().size(), link.text()), 0);
        relinkText(relinked, recorded, [](const RecordedLink&) { return true; });
        ASSERT_EQ(recorded.size(), count) << page;
        ASSERT_EQ(relinked, page);
    }
    EXPECT_GT(recordedLinks, 1000u);
}

TEST(AbsoluteLinkTextTest, BytesThatWouldEndTheValueAreEncoded) {
    EXPECT_EQ(absoluteLinkText("http://h/a b\"c'd<e>f\\g\x01.html?q=1&r=2#s"),
              "http://h/a%20b%22c%27d%3Ce%3Ef%5Cg%01.html?q=1&r=2#s");
}

// A url() without quotes would end at the address's ")": there its parentheses are encoded
// too, so the style text stays valid; in quotes and attributes they stay as they are.
TEST(AbsoluteLinkTextTest, AnUnquotedStyleUrlKeepsItsParenthesesEncoded) {
    const std::string original = "p { background: URL(\n a%281%29.png ) }\n"
                                 "q { background: url('b%282%29.png') }\n"
                                 "<a href=\"c(3).html\">";
    std::string text = original;
    std::vector<RecordedLink> links;
    for (const auto& [local, url] : {std::pair{"a%281%29.png", "http://h/a(1) x.png"},
                                     std::pair{"b%282%29.png", "http://h/b(2).png"},
                                     std::pair{"c(3).html", "http://h/c(3).html"}})
        links.push_back({text.find(local), true, local, url});
    ASSERT_TRUE(relinkText(text, links, [](const RecordedLink&) { return false; }));
    EXPECT_EQ(text, "p { background: URL(\n http://h/a%281%29%20x.png ) }\n"
                    "q { background: url('http://h/b(2).png') }\n"
                    "<a href=\"http://h/c(3).html\">");
    ASSERT_TRUE(relinkText(text, links, [](const RecordedLink&) { return true; }));
    EXPECT_EQ(text, original);
}

} // namespace
} // namespace quarlo
