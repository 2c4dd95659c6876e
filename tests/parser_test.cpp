#include "html/FileTypes.h"
#include "html/LinkPasses.h"
#include "html/LinkScan.h"
#include "html/TagReading.h"
#include "platform/SettingsStore.h"
#include "support/RandomPages.h"
#include "support/ReferenceScan.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace quarlo {
namespace {

using Values = std::vector<std::string>;
using ScanPass = void (*)(std::string&, const LinkPass&, int, const LinkVisitor&);

// Every case runs through the page scanner and through the reference it must match.
const std::vector<std::pair<std::string, ScanPass>> kScanners = {
    {"page scanner", scanLinks}, {"reference", test::referenceScanPass}};

const LinkPass& passOf(std::string_view tag, std::string_view attribute) {
    for (const LinkPass& pass : linkPassTable()) {
        if (pass.tag == tag && pass.attribute == attribute) {
            return pass;
        }
    }
    throw std::invalid_argument("no such pass");
}

Values collect(ScanPass scan, std::string page, const LinkPass& pass, int aggressive) {
    Values found;
    scan(page, pass, aggressive, [&](LinkCandidate& c) { found.push_back(c.value()); });
    return found;
}

struct TagCase {
    const char* what;
    std::string page;
    const char* tag;
    const char* attribute;
    Values expected;
};

TEST(ParserTagValues, FindsAttributeValuesAsTheScannerReadsThem) {
    const std::vector<TagCase> cases = {
        {"unquoted, ends at blank", "x<A HREF=a.html TARGET=x>", "A", "HREF", {"a.html"}},
        {"blanks around =", "x<A HREF = \"b c.html\">", "A", "HREF", {"b c.html"}},
        {"single quotes", "x<A HREF='x.html'>", "A", "HREF", {"x.html"}},
        {"blank after single quote", "x<A HREF=' y.html'>", "A", "HREF", {"y.html"}},
        {"blank after double quote is trimmed", "x<A HREF=\" y.html\">", "A", "HREF", {"y.html"}},
        {"later tag's attribute refused", "x<A NAME=top>t<A HREF=z.html>", "A", "HREF", {"z.html"}},
        {"attribute without value", "x<A HREF>t</A>", "A", "HREF", {}},
        {"empty quoted value", "x<A HREF=\"\">", "A", "HREF", {}},
        {"javascript call",
         "x<a href=\"javascript:window.open('w.html','x')\">",
         "A",
         "HREF",
         {"w.html"}},
        {"javascript without quotes", "x<a href=\"JavaScript:void(0)\">", "A", "HREF", {}},
        {"statement refused", "x<a href=\"javascript:go('a.html');\">", "A", "HREF", {}},
        {"expression refused", "x<a href=\"page.html?a=1+2\">", "A", "HREF", {}},
        {"prefix match",
         "x<ABBR HREF=ab.html><AREA HREF=ar.html><a href=a.html>",
         "A",
         "HREF",
         {"ab.html", "ar.html", "a.html"}},
        {"no match on a longer name",
         "x<A HREF=a.html><AREA HREF=ar.html>",
         "AREA",
         "HREF",
         {"ar.html"}},
        {"FRAME finds FRAMESET, not IFRAME",
         "x<FRAMESET SRC=s.html><IFRAME SRC=i.html>",
         "FRAME",
         "SRC",
         {"s.html"}},
        {"end tags are not tags", "x</a href=e.html>", "A", "HREF", {}},
        {"quotes and = before the name", "x< \"=a href=g.html>", "A", "HREF", {"g.html"}},
        {"tab before the name", "x<\tA HREF=t.html>", "A", "HREF", {}},
        {"a leading tab is trimmed", "x<A HREF=\tt.html>", "A", "HREF", {"t.html"}},
        {"line break inside unquoted value", "x<A HREF=a\nb.html>", "A", "HREF", {"a\nb.html"}},
        {"escaped quotes of script markup", "x<a href=\\\"q.html\\\">", "A", "HREF", {"q.html\\"}},
        {"name must end the attribute", "x<a hreflang=en href=h.html>", "A", "HREF", {"h.html"}},
        {"open quote ends at >", "x<a href=\"a.html>next", "A", "HREF", {"a.html"}},
        {"CODE skips CODEBASE",
         "x<APPLET CODEBASE=\"java/\" CODE=\"A.class\">",
         "APPLET",
         "CODE",
         {"A.class"}},
        {"movie parameter",
         "x<PARAM name=\"movie\" value=\"m.swf\">",
         "PARAM",
         "NAME=\"MOVIE\" VALUE",
         {"m.swf"}},
        {"movie parameter needs the quotes",
         "x<PARAM NAME=movie VALUE=m.swf>",
         "PARAM",
         "NAME=\"MOVIE\" VALUE",
         {}},
        {"refresh target",
         "x<META HTTP-EQUIV=refresh CONTENT=\"5; URL=next.html\">",
         "META",
         "URL",
         {"next.html"}},
        {"first character is not seen", "<A HREF=x.html><A HREF=y.html>", "A", "HREF", {"y.html"}},
        {"truncated tag at the end",
         "x<a href=ok.html><a href=\"cut.html",
         "A",
         "HREF",
         {"ok.html"}},
        {"unterminated tag", "x<a href=cut.html", "A", "HREF", {}},
        {"empty page", "", "A", "HREF", {}},
        {"UTF-8 passes through",
         "x<a href=\"caf\xC3\xA9.html\">",
         "A",
         "HREF",
         {"caf\xC3\xA9.html"}},
        {"NUL bytes are characters",
         "x\0<a href=n.html>\0<a href=m\0.html>"s,
         "A",
         "HREF",
         {"n.html", "m\0.html"s}},
    };
    for (const auto& [name, scan] : kScanners) {
        for (const TagCase& c : cases) {
            EXPECT_EQ(collect(scan, c.page, passOf(c.tag, c.attribute), 0), c.expected)
                << name << ": " << c.what;
        }
    }
}

// Values are read as a browser reads them: character references decoded, ASCII whitespace
// trimmed, and only then the script-expression and "javascript:" rules. Inside script blocks
// the text is taken as it stands.
TEST(ParserTagValues, DecodeCharacterReferencesOutsideScripts) {
    const std::vector<TagCase> cases = {
        {"&amp; in a query",
         "x<a href=\"show.asp?id=1&amp;p=2\">",
         "A",
         "HREF",
         {"show.asp?id=1&p=2"}},
        {"decimal and hex",
         "x<a href=\"a&#38;b&#x26;c&#X26;d&#38e.html\">",
         "A",
         "HREF",
         {"a&b&c&d&e.html"}},
        {"named with ;",
         "x<a href=\"dir&sol;p.html&quest;q&equals;1&num;top\">",
         "A",
         "HREF",
         {"dir/p.html?q=1#top"}},
        {"legacy names without ; unless a letter, digit or = follows",
         "x<a href=\"?a=1&amp=2&ampx=3&amp\">",
         "A",
         "HREF",
         {"?a=1&amp=2&ampx=3&"}},
        {"unknown names and bare & stay",
         "x<a href=\"a&bogus=b&c &#x&#.html\">",
         "A",
         "HREF",
         {"a&bogus=b&c &#x&#.html"}},
        {"code points no character has",
         "x<a href=\"a&#0;b&#x110000;c&#xD800;d&#128;e&#x81;f&#99999999999;.html\">",
         "A",
         "HREF",
         {"a\xEF\xBF\xBD"
          "b\xEF\xBF\xBD"
          "c\xEF\xBF\xBD"
          "d\xE2\x82\xAC"
          "e\xC2\x81"
          "f\xEF\xBF\xBD.html"}},
        {"a decoded ; is a script expression", "x<a href=\"a&semi;b.html\">", "A", "HREF", {}},
        {"blanks around an absolute URL",
         "x<a href=\" \r\n https://x/ \t\">",
         "A",
         "HREF",
         {"https://x/"}},
        {"whitespace written as a reference is trimmed too",
         "x<a href=\"&#32;y.html&Tab;\">",
         "A",
         "HREF",
         {"y.html"}},
        {"script call in references",
         "x<a href=\"javascript:go(&#39;j.html?a&amp;b&#39;)\">",
         "A",
         "HREF",
         {"j.html?a&b"}},
        {"inside a script block, as it stands",
         "x<script>w('<a href=\"s.html?a=1&#38b=2\">')</script><a href=\"s.html?a=1&#38b=2\">",
         "A",
         "HREF",
         {"s.html?a=1&#38b=2", "s.html?a=1&b=2"}},
    };
    for (const auto& [name, scan] : kScanners) {
        for (const TagCase& c : cases) {
            EXPECT_EQ(collect(scan, c.page, passOf(c.tag, c.attribute), 0), c.expected)
                << name << ": " << c.what;
        }
    }
}

// A rewrite replaces the bytes the value was read from, encoded for its attribute: "&" and
// the delimiting quote as references, also whatever ends an unquoted value; in a script
// block and in the quoted-string passes the text goes in as it is.
TEST(ParserReplaceValue, WritesTheNewValueEncodedForItsAttribute) {
    struct RewriteCase {
        std::string before;
        std::string newText;
        std::string written; // the value's bytes in the page afterwards
        std::string after;
    };
    const std::vector<RewriteCase> cases = {
        {"x<a href=\" show.asp?id=1&amp;p=2 \">", "show.html#a&b\"c'", "show.html#a&amp;b&quot;c'",
         "x<a href=\" show.html#a&amp;b&quot;c' \">"},
        {"x<a href='a&#46;html'>", "l.html#it's", "l.html#it&#39;s", "x<a href='l.html#it&#39;s'>"},
        {"x<a href=a&amp;b.html>", "n.html#x y\"'>", "n.html#x&#32;y&quot;&#39;&#62;",
         "x<a href=n.html#x&#32;y&quot;&#39;&#62;>"},
        {"x<a href=\"javascript:go(&#39;j.html&#39;)\">", "n&.html", "n&amp;.html",
         "x<a href=\"javascript:go(&#39;n&amp;.html&#39;)\">"},
        {"x<script>w('<a href=\"s.html?a=1&#38b=2\">')</script>", "n.html#a&b", "n.html#a&b",
         "x<script>w('<a href=\"n.html#a&b\">')</script>"},
    };
    for (const auto& [name, scan] : kScanners) {
        for (const RewriteCase& c : cases) {
            std::string page = c.before;
            std::size_t position = 0;
            std::size_t length = 0;
            scan(page, passOf("A", "HREF"), 0, [&](LinkCandidate& candidate) {
                candidate.replace(c.newText);
                position = candidate.position();
                length = candidate.length();
            });
            EXPECT_EQ(page, c.after) << name;
            ASSERT_GT(position, 0U) << name << ": " << c.before;
            EXPECT_EQ(page.substr(position - 1, length), c.written) << name << ": " << c.before;
        }
        // The quoted-string passes take text as it stands.
        std::string script = "x<script>a='q.html?a=1&#38b=2';</script>";
        scan(script, passOf("'", ""), 1, [&](LinkCandidate& c) {
            EXPECT_EQ(c.value(), "q.html?a=1&#38b=2");
            c.replace("n.html#a&b");
        });
        EXPECT_EQ(script, "x<script>a='n.html#a&b';</script>") << name;
    }
}

struct QuoteCase {
    const char* what;
    std::string page;
    int mode;
    const char* quote;
    Values expected;
};

TEST(ParserQuotedStrings, TakeAddressLikeStringsPerMode) {
    const std::string script = "x<script>var a='menu/next.html';</script>";
    const std::string outside = "x<b>'menu/next.html'</b>";
    const std::vector<QuoteCase> cases = {
        {"inside script, mode 1", script, 1, "'", {"menu/next.html"}},
        {"inside script, mode 2", script, 2, "'", {"menu/next.html"}},
        {"outside script, mode 1", outside, 1, "'", {}},
        {"outside script, mode 2", outside, 2, "'", {"menu/next.html"}},
        {"after the script block", "x<script>a=1</script>'s.html'>", 1, "'", {}},
        {"the script tag's own attributes are not script text",
         "x<script data-root='./' src='a.js'>b='c/d.js'</script>",
         1,
         "'",
         {"c/d.js"}},
        {"nor in mode 2 a reason to skip them",
         "x<script data-root='./'>b='c/d.js'</script>",
         2,
         "'",
         {"./", "c/d.js"}},
        {"upper-case SCRIPT", "x<SCRIPT>a=\"d/e.js\"</SCRIPT>", 1, "\"", {"d/e.js"}},
        {"MIME types and prose never",
         "x<script type='text/javascript'>a='a b.html';b='TEXT/CSS';c='b.html'</script>",
         1,
         "'",
         {"b.html"}},
        {"no > after the string", "x'tail.html'", 2, "'", {}},
        {"colon needs ://", "x'mailto:x.y' 'http://h/x'>", 2, "'", {"http://h/x"}},
        {"statement, markup, word", "x'a;b.html' 'a<b.html' 'hello' '' 'ok/'>", 2, "'", {"ok/"}},
        {"closing quote of a string with > opens the next", "x'a>b'c.html'>", 2, "'", {"c.html"}},
        {"double quotes pass ignores single",
         "x<script>'s.html' \"d.html\"</script>",
         1,
         "\"",
         {"d.html"}},
        {"first character is not seen: the quotes pair up shifted",
         "'a.html' 'b.html'>",
         2,
         "'",
         {}},
        {"empty page", "", 2, "'", {}},
    };
    for (const auto& [name, scan] : kScanners) {
        for (const QuoteCase& c : cases) {
            EXPECT_EQ(collect(scan, c.page, passOf(c.quote, ""), c.mode), c.expected)
                << name << ": " << c.what;
        }
    }
}

// Replaces every value found in a pass by its entry in the map and returns what the pass
// found, in order.
Values replaceAll(ScanPass scan, std::string& page, const LinkPass& pass, int aggressive,
                  const std::map<std::string, std::string>& with) {
    Values found;
    scan(page, pass, aggressive, [&](LinkCandidate& c) {
        found.push_back(c.value());
        const auto it = with.find(c.value());
        c.replace(it == with.end() ? c.value() : it->second);
        EXPECT_EQ(c.length(), it == with.end() ? c.value().size() : it->second.size());
    });
    return found;
}

TEST(ParserReplaceValue, PassGoesOnRightAfterLongerAndShorterReplacements) {
    const std::map<std::string, std::string> with = {
        {"one.html", "1"},
        {"two.html", "second/level/two.html"},
        {"w.html", "local/w.html"},
        {"three.html", "3.htm"},
    };
    for (const auto& [name, scan] : kScanners) {
        std::string page = "x<a href=one.html><a href=\"two.html\">t<a "
                           "href=\"javascript:open('w.html','n')\"><a href='three.html'>"s;
        EXPECT_EQ(replaceAll(scan, page, passOf("A", "HREF"), 0, with),
                  (Values{"one.html", "two.html", "w.html", "three.html"}))
            << name;
        EXPECT_EQ(page, "x<a href=1><a href=\"second/level/two.html\">t<a "
                        "href=\"javascript:open('local/w.html','n')\"><a href='3.htm'>")
            << name;

        std::string script = "x<script>a='a.html'; b='bb/c.html';</script>";
        EXPECT_EQ(replaceAll(scan, script, passOf("'", ""), 1,
                             {{"a.html", "a/much/longer/a.html"}, {"bb/c.html", "c"}}),
                  (Values{"a.html", "bb/c.html"}))
            << name;
        EXPECT_EQ(script, "x<script>a='a/much/longer/a.html'; b='c';</script>") << name;
    }
}

TEST(ParserReplaceValue, KeepsEverythingAfterNulBytesAndIgnoresRefusedValues) {
    for (const auto& [name, scan] : kScanners) {
        std::string page = "x<a href=a.html>\0tail\0"s;
        EXPECT_EQ(replaceAll(scan, page, passOf("A", "HREF"), 0, {{"a.html", "dir/a.html"}}),
                  Values{"a.html"});
        EXPECT_EQ(page, "x<a href=dir/a.html>\0tail\0"s) << name;

        // A value refused by the scanner is never offered for a rewrite.
        std::string refused = "x<a href=\"a+b.html\">";
        EXPECT_EQ(replaceAll(scan, refused, passOf("A", "HREF"), 0, {{"a+b.html", "n.html"}}),
                  Values{});
        EXPECT_EQ(refused, "x<a href=\"a+b.html\">") << name;
    }
}

TEST(ParserLinkText, TakesCleanedTextAfterTheTag) {
    for (const auto& [name, scan] : kScanners) {
        std::string page = "x<a href=a.html> Link\r\n text </a><a href=b.html></a><a href=c.html>";
        Values texts;
        scan(page, passOf("A", "HREF"), 0,
             [&](LinkCandidate& c) { texts.push_back(c.linkText()); });
        EXPECT_EQ(texts, (Values{"Link text", "", ""})) << name;

        // Quoted strings have no tag: the text before the page's first "<", as it stands
        // after the rewrites so far.
        for (const auto& [script, titles] :
             {std::pair{"Intro <script>a='q.html'</script>"s, Values{"Intro"}},
              std::pair{"x 'a.html' 'b.html' <p>>"s,
                        Values{"x 'a.html' 'b.html'", "x 'local/a.html' 'b.html'"}}}) {
            std::string text = script;
            texts.clear();
            scan(text, passOf("'", ""), 2, [&](LinkCandidate& c) {
                texts.push_back(c.linkText());
                c.replace("local/" + c.value());
            });
            EXPECT_EQ(texts, titles) << name << ": " << script;
        }
    }
}

TEST(ParserCodebase, IsLookedUpInTheSameAppletTagOnly) {
    for (const auto& [name, scan] : kScanners) {
        std::string page = "x<APPLET CODE=\"A.class\" CODEBASE=\"java/\"><applet code=B.class>"
                           "<applet codebase=cb/ code=C.class>< applet code=D.class><applet "
                           "codebase=next/>";
        std::vector<std::pair<std::string, std::string>> found;
        scan(page, linkPassTable()[10], 0,
             [&](LinkCandidate& c) { found.emplace_back(c.value(), c.codebase()); });
        // Before a name with a blank in front, the lookup starts inside the tag and finds
        // the next one.
        EXPECT_EQ(
            found,
            (std::vector<std::pair<std::string, std::string>>{
                {"A.class", "java/"}, {"B.class", ""}, {"C.class", "cb/"}, {"D.class", "next/"}}))
            << name;
    }
}

TEST(ParserCandidates, DropsAnchorsMailAndQuotes) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"", false},          {"#top", false},      {"mailto:a", false}, {"x.html?MAILTO:b", false},
        {"it's.html", false}, {"a.html#top", true}, {"a b.html", true},
    };
    for (const auto& [value, kept] : cases) {
        EXPECT_EQ(isLinkCandidate(value), kept) << value;
    }

    for (const auto& [name, scan] : kScanners) {
        std::string page = "x<a href=\"#top\"><a href=\"mailto:a\"><a href=\"it's.html\">"
                           "<a href=\"dir\\x.html\">";
        Values links;
        scan(page, linkPassTable()[3], 0, [&](LinkCandidate& c) { links.push_back(c.link()); });
        EXPECT_EQ(links, (Values{"dir/x.html"})) << name;
    }
}

// One hit of a full scan: the pass that found it and the value.
using Hits = std::vector<std::pair<int, std::string>>;

// The page scanner's hits, checked against the reference's.
Hits scanPage(const std::string& page, int aggressive) {
    Hits hits;
    Hits reference;
    std::string text = page;
    scanAllLinks(text, aggressive,
                 [&](LinkCandidate& c) { hits.emplace_back(c.pass().number, c.value()); });
    text = page;
    test::referenceScanAll(text, aggressive, [&](LinkCandidate& c) {
        reference.emplace_back(c.pass().number, c.value());
    });
    EXPECT_EQ(hits, reference);
    return hits;
}

TEST(ParserPasses, RunInTableOrderPerAggressiveSetting) {
    const std::string page =
        "<html><head><title>T</title><script src=\"s.js\"></script>"
        "<link rel=stylesheet href=\"st.css\"></head><body background=\"bg.gif\">"
        "<frameset><frame src=\"f.html\"></frameset><a href=\"a.html\">A</a>"
        "<img src=\"i.gif\"><input type=image src=\"in.gif\">"
        "<meta http-equiv=refresh content=\"0; URL=m.html\"><bgsound src=\"snd.wav\">"
        "<map><area href=\"ar.html\"></map><applet code=\"C.class\" codebase=\"cb/\"></applet>"
        "<embed src=\"e.swf\"><param name=\"movie\" value=\"p.swf\">"
        "<script>var x='q/one.html'; var y=\"q/two.html\";</script><p>'out.html'</p>"
        "</body></html>";
    const Hits tagPasses = {{1, "s.js"},    {2, "st.css"},  {3, "f.html"},   {4, "a.html"},
                            {4, "ar.html"}, {5, "i.gif"},   {6, "in.gif"},   {7, "m.html"},
                            {8, "bg.gif"},  {9, "snd.wav"}, {10, "ar.html"}, {11, "C.class"},
                            {12, "e.swf"},  {13, "p.swf"}};
    EXPECT_EQ(scanPage(page, 0), tagPasses);

    // The script tag's own src is an attribute, not script text.
    Hits limited = tagPasses;
    limited.insert(limited.end(), {{14, "q/one.html"}, {15, "q/two.html"}});
    EXPECT_EQ(scanPage(page, 1), limited);

    const Hits anywhere = {
        {14, "q/one.html"}, {14, "out.html"}, {15, "s.js"},    {15, "st.css"},
        {15, "bg.gif"},     {15, "f.html"},   {15, "a.html"},  {15, "i.gif"},
        {15, "in.gif"},     {15, "snd.wav"},  {15, "ar.html"}, {15, "C.class"},
        {15, "cb/"},        {15, "e.swf"},    {15, "p.swf"},   {15, "q/two.html"}};
    EXPECT_EQ(scanPage(page, 2), anywhere);

    for (int aggressive : {0, 1, 2}) {
        EXPECT_TRUE(scanPage("", aggressive).empty());
    }
}

TEST(ParserPasses, LaterPassesSeeEarlierReplacementsAndPassProperties) {
    using ScanAll = void (*)(std::string&, int, const LinkVisitor&);
    for (ScanAll scan : {static_cast<ScanAll>(scanAllLinks), test::referenceScanAll}) {
        std::string page = "x<frameset><frame src=f.html></frameset><map><area href=ar.html></map>"
                           "<img src=i.gif><meta content=\"0;URL=r.html\">";
        std::vector<std::string> seen;
        scan(page, 0, [&](LinkCandidate& c) {
            seen.push_back(std::to_string(c.pass().number) + " " + c.value() +
                           (c.pass().isFrame() ? " frame" : "") +
                           (c.pass().keepsPageLevel() ? " same-level" : ""));
            if (c.value() == "ar.html") {
                c.replace("local/ar.html");
            }
        });
        EXPECT_EQ(seen, (std::vector<std::string>{"3 f.html frame same-level", "4 ar.html",
                                                  "5 i.gif same-level", "7 r.html same-level",
                                                  "10 local/ar.html"}));
        EXPECT_NE(page.find("<area href=local/ar.html>"), std::string::npos);
    }
}

// The passes after the fifteen: tags named exactly so, every SRCSET candidate, media and
// object addresses, inline frames, and the url() and @import addresses of style blocks and
// style attributes, in table order and after the fifteen whatever the aggressive setting.
TEST(ParserPasses, AddedPassesFollowTheFifteen) {
    const std::string page =
        "x<style>@import \"im.css\"; p{background:url('bg.png')}</style>"
        "<p style=\"background:url(st.png); color:red\">t"
        "<picture><source srcset=\"s1.webp 1x, s2.webp 2x\">"
        "<img src=\"i.jpg\" srcset=\"i1.jpg 480w,i2.jpg 800w\"></picture>"
        "<video src=\"v.mp4\" poster=\"po.jpg\"><source src=\"v.webm\"><track src=\"t.vtt\">"
        "</video><audio src=\"a.mp3\"></audio><object data=\"o.svg\"></object>"
        "<iframe src=\"f.html\"></iframe><sources src=\"no1.png\"><imgx srcset=\"no2.png\">"
        "<videos src=\"no3.mp4\"><style>/* url(no4.png) */</style>";
    const Hits added = {{16, "i1.jpg"}, {16, "i2.jpg"}, {17, "s1.webp"}, {17, "s2.webp"},
                        {18, "v.webm"}, {19, "v.mp4"},  {20, "po.jpg"},  {21, "a.mp3"},
                        {22, "t.vtt"},  {23, "o.svg"},  {24, "f.html"},  {25, "im.css"},
                        {25, "bg.png"}, {26, "st.png"}};
    Hits all = {{5, "i.jpg"}};
    all.insert(all.end(), added.begin(), added.end());
    EXPECT_EQ(scanPage(page, 0), all);
    EXPECT_TRUE(std::equal(added.rbegin(), added.rend(), scanPage(page, 2).rbegin()));
    EXPECT_TRUE(linkPassTable()[2].isFrame() && addedLinkPasses()[8].isFrame());
}

// Rewrites in the added passes change only the address: descriptors, quotes and the rest of
// the style text stay, escapes are replaced with the new text, and a url() stays readable
// unquoted.
TEST(ParserPasses, AddedPassesRewriteOnlyTheAddress) {
    for (const auto& [name, scan] : kScanners) {
        std::string page = "x<img srcset=\"a.png 1x, b.png 2x\">"
                           "<p style='background:url(c\\29 .png) no-repeat'>"
                           "<style>@import \"d.css\"; q{b:url( e.png )}</style>";
        for (const LinkPass& pass : addedLinkPasses())
            scan(page, pass, 0, [&](LinkCandidate& c) { c.replace("L(" + c.value() + ")"); });
        EXPECT_EQ(page, "x<img srcset=\"L(a.png) 1x, L(b.png) 2x\">"
                        "<p style='background:url(L%28c%29.png%29) no-repeat'>"
                        "<style>@import \"L%28d.css%29\"; q{b:url( L%28e.png%29 )}</style>")
            << name;
    }
}

// The scanner keeps its tag index across passes and follows each pass's rewrites; a rewrite
// that adds a "<", removes one, or changes the name after a "<" (directly or across gap
// bytes) must leave it listing what a fresh look at the page lists.
TEST(ParserPasses, RewritesThatMakeOrUnmakeTagsReachLaterPasses) {
    const std::string pieces[] = {
        "<",      "a",      "img",          " src=", " href=", "\"",   "'",         ">",
        "x.gif",  "y.html", "< ",           "=",     "<scr",   "ipt>", "</script>", " data=",
        "object", "frame",  "<iframe src=", "\r\n",  "<'",     "<\"",  "< ='"};
    const std::string with[] = {"<img src=n.gif",
                                "q<",
                                "<",
                                "a.html<a href='b.html'>",
                                "=\"ifr",
                                "<link href=l.css>",
                                "i<<area href=r.html",
                                "img.gif",
                                "ScRiPt.js",
                                "area/x.html",
                                "iframe src=f.html",
                                "object data=o.swf"};
    auto rewrite = [&](LinkCandidate& c) {
        const std::size_t pick = std::hash<std::string>{}(c.value()) + c.pass().number;
        if (pick % 3 != 0)
            c.replace(with[pick % std::size(with)]);
    };
    using ScanAll = void (*)(std::string&, int, const LinkVisitor&);
    const std::pair<const char*, ScanAll> scanners[] = {{"page scanner", scanAllLinks},
                                                        {"reference", test::referenceScanAll}};
    for (const auto& [name, scanAll] : scanners) {
        // The quoted string after "<= '" is where the tag's name starts.
        std::string page = "x<script><= 'y.html'></script>";
        Values found;
        scanAll(page, 1, [&](LinkCandidate& c) {
            found.push_back(c.value());
            if (c.pass().quoted)
                c.replace("iframe src=f.html");
        });
        EXPECT_EQ(found, (Values{"y.html", "f.html"})) << name;
    }
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        std::string page = "x";
        for (std::size_t n = 4 + random() % 30; n > 0; --n)
            page += pieces[random() % std::size(pieces)];
        const int aggressive = static_cast<int>(random() % 3);
        std::string reference = page;
        std::vector<std::pair<int, std::string>> seen;
        std::vector<std::pair<int, std::string>> expected;
        scanAllLinks(page, aggressive, [&](LinkCandidate& c) {
            seen.emplace_back(c.pass().number, c.value());
            rewrite(c);
        });
        test::referenceScanAll(reference, aggressive, [&](LinkCandidate& c) {
            expected.emplace_back(c.pass().number, c.value());
            rewrite(c);
        });
        ASSERT_EQ(seen, expected) << reference;
        ASSERT_EQ(page, reference);
    }
}

// A saved style sheet is one piece of style text.
TEST(ParserPasses, StylesheetPassReadsTheWholeText) {
    for (const auto& [name, scan] : kScanners) {
        std::string css = "@import url(a.css);\nbody{background:url(\"b.png\")}<p>";
        Values found;
        scan(css, stylesheetPass(), 0, [&](LinkCandidate& c) {
            found.push_back(c.value());
            c.replace("x/" + c.value());
        });
        EXPECT_EQ(found, (Values{"a.css", "b.png"})) << name;
        EXPECT_EQ(css, "@import url(x/a.css);\nbody{background:url(\"x/b.png\")}<p>") << name;
    }
}

// The banner's lookups: a tag and its end from a chosen position, never a value.
TEST(ParserPageLookups, TagPositionsForLookupsFromChosenPositions) {
    const std::string page = "<script>w('<body>')</script><BODY bgcolor=x>t</BODY>< body";
    const std::size_t inScript = page.find("<body>");
    const std::size_t real = page.find("<BODY");
    const std::size_t cut = page.rfind('<');
    const struct {
        std::size_t from;
        std::size_t start; // its end is the next ">"
    } steps[] = {
        {0, inScript},
        {page.find("/script"), real},
        {real + 1, cut},
        {page.size(), std::string::npos},
    };
    for (const auto& step : steps) {
        const TagBounds tag = findTag(page, "BODY", step.from);
        EXPECT_EQ(tag.start, step.start) << step.from;
        EXPECT_EQ(tag.end, tag.found() ? page.find('>', tag.start) : std::string::npos);
    }
    EXPECT_FALSE(findTag("", "BODY", 0).found());
}

// The name search must find the tag a walk over every "<" finds: gap bytes after the "<", a
// name in other words or case, a "<" just before the start position.
TEST(ParserPageLookups, TagSearchAgreesWithAWalkOverEveryTag) {
    auto walk = [](std::string_view text, std::string_view tag, std::size_t from) {
        for (std::size_t lt = text.find('<', from); lt != std::string_view::npos;
             lt = text.find('<', lt + 1)) {
            std::size_t name = lt + 1;
            while (name < text.size() && isTagGap(text[name]))
                ++name;
            if (tagNameAt(text, name, tag))
                return lt;
        }
        return std::string_view::npos;
    };
    std::mt19937 random(5);
    const std::string pieces[] = {"<", "body", "BoDy", "/body", " ", "=", "'", "x", "<<", ">"};
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        for (std::size_t n = random() % 12; n > 0; --n)
            text += pieces[random() % std::size(pieces)];
        const std::size_t from = random() % (text.size() + 2);
        for (const std::string_view tag : {"BODY", "/BODY", "B"}) {
            const TagBounds found = findTag(text, tag, from);
            ASSERT_EQ(found.start, walk(text, tag, from)) << text << " / " << tag << " " << from;
            if (found.found()) {
                ASSERT_EQ(found.end, text.find('>', found.start));
            }
        }
    }
}

TEST(ParserPageLookups, TitleAndBase) {
    const std::vector<std::pair<std::string, std::string>> titles = {
        {"<head><title> My  Page </TITLE>", "My  Page"},
        {"<TiTlE>a\r\nb</tItLe>", "ab"},
        {"<title lang=en>x</title>", ""},
        {"<title>never closed", ""},
        {"<p>no title</p>", ""},
    };
    for (const auto& [page, title] : titles) {
        EXPECT_EQ(pageTitle(page), title) << page;
    }
    // Stored as written; read as the page shows it.
    const std::vector<std::pair<std::string, std::string>> decoded = {
        {"Home &amp; Garden", "Home & Garden"},
        {"Caf&eacute; &#233;t&#xE9; &lt;b&gt;", "Caf\u00e9 \u00e9t\u00e9 <b>"},
        {"&#32; a &#10;&#9; b&nbsp;", "a b\u00a0"},
        {"AT&T &unknown; 5 &lt 6", "AT&T &unknown; 5 < 6"},
        {"", ""},
    };
    for (const auto& [stored, shown] : decoded) {
        EXPECT_EQ(decodedTitle(stored), shown) << stored;
    }

    struct BaseCase {
        std::string page;
        std::string href;
        std::string after;
    };
    const std::vector<BaseCase> bases = {
        {"<BASE HREF=\"http://h/base/\"><a href=x.html>", "http://h/base/", "<a href=x.html>"},
        {"<p><base href='http://h/b/' target=_top>x", "http://h/b/", "<p>x"},
        {"<basefont size=3><BASE HREF=\"http://h/b/\">", "",
         "<basefont size=3><BASE HREF=\"http://h/b/\">"},
        {"<p><base href=\"http://h/", "", "<p><base href=\"http://h/"},
        {"<p>no base", "", "<p>no base"},
        {"", "", ""},
    };
    for (const BaseCase& c : bases) {
        std::string page = c.page;
        const BaseTag found = findBaseTag(page);
        const BaseTag reference = test::referenceFindBaseTag(page);
        EXPECT_EQ(std::tie(found.href, found.tagStart, found.tagEnd),
                  std::tie(reference.href, reference.tagStart, reference.tagEnd))
            << c.page;
        EXPECT_EQ(removeBaseTag(page), c.href) << c.page;
        EXPECT_EQ(page, c.after) << c.page;
    }
}

// Random pages through every pass with link conversion: the page scanner must find, queue
// and rewrite exactly what the reference does.
TEST(ParserComparison, RandomPagesGiveWhatTheReferenceGives) {
#ifdef QUARLO_SANITIZED_BUILD
    constexpr int kPages = 1500;
#else
    constexpr int kPages = 20000;
#endif
    test::TempDir dir;
    SettingsStore store(dir.path() + "settings.reg");
    ASSERT_TRUE(store.importRegFile(QUARLO_SOURCE_DATA "/FTypes.reg").ok());
    const FileTypes types(store);
    test::RandomPages random(20240917);
    std::size_t linksSeen = 0;
    for (int i = 0; i < kPages; ++i) {
        const test::RandomComparison compared = test::compareOnRandomPage(random, types);
        ASSERT_EQ(compared.difference, "") << "page " << i << " of " << compared.what;
        linksSeen += compared.links;
    }
    EXPECT_GT(linksSeen, std::size_t{kPages});
}

} // namespace
} // namespace quarlo
