#include "html/LinkConversion.h"

#include "html/FileTypes.h"
#include "html/LinkOptions.h"
#include "html/LinkPasses.h"
#include "html/LocalNames.h"
#include "html/PageLinks.h"
#include "html/PagePasses.h"
#include "html/PageScanner.h"
#include "html/UrlFunctions.h"
#include "platform/SettingsStore.h"
#include "platform/TextUtil.h"
#include "support/FileTypesFixture.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace quarlo {
namespace {

// The attribute value as the HTML parser hands it to the URL parser.
std::string decodeReferences(std::string text) {
    for (const auto& [ref, c] : {std::pair{"&amp;", "&"},
                                 {"&lt;", "<"},
                                 {"&gt;", ">"},
                                 {"&quot;", "\""},
                                 {"&#39;", "'"}}) {
        for (auto at = text.find(ref); at != std::string::npos; at = text.find(ref, at + 1)) {
            text.replace(at, std::string_view(ref).size(), c);
        }
    }
    return text;
}

// The saved file a browser opens for an href written in the page saved at pageFile (both
// relative to the save folder), and the fragment it scrolls to: character references of
// the attribute decoded, blanks and controls stripped at both ends, tabs and line breaks
// removed, "\" read as "/", the path cut at "#" and "?", dot segments (also encoded ones)
// applied, then each segment percent-decoded. A scheme or a root path opens nothing ("!").
std::pair<std::string, std::string> browserOpens(const std::string& pageFile, std::string href) {
    href = decodeReferences(href);
    std::erase_if(href, [](char c) { return c == '\t' || c == '\n' || c == '\r'; });
    while (!href.empty() && static_cast<unsigned char>(href.front()) <= ' ') {
        href.erase(0, 1);
    }
    while (!href.empty() && static_cast<unsigned char>(href.back()) <= ' ') {
        href.pop_back();
    }
    std::replace(href.begin(), href.end(), '\\', '/');
    std::string fragment;
    if (const auto hash = href.find('#'); hash != std::string::npos) {
        fragment = href.substr(hash);
        href.resize(hash);
    }
    href.resize(std::min(href.find('?'), href.size()));
    const auto colon = href.find(':');
    if (href.empty() || href.front() == '/' ||
        (colon != std::string::npos && colon < href.find('/'))) {
        return {"!", fragment};
    }
    std::vector<std::string> path;
    for (std::size_t begin = 0, slash = 0; slash != std::string::npos; begin = slash + 1) {
        slash = pageFile.find('/', begin);
        path.push_back(pageFile.substr(begin, slash - begin));
    }
    path.pop_back(); // the page's own name
    for (std::size_t begin = 0, slash = 0; slash != std::string::npos; begin = slash + 1) {
        slash = href.find('/', begin);
        const std::string segment = href.substr(begin, slash - begin);
        const std::string dots = asciiLower(percentDecode(segment));
        if (dots == "..") {
            if (!path.empty()) {
                path.pop_back();
            }
        } else if (dots != ".") {
            path.push_back(percentDecode(segment));
        }
    }
    std::string file;
    for (const std::string& segment : path) {
        file += (file.empty() ? "" : "/") + segment;
    }
    return {file, fragment};
}

class LinkConversionTest : public test::FileTypesFixture {
protected:
    void SetUp() override { importShippedTable(); }
    std::string saved(const std::string& url) { return LocalName(m_types, "", StripAnchor(url)); }
    std::string linkFrom(const std::string& page, const std::string& url,
                         QueuedSpelling queued = {}) {
        return PageLocalLinks(m_types, page, std::move(queued)).linkTo(url);
    }
};

TEST(LinkEncoding, EncodesWhatABrowserWouldDecodeOrCut) {
    const std::pair<std::string, std::string> cases[] = {
        {"caf%C3%A9.html", "caf%25C3%25A9.html"},
        {"show.html\xC2\xBFid=1.html", "show.html%C2%BFid=1.html"},
        {"my file#1?.html", "my%20file%231%3F.html"},
        {"q\"<>'&\\:.html", "q%22%3C%3E%27%26%5C%3A.html"},
        {"t\tab\x7F.html", "t%09ab%7F.html"},
        {"../x-y_z~/a(1),b;c=d@e+f!$*.gif", "../x-y_z~/a(1),b;c=d@e+f!$*.gif"},
    };
    for (const auto& [path, encoded] : cases) {
        EXPECT_EQ(encodeLocalLink(path), encoded);
    }
}

TEST_F(LinkConversionTest, LinksFromAPageToSavedCopies) {
    const std::string page = "http://h/a/index.html";
    const std::pair<std::string, std::string> cases[] = {
        {"http://h/a/sub/page.html", "sub/page.html"},
        {"http://h/img/x.gif", "../img/x.gif"},
        {"http://h2/x.gif", "../../h2/x.gif"},
        {"http://h/a/show.asp?id=1", "show.html%C2%BFid=1.html"},
        {"http://h/a/docs/", "docs/docs.html"},
        {"http://h/a/page.html#sec", "page.html#sec"},
        // The queue holds the URL without its "#" part, so the file is that URL's.
        {"http://h/a/x.asp?a=1#b", "x.html%C2%BFa=1.html#b"},
        {"http://h/a/caf%C3%A9.html", "caf%25C3%25A9.html"},
        {"http://h/a/my%20file.html", "my%20file.html"},
        {"http://h/a/index.html", "index.html"},
        {"", ""},
        {"http://h/a/%2e%2e/%2e%2e/x.html", ""}, // no local file: left alone
    };
    for (const auto& [url, expected] : cases) {
        EXPECT_EQ(linkFrom(page, url), expected) << url;
    }
    EXPECT_EQ(linkFrom("http://www.alpha.test/a/index.html", "http://www.alpha.test/"),
              "../www.alpha.html");
}

TEST_F(LinkConversionTest, UsesTheQueuedSpellingOfAUrl) {
    std::vector<std::string> asked;
    const QueuedSpelling queue = [&](const std::string& url) {
        asked.push_back(url);
        return equalsNoCase(url, "http://H/a/Page.html") ? "http://H/a/Page.html"s : ""s;
    };
    EXPECT_EQ(linkFrom("http://h/a/index.html", "http://h/a/PAGE.HTML#s", queue),
              "../../H/a/Page.html#s");
    EXPECT_EQ(linkFrom("http://h/a/index.html", "http://h/a/other.html", queue), "other.html");
    EXPECT_EQ(asked, (std::vector<std::string>{"http://h/a/PAGE.HTML", "http://h/a/other.html"}));
}

TEST_F(LinkConversionTest, EveryConvertedLinkOpensTheSavedFile) {
    const std::vector<std::string> hosts = {"h", "H", "www.alpha.test", "h2:81"};
    const std::vector<std::string> folders = {
        "a", "b", "my%20dir", "caf%C3%A9", "\xC3\xBC", "a.b", "", "x&amp;y", "%41", "a b", "#"};
    const std::vector<std::string> documents = {"index.html",
                                                "show.asp?id=1&p=2",
                                                "img.cgi?name=a.gif",
                                                "",
                                                "p.php",
                                                "q.html#frag",
                                                "x.cgi?p=1/2#t",
                                                "r%2520s.gif",
                                                "t:u.html",
                                                "v|w*.htm",
                                                std::string(300, 'n') + ".html"};
    std::mt19937 random(20240611);
    const auto pick = [&](const std::vector<std::string>& from) {
        return from[random() % from.size()];
    };
    const auto makeUrl = [&] {
        std::string url = "http://" + pick(hosts) + "/";
        for (int depth = static_cast<int>(random() % 4); depth > 0; --depth) {
            url += pick(folders) + "/";
        }
        return url + pick(documents);
    };
    int checked = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string page = StripAnchor(makeUrl());
        const std::string target = makeUrl();
        const std::string pageFile = saved(page);
        if (pageFile.empty()) {
            continue;
        }
        const std::string href = linkFrom(page, target);
        if (saved(target).empty()) {
            EXPECT_EQ(href, "") << target;
            continue;
        }
        const auto [file, fragment] = browserOpens(pageFile, href);
        EXPECT_EQ(file, saved(target)) << page << " -> " << target << " as " << href;
        EXPECT_EQ(fragment, decodeReferences(target.substr(StripAnchor(target).size()))) << href;
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}

TEST(ConversionDecision, FollowedAndUnfollowedByMode) {
    const struct {
        int followedMode, unfollowedMode;
        bool followed, withinSite, converted;
    } cases[] = {
        {1, 0, true, false, true}, {0, 2, true, true, false},   {1, 0, false, true, false},
        {0, 1, false, true, true}, {0, 1, false, false, false}, {0, 2, false, false, true},
        {2, 3, true, true, false}, {2, 3, false, true, false},
    };
    for (const auto& c : cases) {
        LinkOptions options;
        options.convertFollowedLinks = static_cast<std::uint8_t>(c.followedMode);
        options.convertUnfollowedLinks = static_cast<std::uint8_t>(c.unfollowedMode);
        EXPECT_EQ(shouldConvertLink(options, c.followed, c.withinSite), c.converted)
            << c.followedMode << "/" << c.unfollowedMode << " followed " << c.followed << " site "
            << c.withinSite;
    }
}

// What a new profile reads: pages within the site, resources anywhere, every level, script
// links, both conversions.
LinkOptions defaultOptions() {
    LinkOptions options;
    options.pageLocation = LinkOptions::WithinSite;
    options.resourceLocation = LinkOptions::Anywhere;
    options.aggressiveParser = 1;
    options.convertFollowedLinks = 1;
    options.convertUnfollowedLinks = 1;
    return options;
}

// A page of http://h/a/index.html (start directory http://h/a/) with a depth of 0.
class PageConversionTest : public LinkConversionTest {
protected:
    LinkOptions m_options = defaultOptions();
    std::vector<std::string> m_followed;

    std::string convert(std::string page, const std::string& pageUrl = "http://h/a/index.html") {
        PageLinks links(m_types, m_options, pageUrl, 0, "http://h/a/");
        links.takeBase(page);
        links.scanPage(page, [&](const FoundLink& link) {
            if (link.followed) {
                m_followed.push_back(StripAnchor(link.url));
            }
        });
        return page;
    }
};

TEST_F(PageConversionTest, WorkedExampleOfAStartPage) {
    const std::string page = "<html><title>Welcome</title><body background='bg.gif'>"
                             "<a href='b.html'>B</a><a href='http://h2/c.html'>C</a>"
                             "<a href='mailto:me'>M</a><img src='/img/x.gif'></body>\n";
    std::string expected = page;
    expected.replace(expected.find("/img/x.gif"), 10, "../img/x.gif");
    EXPECT_EQ(convert(page), expected);
    EXPECT_EQ(m_followed, (std::vector<std::string>{"http://h/a/b.html", "http://h/img/x.gif",
                                                    "http://h/a/bg.gif"}));
}

TEST_F(PageConversionTest, FollowedAndUnfollowedLinksPerSetting) {
    m_options.depth = 0;
    // Followed: the image; refused by depth but within the site: deep.html; outside: h2.
    const std::string page = "<p><a href=\"http://h/a/deep.html\">d</a>"
                             "<a href=\"http://h2/c.html\">c</a><img src=\"http://h/a/i.gif\">";
    const struct {
        int followed, unfollowed;
        const char *deep, *other, *image;
    } cases[] = {
        {1, 1, "deep.html", "http://h2/c.html", "i.gif"},
        {1, 2, "deep.html", "../../h2/c.html", "i.gif"},
        {1, 0, "http://h/a/deep.html", "http://h2/c.html", "i.gif"},
        {0, 1, "deep.html", "http://h2/c.html", "http://h/a/i.gif"},
    };
    for (const auto& c : cases) {
        m_options.convertFollowedLinks = static_cast<std::uint8_t>(c.followed);
        m_options.convertUnfollowedLinks = static_cast<std::uint8_t>(c.unfollowed);
        EXPECT_EQ(convert(page), "<p><a href=\""s + c.deep + "\">d</a><a href=\"" + c.other +
                                     "\">c</a><img src=\"" + c.image + "\">")
            << c.followed << "/" << c.unfollowed;
    }
}

TEST_F(PageConversionTest, BaseTagIsRemovedAndOnlyResolvesLinks) {
    m_options.convertFollowedLinks = 0;
    m_options.pageLocation = LinkOptions::Anywhere;
    const std::string page = "<head><base href=\"http://h/base/index.html\"></head>"
                             "<a href=\"x.html\">x</a><a href=\"http://h2/y.html\">y</a>";
    EXPECT_EQ(convert(page, "http://h/a/p.html"),
              "<head></head><a href=\"x.html\">x</a><a href=\"http://h2/y.html\">y</a>");
    EXPECT_EQ(m_followed, (std::vector<std::string>{"http://h/base/x.html", "http://h2/y.html"}));

    m_options.convertFollowedLinks = 1;
    EXPECT_EQ(convert(page, "http://h/a/p.html"),
              "<head></head><a href=\"../base/x.html\">x</a><a href=\"../../h2/y.html\">y</a>");
}

TEST_F(PageConversionTest, LinkQueuedOnTheSamePageKeepsItsFirstSpelling) {
    std::map<std::string, std::string> index; // lower-cased URL -> queued spelling
    std::string page = "<p><a href=\"Doc.html\">1</a><a href=\"DOC.html#x\">2</a>";
    PageLinks links(m_types, m_options, "http://h/a/index.html", 0, "http://h/a/",
                    [&](const std::string& url) {
                        const auto found = index.find(asciiLower(url));
                        return found == index.end() ? ""s : found->second;
                    });
    links.scanPage(page, [&](const FoundLink& link) {
        index.emplace(asciiLower(StripAnchor(link.url)), StripAnchor(link.url));
    });
    EXPECT_EQ(page, "<p><a href=\"Doc.html\">1</a><a href=\"Doc.html#x\">2</a>");
}

// Style text, responsive images, media and inline frames: followed and converted where
// they stand, descriptors and the rest of the style text kept. What style text links to is
// a resource, so depth 0 does not cut it even where its address looks like a page.
TEST_F(PageConversionTest, StyleTextSrcsetAndMediaAreFollowedAndConverted) {
    m_options.depth = 0;
    const std::string page =
        "<head><style>@import url(http://h/a/css/s.css); p{b:url(http://h/a/font.php?x=1)}</style>"
        "<p style=\"background:url('/img/b g.png'); color:red\">"
        "<img srcset=\"http://h/a/i1.png 1x, /i2.png 2x\">"
        "<video src=\"http://h/a/v.mp4\" poster=\"data:image/png;base64,AA\"></video>"
        "<iframe src=\"http://h/a/f.html\"></iframe><a href=\"http://h/a/deep.html\">d</a>";
    const std::string converted = convert(page);
    EXPECT_EQ(m_followed,
              (std::vector<std::string>{"http://h/a/i1.png", "http://h/i2.png", "http://h/a/v.mp4",
                                        "http://h/a/f.html", "http://h/a/css/s.css",
                                        "http://h/a/font.php?x=1", "http://h/img/b g.png"}));
    for (const char* written :
         {"@import url(css/s.css);", "style=\"background:url('../img/b%20g.png'); color:red\"",
          "srcset=\"i1.png 1x, ../i2.png 2x\"", "<video src=\"v.mp4\"", "<iframe src=\"f.html\">",
          "href=\"deep.html\"", "base64,AA\""})
        EXPECT_NE(converted.find(written), std::string::npos) << written << "\n" << converted;
}

// The added passes read attribute values as a browser does: references decoded and blanks
// trimmed before the address is taken, the converted address written back encoded.
TEST_F(PageConversionTest, AddedPassesReadValuesAsABrowserDoes) {
    const std::string page = "<p><img srcset=\" http://h/a/i.png?x=1&amp;y=2 1x,&#32;/j.png 2x\">"
                             "<video src=' http://h/a/v.mp4?a=1&#38;b=2 '></video>";
    const std::string converted = convert(page);
    EXPECT_EQ(m_followed, (std::vector<std::string>{"http://h/a/i.png?x=1&y=2", "http://h/j.png",
                                                    "http://h/a/v.mp4?a=1&b=2"}));
    EXPECT_EQ(converted.find("&y"), std::string::npos) << converted;
    EXPECT_NE(converted.find("\" i.png%C2%BFx=1%26y=2.png 1x,&#32;../j.png 2x\""),
              std::string::npos)
        << converted;
    EXPECT_NE(converted.find("<video src=' v.mp4%C2%BFa=1%26b=2.mp4 '>"), std::string::npos)
        << converted;
}

// A value a quote pass has converted is the program's own text: the added pass that finds it
// again passes it over.
TEST_F(PageConversionTest, AddedPassSkipsWhatAnEarlierPassConverted) {
    m_options.aggressiveParser = 2;
    std::string page = "<video src=\"http://h/a/v.mp4\"><track src='t.vtt'></video>";
    PagePasses passes(m_types, m_options, "http://h/a/index.html", 0, "http://h/a/", {});
    PageScanner scanner(page);
    std::vector<std::string> seen;
    for (const LinkPass* pass : linkPassesFor(m_options.aggressiveParser))
        passes.scanPass(scanner, *pass, [&](const FoundLink& link) {
            seen.push_back(std::to_string(pass->number) + " " + link.url);
        });
    EXPECT_EQ(seen, (std::vector<std::string>{"14 http://h/a/t.vtt", "15 http://h/a/v.mp4"}));
    EXPECT_EQ(page, "<video src=\"v.mp4\"><track src='t.vtt'></video>");
}

// Conversion changes the link values and nothing else: line ends of every kind, NUL bytes
// and bytes that are no UTF-8 stay, and so does a page read from and written to its file.
TEST_F(PageConversionTest, OnlyLinkValuesChange) {
    const std::string page = "<p>\r\n<a href='b.html'>\xE9\xFF</a>\r<img\nsrc=/img/x.gif>\n\r\n"
                             "\0<a\r\nhref=\"http://h/a/c.html\">\0\x80</a>"s;
    std::string expected = page;
    expected.replace(expected.find("/img/x.gif"), 10, "../img/x.gif");
    expected.replace(expected.find("http://h/a/c.html"), 17, "c.html");
    EXPECT_EQ(convert(page), expected);
    EXPECT_EQ(m_followed.size(), 3u);

    test::TempDir dir;
    const std::string file = dir.path() + "p.html";
    test::writeWholeFile(file, page);
    ASSERT_TRUE(readPageText(file).has_value());
    ASSERT_TRUE(writePageText(file, *readPageText(file)).ok());
    EXPECT_EQ(test::readWholeFile(file), page);
    EXPECT_FALSE(readPageText(dir.path() + "missing.html").has_value());
}

} // namespace
} // namespace quarlo
