#include "html/TextSearch.h"
#include "html/UrlFunctions.h"
#include "platform/TextUtil.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace quarlo {
namespace {

struct SplitCase {
    const char* url;
    const char* protocol;
    const char* host;
    const char* port;
    const char* path;
    const char* fileName;
    const char* extension;
    const char* query;
    const char* anchor;
};

TEST(TbrURLTest, SplitsEveryPart) {
    const SplitCase cases[] = {
        {"http://www.alpha.test:81/a/b/page.html?x=1#top", "http://", "www.alpha.test", "81",
         "a/b/", "page.html", ".html", "?x=1#top", ""},
        {"http://h", "http://", "h", "", "", "", "", "", ""},
        {"http://h/docs/readme", "http://", "h", "", "docs/readme/", "", "", "", ""},
        {"http://h/a.b/c.html?p=1/2#x", "http://", "h", "", "a.b/", "c.html", ".html", "?p=1/2#x",
         ""},
        {"http://h/page.html#sec", "http://", "h", "", "", "page.html", ".html", "", "#sec"},
        {"http://h/dir#x", "http://", "h", "", "dir/", "", "", "", "#x"},
        {"http://h/x.cgi?a=1", "http://", "h", "", "", "x.cgi", ".cgi", "?a=1", ""},
        {"http://h/cgi?a=1", "http://", "h", "", "", "cgi", "", "?a=1", ""},
        {"https://h:8443", "https://", "h", "8443", "", "", "", "", ""},
        {"http:\\\\h\\a\\b.gif", "http://", "h", "", "a/", "b.gif", ".gif", "", ""},
        {"www.alpha.test/a", "", "www.alpha.test", "", "a/", "", "", "", ""},
        {"page.html", "", "page.html", "", "", "", "", "", ""},
        {"./page.html", "", "", "", "", "page.html", ".html", "", ""},
        {"http://h/a/b.c:d", "http://", "h", "", "a/b.c:d/", "", "", "", ""},
        {"http://h/a/..", "http://", "h", "", "a/", "..", ".", "", ""},
        {"http:///x.html", "http://", "", "", "", "x.html", ".html", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        TbrURL u;
        u.SetURL("http://other/stale.html?q#a"); // every field is recomputed
        u.SetURL(c.url);
        EXPECT_EQ(u.URL, c.url);
        EXPECT_EQ(u.Protocol, c.protocol);
        EXPECT_EQ(u.Host, c.host);
        EXPECT_EQ(u.Port, c.port);
        EXPECT_EQ(u.Path, c.path);
        EXPECT_EQ(u.FileName, c.fileName);
        EXPECT_EQ(u.Extension, c.extension);
        EXPECT_EQ(u.Query, c.query);
        EXPECT_EQ(u.Anchor, c.anchor);
    }
}

TEST(UrlFunctionsTest, AccessorsAndDerivedParts) {
    EXPECT_EQ(URLFile("http://h/a/x.asp?id=3"), "x.asp?id=3");
    EXPECT_EQ(URLAnchor("http://h/page.html#sec"), "#sec");
    EXPECT_EQ(StripAnchor("http://h/page.html#sec#2"), "http://h/page.html");
    EXPECT_EQ(StripAnchor("http://h/page.html"), "http://h/page.html");

    const std::pair<const char*, const char*> extensions[] = {
        {"http://h/x.cgi?a=1", ".html"}, {"http://h/A.GIF", ".gif"},
        {"http://h/dir/", ""},           {"http://h/dir", ""},
        {"http://h/a.b/c", ""},          {"http://h/p.Html#x", ".html"},
    };
    for (const auto& [url, ext] : extensions) {
        EXPECT_EQ(URLExtension(url), ext) << url;
    }

    const std::pair<const char*, const char*> directories[] = {
        {"http://h/a/b.html?x=/y", "http://h/a/"},
        {"http://h", "http://h/"},
        {"http://h/", "http://h/"},
        {"http://h/a/b/", "http://h/a/b/"},
        {"https://h", "https://h/"},
        {"https://h/x.html", "https://h/"},
    };
    for (const auto& [url, dir] : directories) {
        EXPECT_EQ(URLDirectory(url), dir) << url;
    }

    EXPECT_TRUE(HasScheme("HTTP://h/"));
    EXPECT_TRUE(HasScheme("https:x"));
    EXPECT_TRUE(HasScheme("Ftp:"));
    EXPECT_FALSE(HasScheme("mailto:a@b"));
    EXPECT_FALSE(HasScheme("/http:"));
}

TEST(UrlFunctionsTest, AncestorsAndRelativePaths) {
    EXPECT_EQ(AncestorURL("http://h/a/b/", 0), "http://h/");
    EXPECT_EQ(AncestorURL("http://h/a/b/", 1), "http://h/a/");
    EXPECT_EQ(AncestorURL("http://h/a/b/", 2), "http://h/");
    EXPECT_EQ(AncestorURL("http://h/a/b/", 5), "http://h/");
    EXPECT_EQ(AncestorURL("https://h/a/", 1), "https://h/");
    EXPECT_EQ(AncestorURL("http://h", 1), "http://h");

    EXPECT_EQ(UpLevels("a/b\\c/"), "../../../");
    EXPECT_EQ(UpLevels(""), "");

    const std::tuple<const char*, const char*, const char*> relative[] = {
        {"http://h/a/c/x.html", "http://h/a/b/", "../c/x.html"},
        {"http://h/x.html", "http://h/a/b/", "../../x.html"},
        {"http://h2/x.html", "http://h/a/b/", "http://h2/x.html"},
        {"http://h/a/b/x.html?q=1", "http://h/a/b/", "x.html?q=1"},
        {"http://h/a/b/c/", "http://h/a/", "b/c/"},
        {"/img/a.gif", "http://h/a/b/", "../../img/a.gif"},
        {"http://h/a/x.html", "http://h/", "a/x.html"},
    };
    for (const auto& [target, base, expected] : relative) {
        EXPECT_EQ(RelativePath(target, base), expected) << target << " from " << base;
    }
}

TEST(UrlFunctionsTest, ResolvesLinksAgainstADirectory) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"../../x.html", "http://h/a/b/", "http://h/x.html"},
        {"../../../x.html", "http://h/a/b/", "http://h/x.html"},
        {"/img/a.gif", "http://h/a/b/", "http://h/img/a.gif"},
        {"./x.html", "http://h/a/", "http://h/a/x.html"},
        {"HTTP://Other/x", "http://h/a/", "HTTP://Other/x"},
        {"news://group", "http://h/a/", "news://group"},
        {"a.asp?x=1&amp;y=2", "http://h/", "http://h/a.asp?x=1&y=2"},
        {"sub/page.html", "http://h/a/", "http://h/a/sub/page.html"},
        {"?x=1", "http://h/a/", "http://h/a/?x=1"},
        {"#top", "http://h/a/", "http://h/a/#top"},
        {"pa\nge.ht\r\nml", "http://h/", "http://h/page.html"},
        // Dot-segments anywhere in the path are removed; nothing rises above the root.
        {"sub/../x.html", "http://h/a/", "http://h/a/x.html"},
        {"sub/./x.html", "http://h/a/", "http://h/a/sub/x.html"},
        {"x/..", "http://h/a/", "http://h/a/"},
        {"x/.", "http://h/a/", "http://h/a/x/"},
        {"../../../../etc/passwd", "http://h/a/", "http://h/etc/passwd"},
        {"/../../etc/passwd", "http://h/a/", "http://h/etc/passwd"},
        {"http://h/a/../../../x", "http://z/", "http://h/x"},
        {"HTTPS://h:81/a/b/../c", "http://z/", "HTTPS://h:81/a/c"},
        {"x.cgi?p=../../y/./z", "http://h/a/", "http://h/a/x.cgi?p=../../y/z"},
        {"x.html#../../y", "http://h/a/", "http://h/a/x.html#../../y"},
        // A host of ".." or "." never survives.
        {"http://../x.html", "http://h/", "http:///x.html"},
        {"http://..:80/x.html", "http://h/", "http://:80/x.html"},
        {"x.html", "http://../", "http:///x.html"},
    };
    for (const auto& [link, base, expected] : cases) {
        EXPECT_EQ(ResolveURL(link, base), expected) << link << " against " << base;
    }
    EXPECT_EQ(ResolveLink("http://../x.html", "http://h/"), "");
    EXPECT_EQ(ResolveLink("sub", "http://h/a/"), "http://h/a/sub/");
}

TEST(UrlFunctionsTest, NormalizeCompletesInPlace) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"http://h", "http://h/", true},
        {"http://h/dir/readme", "http://h/dir/readme/", true},
        {"http://h/a.html", "http://h/a.html", true},
        {"http://h/cgi?x=1&AMP;y=2", "http://h/cgi?x=1&y=2", true},
        {"www.alpha.test", "http://www.alpha.test/", true},
        {"h\\a\\b", "http://h/a/b/", true},
        {"C:\\pages\\a.htm", "file://C:/pages/a.htm", true},
        {"http:///x", "http:///x", false},
        {"", "http://", false},
    };
    for (const auto& [input, expected, ok] : cases) {
        std::string url = input;
        EXPECT_EQ(NormalizeURL(url), ok) << input;
        EXPECT_EQ(url, expected) << input;
    }
    EXPECT_EQ(ResolveLink("x", "http:///"), "");
}

TEST(UrlFunctionsTest, ValidateReturnsTheMessageToShow) {
    std::string url = "www.alpha.test";
    EXPECT_TRUE(ValidateURL(url).ok());
    EXPECT_EQ(url, "http://www.alpha.test/");

    url = "C:\\pages\\a.htm";
    Status status = ValidateURL(url);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.message(),
              "Invalid URL.\nNOTE: file:// && ftp:// not supported in this version of Quarlo.");
    EXPECT_EQ(url, "file://C:/pages/a.htm");

    url = "http:///";
    EXPECT_EQ(ValidateURL(url).message(), "Invalid URL.");
    url = "ftp://h/f.zip";
    EXPECT_FALSE(ValidateURL(url).ok());
    url = "HTTPS://h/";
    EXPECT_TRUE(ValidateURL(url).ok());
}

TEST(FileNamesTest, SiteShortNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"http://alpha.test/", "alpha_test"},
        {"http://a.b.c/x", "a_b"},
        {"http://www.alpha.test/x", "alpha"},
        {"http://localhost:8080/", "localhost"},
        {"http:\\\\www.beta.test\\", "beta"},
        // Names the rules leave empty or unusable fall back to the host.
        {"http://www.alpha/x", "www_alpha"},
        {"http://www.a/b.c", "www_a"},
        {"http://h/www.x", "h"},
        {"http://../", "_"},
        {"http://./x", "site"},
        {"", "site"},
        {std::string("http://a\x01.test/"), "site"},
    };
    for (const auto& [url, expected] : cases) {
        EXPECT_EQ(SiteShortName(url), expected) << url;
    }
    // A very long host is cut between UTF-8 characters.
    std::string host;
    for (int i = 0; i < 150; ++i) {
        host += "\xC3\xB6";
    }
    const std::string name = SiteShortName("http://" + host + ".test/");
    EXPECT_LE(name.size(), 200u);
    EXPECT_EQ(name.size() % 2, 0u);
}

TEST(FileNamesTest, DisplayNamesDecodeOnlyWhatReadsTrue) {
    const std::pair<const char*, const char*> cases[] = {
        {"caf%C3%A9.html", "caf\xC3\xA9.html"},
        {"127.0.0.1/sub%20dir/caf%c3%a9.html", "127.0.0.1/sub dir/caf\xC3\xA9.html"},
        {"folder/", "folder/"},
        {"100%.html", "100%.html"},           // no escape to decode
        {"a%2Fb.html", "a%2Fb.html"},         // would read as a folder
        {"%2E%2E", "%2E%2E"},                 // would read as a step up
        {"x%00y", "x%00y"},                   // a control character
        {"caf%E9.html", "caf%E9.html"},       // Latin-1, not UTF-8
        {"%C0%AF", "%C0%AF"},                 // overlong form
        {"%ED%A0%80", "%ED%A0%80"},           // a surrogate
        {"ok%20/bad%FF", "ok /bad%FF"},       // each name on its own
        {"%F0%9F%98%80", "\xF0\x9F\x98\x80"}, // beyond the basic plane
    };
    for (const auto& [stored, shown] : cases)
        EXPECT_EQ(displayFileName(stored), shown) << stored;
}

TEST(FileNamesTest, UniqueNamesAndCopies) {
    test::TempDir dir;
    EXPECT_EQ(FileNameNoExt("/a/b/site.qlt"), "site");
    EXPECT_EQ(FileNameNoExt("site.tar.gz"), "site.tar");
    EXPECT_EQ(FileNameNoExt("/a.b/readme"), "readme");

    const std::string path = dir.path() + "site.qlt";
    EXPECT_EQ(UniqueFileName(path), path);
    test::writeWholeFile(path, "x");
    EXPECT_EQ(UniqueFileName(path), dir.path() + "site(0).qlt");
    test::writeWholeFile(dir.path() + "site(0).qlt", "x");
    std::filesystem::create_directory(dir.path() + "site(1).qlt");
    EXPECT_EQ(UniqueFileName(path), dir.path() + "site(2).qlt");
    test::writeWholeFile(dir.path() + "plain", "x");
    EXPECT_EQ(UniqueFileName(dir.path() + "plain"), dir.path() + "plain(0)");

    const std::string target = dir.path() + "x/y/copy.qlt";
    EXPECT_TRUE(CopyFileMakingFolder(path, target));
    test::writeWholeFile(path, "new");
    EXPECT_TRUE(CopyFileMakingFolder(path, target));
    EXPECT_EQ(test::readWholeFile(target), "new");
    EXPECT_FALSE(CopyFileMakingFolder(dir.path() + "missing", dir.path() + "z/copy"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "z"));
}

TEST(TextSearchTest, FindTextMatchesWithWildcardAndFolding) {
    struct Case {
        const char* text;
        const char* pattern;
        std::size_t start;
        bool fold;
        std::size_t expected;
    };
    const Case cases[] = {
        {"http://h/Page", "page", 1, true, 10},
        {"http://h/Page", "page", 1, false, 0},
        {"a page", "p?ge", 1, false, 3},
        {"a pAge", "p?ge", 1, true, 3},
        {"abcabc", "abc", 2, false, 4},
        {"abcabc", "abc", 4, false, 4},
        {"abcabc", "abc", 5, false, 0},
        {"abc", "abc", 0, false, 0},
        {"abc", "", 1, false, 0},
        {"", "a", 1, false, 0},
        {"abc", "abcd", 1, false, 0},
        {"ab", "b", 3, false, 0},
        // Bytes above 127 never fold; the fold flips bit 0x20 of 'A'..'z' only.
        {"\xC3\xA9", "\xC3\x89", 1, true, 0},
        {"x[y", "x{y", 1, true, 0},
        {"x`y", "x@y", 1, true, 1},
        {"x@y", "x`y", 1, true, 0},
        {"??a", "?a", 1, false, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindText(c.text, c.pattern, c.start, c.fold), c.expected)
            << c.text << " / " << c.pattern << " from " << c.start;
    }
}

TEST(TextSearchTest, FindTextAgreesWithAPlainScan) {
    // The fast paths (first-byte skipping, both ways) must find what a byte-by-byte scan finds.
    std::mt19937 random(7);
    const std::string alphabet = "aAbB?<>sS\xC3\xB6";
    auto make = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        return text;
    };
    // Whether the pattern matches at i (from 1).
    auto matchesAt = [](const std::string& text, const std::string& pattern, std::size_t i,
                        bool fold) {
        for (std::size_t j = 0; j < pattern.size(); ++j) {
            const auto t = static_cast<unsigned char>(text[i - 1 + j]);
            const auto p = static_cast<unsigned char>(pattern[j]);
            if (!(p == '?' || t == p ||
                  (fold && t >= 0x41 && t <= 0x7A && p <= 0x7A && (t ^ 0x20) == p))) {
                return false;
            }
        }
        return true;
    };
    auto plain = [&](const std::string& text, const std::string& pattern, std::size_t start,
                     bool fold) -> std::size_t {
        for (std::size_t i = start; i + pattern.size() <= text.size() + 1; ++i) {
            if (matchesAt(text, pattern, i, fold)) {
                return i;
            }
        }
        return 0;
    };
    // The last match that ends at or before end (0: the whole text).
    auto plainBack = [&](const std::string& text, const std::string& pattern, std::size_t end,
                         bool fold) -> std::size_t {
        end = end == 0 || end > text.size() ? text.size() : end;
        for (std::size_t i = end + 1; i-- > 1;) {
            if (i + pattern.size() <= end + 1 && matchesAt(text, pattern, i, fold)) {
                return i;
            }
        }
        return 0;
    };
    // Texts short and long enough for both the place-by-place and the skipping search.
    for (int round = 0; round < 3000; ++round) {
        const std::string text = make(1 + random() % 120);
        const std::string pattern = make(1 + random() % 3);
        const std::size_t start = 1 + random() % text.size();
        const bool fold = random() % 2 == 0;
        ASSERT_EQ(FindText(text, pattern, start, fold), plain(text, pattern, start, fold))
            << text << " / " << pattern << " from " << start;
        const std::size_t end = random() % (text.size() + 2);
        ASSERT_EQ(FindTextBack(text, pattern, end, fold), plainBack(text, pattern, end, fold))
            << text << " / " << pattern << " back from " << end;
    }
}

TEST(TextSearchTest, CaseFreeReplaceAgreesWithAPlainScan) {
    // The first-byte skipping of the case-free search must replace what a plain scan finds.
    std::mt19937 random(11);
    const std::string alphabet = "aA%2&;:/|*\xC3";
    auto make = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        return text;
    };
    auto plain = [](std::string text, const std::string& pattern, const std::string& with) {
        std::string out;
        std::size_t i = 0;
        while (i < text.size()) {
            if (i + pattern.size() <= text.size() &&
                asciiLower(text.substr(i, pattern.size())) == asciiLower(pattern)) {
                out += with;
                i += pattern.size();
            } else {
                out += text[i++];
            }
        }
        return out;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string text = make(random() % 30);
        const std::string pattern = make(1 + random() % 3);
        const std::string expected = plain(text, pattern, "<>");
        EXPECT_EQ(containsNoCase(text, pattern), expected != text) << text << " / " << pattern;
        ReplaceText(text, pattern, "<>", true);
        ASSERT_EQ(text, expected) << pattern;
    }
}

TEST(TextSearchTest, BackwardAndExactSearches) {
    const std::string page = "<script>var a;</SCRIPT>";
    EXPECT_EQ(FindTextBack(page, "<script", 9, true), 1u);
    EXPECT_EQ(FindTextBack(page, "<script", 6, true), 0u);
    EXPECT_EQ(FindTextBack(page, "script", 0, true), 17u);
    EXPECT_EQ(FindTextBack(page, "script", 0, false), 2u);
    EXPECT_EQ(FindTextBack(page, "script", 1000, true), 17u);
    EXPECT_EQ(FindTextBack("", "a", 0, true), 0u);

    EXPECT_EQ(FindTextExact("a?b a?b", "a?b", 2), 5u);
    EXPECT_EQ(FindTextExact("axb", "a?b", 1), 0u);
    EXPECT_EQ(FindTextExact("AB", "ab", 1), 0u);
    EXPECT_EQ(FindTextExact("ab", "b", 3), 0u);
}

TEST(TextSearchTest, ReplacementsNeverOverlap) {
    struct Case {
        const char* text;
        const char* pattern;
        const char* replacement;
        bool all;
        const char* expected;
    };
    const Case cases[] = {
        {"a///b", "//", "/", true, "a//b"},
        {"x&AMP;y&amp;z", "&amp;", "&", true, "x&y&z"},
        {"x&AMP;y&amp;z", "&amp;", "&", false, "x&y&amp;z"},
        {"aaa", "a", "aa", true, "aaaaaa"},
        {"Page.ASP", ".asp", ".html", true, "Page.html"},
        {"abc", "", "x", true, "abc"},
        {"abc", "z", "x", true, "abc"},
        {"a?c", "?", "!", true, "a!c"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        ReplaceText(text, c.pattern, c.replacement, c.all);
        EXPECT_EQ(text, c.expected) << c.text;
    }
    std::string text = "a/b/c/d";
    ReplaceFrom(text, 4, "/", "-");
    EXPECT_EQ(text, "a/b-c-d");
    ReplaceFrom(text, 0, "/", "-");
    EXPECT_EQ(text, "a-b-c-d");
    ReplaceFrom(text, 99, "-", "/");
    EXPECT_EQ(text, "a-b-c-d");
}

TEST(TextSearchTest, TextBetweenMarkers) {
    EXPECT_EQ(TextBetween("<html><Title>My Page</title>", "<TITLE>", "</TITLE>"), "My Page");
    EXPECT_EQ(TextBetween("<title a>x</title>", "<TITLE>", "</TITLE>"), "");
    EXPECT_EQ(TextBetween("</title><title>x</title>", "<TITLE>", "</TITLE>"), "");
    EXPECT_EQ(TextBetween("<title>x", "<TITLE>", "</TITLE>"), "");
    EXPECT_EQ(TextBetween("<title></title>", "<TITLE>", "</TITLE>"), "");
}

TEST(TextSearchTest, CleaningAndCharacterSwaps) {
    EXPECT_EQ(CleanText("  \tMy\r\n Title\xC2\xB6 \x01"), "My Title");
    // A lone 0xB6 is part of another letter (the second byte of \xC3\xB6) and stays.
    EXPECT_EQ(CleanText("K\xC3\xB6ln"), "K\xC3\xB6ln");
    EXPECT_EQ(CleanText("\xC2\xB6\xC2"), "\xC2");
    EXPECT_EQ(CleanText(" \r\n "), "");

    EXPECT_EQ(ToSlashes("a\\b\\c"), "a/b/c");
    EXPECT_EQ(ToBackslashes("a/b/c"), "a\\b\\c");
    EXPECT_EQ(ReplaceFileChars("a\\b/c:d*e?f\"g<h>i|j", ' '), "a b c d e f g h i j");
}

} // namespace
} // namespace quarlo
