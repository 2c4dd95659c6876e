#include "html/LinkPasses.h"
#include "html/LinkScan.h"
#include "html/TQLParser.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace quarlo {
namespace {

using Values = std::vector<std::string>;

// Every non-empty result of one pass, driven the way the parse thread drives it.
Values collect(TQLParser& parser) {
    Values found;
    do {
        std::string value = parser.NextLink();
        if (!value.empty()) {
            found.push_back(value);
        }
    } while (!parser.passOver());
    return found;
}

Values tagValues(std::string page, const std::string& tag, const std::string& attribute) {
    TQLParser parser(page, tag, ">", attribute);
    return collect(parser);
}

Values quoted(std::string page, int mode, const std::string& quote) {
    TQLParser parser(page, quote, quote, "", mode);
    return collect(parser);
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
        {"blank after double quote is kept", "x<A HREF=\" y.html\">", "A", "HREF", {" y.html"}},
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
        {"tab is part of the value", "x<A HREF=\tt.html>", "A", "HREF", {"\tt.html"}},
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
    for (const TagCase& c : cases) {
        EXPECT_EQ(tagValues(c.page, c.tag, c.attribute), c.expected) << c.what;
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
    for (const QuoteCase& c : cases) {
        EXPECT_EQ(quoted(c.page, c.mode, c.quote), c.expected) << c.what;
    }
}

// Replaces every value found in a pass by its entry in the map and returns what the pass
// found, in order.
Values replaceAll(TQLParser& parser, const std::map<std::string, std::string>& with) {
    Values found;
    do {
        std::string value = parser.NextLink();
        if (!value.empty()) {
            found.push_back(value);
            auto it = with.find(value);
            parser.ReplaceValue(it == with.end() ? value : it->second);
        }
    } while (!parser.passOver());
    return found;
}

TEST(ParserReplaceValue, PassGoesOnRightAfterLongerAndShorterReplacements) {
    const std::map<std::string, std::string> with = {
        {"one.html", "1"},
        {"two.html", "second/level/two.html"},
        {"w.html", "local/w.html"},
        {"three.html", "3.htm"},
    };
    std::string page = "x<a href=one.html><a href=\"two.html\">t<a "
                       "href=\"javascript:open('w.html','n')\"><a href='three.html'>"s;
    TQLParser parser(page, "A", ">", "HREF");
    EXPECT_EQ(replaceAll(parser, with), (Values{"one.html", "two.html", "w.html", "three.html"}));
    EXPECT_EQ(page, "x<a href=1><a href=\"second/level/two.html\">t<a "
                    "href=\"javascript:open('local/w.html','n')\"><a href='3.htm'>");

    std::string script = "x<script>a='a.html'; b='bb/c.html';</script>";
    TQLParser quotes(script, "'", "'", "", 1);
    EXPECT_EQ(replaceAll(quotes, {{"a.html", "a/much/longer/a.html"}, {"bb/c.html", "c"}}),
              (Values{"a.html", "bb/c.html"}));
    EXPECT_EQ(script, "x<script>a='a/much/longer/a.html'; b='c';</script>");
}

TEST(ParserReplaceValue, KeepsEverythingAfterNulBytesAndIgnoresRefusedValues) {
    std::string page = "x<a href=a.html>\0tail\0"s;
    TQLParser parser(page, "A", ">", "HREF");
    EXPECT_EQ(parser.NextLink(), "a.html");
    parser.ReplaceValue("dir/a.html");
    EXPECT_EQ(page, "x<a href=dir/a.html>\0tail\0"s);

    // A value refused by the scanner gives no position to write to.
    std::string refused = "x<a href=\"a+b.html\">";
    TQLParser plus(refused, "A", ">", "HREF");
    EXPECT_EQ(plus.NextLink(), "");
    plus.ReplaceValue("new.html");
    EXPECT_EQ(refused, "x<a href=\"a+b.html\">");
}

TEST(ParserLinkText, TakesCleanedTextAfterTheTag) {
    std::string page = "x<a href=a.html> Link\r\n text </a><a href=b.html></a><a href=c.html>";
    TQLParser parser(page, "A", ">", "HREF");
    Values texts;
    do {
        if (!parser.NextLink().empty()) {
            texts.push_back(parser.LinkText());
        }
    } while (!parser.passOver());
    EXPECT_EQ(texts, (Values{"Link text", "", ""}));

    // Quote mode has no tag: the text before the page's first "<".
    std::string script = "Intro <script>a='q.html'</script>";
    TQLParser quotes(script, "'", "'", "", 1);
    EXPECT_EQ(quotes.NextLink(), "q.html");
    EXPECT_EQ(quotes.LinkText(), "Intro");
}

TEST(ParserCodebase, IsLookedUpInTheSameAppletTagOnly) {
    std::string page = "x<APPLET CODE=\"A.class\" CODEBASE=\"java/\"><applet code=B.class>"
                       "<applet codebase=cb/ code=C.class>";
    std::vector<std::pair<std::string, std::string>> found;
    scanLinks(page, linkPassTable()[10], 0,
              [&](LinkCandidate& c) { found.emplace_back(c.value(), c.codebase()); });
    EXPECT_EQ(found, (std::vector<std::pair<std::string, std::string>>{
                         {"A.class", "java/"}, {"B.class", ""}, {"C.class", "cb/"}}));
}

TEST(ParserCandidates, DropsAnchorsMailAndQuotes) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"", false},          {"#top", false},      {"mailto:a", false}, {"x.html?MAILTO:b", false},
        {"it's.html", false}, {"a.html#top", true}, {"a b.html", true},
    };
    for (const auto& [value, kept] : cases) {
        EXPECT_EQ(isLinkCandidate(value), kept) << value;
    }

    std::string page = "x<a href=\"#top\"><a href=\"mailto:a\"><a href=\"it's.html\">"
                       "<a href=\"dir\\x.html\">";
    Values links;
    scanLinks(page, linkPassTable()[3], 0, [&](LinkCandidate& c) { links.push_back(c.link()); });
    EXPECT_EQ(links, (Values{"dir/x.html"}));
}

// One hit of a full scan: the pass that found it and the value.
using Hits = std::vector<std::pair<int, std::string>>;

Hits scanPage(std::string page, int aggressive) {
    Hits hits;
    scanAllLinks(page, aggressive,
                 [&](LinkCandidate& c) { hits.emplace_back(c.pass().number, c.value()); });
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

    Hits limited = tagPasses;
    limited.insert(limited.end(), {{14, "q/one.html"}, {15, "s.js"}, {15, "q/two.html"}});
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
    std::string page = "x<frameset><frame src=f.html></frameset><map><area href=ar.html></map>"
                       "<img src=i.gif><meta content=\"0;URL=r.html\">";
    std::vector<std::string> seen;
    scanAllLinks(page, 0, [&](LinkCandidate& c) {
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

// The banner lookup drives one parser by hand: no attribute, positions set by the caller.
TEST(ParserPageLookups, TagPositionsForLookupsFromChosenPositions) {
    std::string page = "<script>w('<body>')</script><BODY bgcolor=x>t</BODY>";
    const std::size_t inScript = page.find("<body>") + 1;
    const std::size_t real = page.find("<BODY") + 1;
    TQLParser parser(page, "BODY", ">", "");
    const std::vector<std::pair<std::size_t, std::size_t>> steps = {
        // search from, expected tag start (its end is the next ">")
        {1, inScript},
        {page.find("/script") + 1, real},
        {page.size(), 0},
        {1, inScript},
    };
    for (const auto& [from, start] : steps) {
        parser.setSearchPos(from);
        EXPECT_EQ(parser.NextTagValue(), "");
        EXPECT_EQ(parser.tagStart(), start) << from;
        EXPECT_EQ(parser.tagEnd(), start == 0 ? 0 : page.find('>', start - 1) + 1) << from;
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
        EXPECT_EQ(removeBaseTag(page), c.href) << c.page;
        EXPECT_EQ(page, c.after) << c.page;
    }
}

} // namespace
} // namespace quarlo
