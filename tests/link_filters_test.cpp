#include "html/LinkFilters.h"

#include "html/FileTypes.h"
#include "html/LinkOptions.h"
#include "html/LinkPasses.h"
#include "html/UrlFilterDialog.h"
#include "support/FileTypesFixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quarlo {
namespace {

struct AcceptCase {
    const char* url;
    bool page;
    int testLevel;
    bool accepted;
};

using OptionsSetup = std::function<void(LinkOptions&)>;

// Runs the cases against options that accept everything but what the setup changes.
void expectAcceptance(const char* group, const OptionsSetup& setup, const char* startDirectory,
                      const std::vector<AcceptCase>& cases) {
    LinkOptions options;
    options.pageLocation = LinkOptions::Anywhere;
    options.resourceLocation = LinkOptions::Anywhere;
    setup(options);
    for (const AcceptCase& c : cases) {
        const char* category = c.page ? "HTML" : "Images";
        EXPECT_EQ(AcceptLink(c.url, category, c.testLevel, startDirectory, options), c.accepted)
            << group << ": " << c.url << (c.page ? " (page" : " (resource") << ", level "
            << c.testLevel << ")";
    }
}

TEST(AcceptLink, SchemeAndFileTypes) {
    expectAcceptance("scheme", [](LinkOptions&) {}, "http://h/",
                     {{"ftp://h/x", false, 1, false},
                      {"mailto:x", false, 1, false},
                      {"", true, 1, false},
                      {"HTTPS://h/x.html", true, 1, true},
                      {"http:\\\\h\\x.html", true, 1, true},
                      {"x/http://h/", true, 1, false},
                      {"httpx://h/", true, 1, false}});
    expectAcceptance("file types",
                     [](LinkOptions& p) {
                         p.fileTypes = {".htm", ".HTML", ".gif"};
                     },
                     "http://h/",
                     {{"http://h/a.jpg", false, 1, false},
                      {"http://h/dir/", true, 1, true},
                      {"http://h/x.asp?id=1", true, 1, true},
                      {"http://h/A.Html", true, 1, true}});
    // The script and style sheet shortcut skips depth, filters and location, but only for a
    // task that selects file types.
    const OptionsSetup narrow = [](LinkOptions& p) {
        p.resourceLocation = LinkOptions::WithinDirectory;
        p.urlFiltersExclude = {"elsewhere"};
    };
    expectAcceptance(
        "shortcut",
        [&](LinkOptions& p) {
            narrow(p);
            p.fileTypes = {".js", ".css"};
        },
        "http://h/",
        {{"http://elsewhere/s.js", false, 1, true}, {"http://elsewhere/s.CSS", false, 1, true}});
    expectAcceptance("no shortcut without file types", narrow, "http://h/",
                     {{"http://elsewhere/s.js", false, 1, false}});
}

// With the file-type table, a stylesheet or an image keeps its extension whatever its query,
// for the file-type list and the shortcut alike; other URLs with a query count as ".html".
class AcceptLinkWithTypes : public test::FileTypesFixture {};

TEST_F(AcceptLinkWithTypes, AQueryKeepsAStylesheetsOrImagesExtension) {
    importShippedTable();
    LinkOptions options;
    options.resourceLocation = LinkOptions::WithinDirectory;
    options.fileTypes = {".css", ".PNG", ".html"};
    const struct {
        const char* url;
        bool accepted;
    } cases[] = {
        {"http://elsewhere/a.css?v=3", true}, // the shortcut
        {"http://elsewhere/a.CSS?v=3", true},
        {"http://h/x.png?w=200", true},
        {"http://elsewhere/x.png?w=200", false}, // no shortcut for images
        {"http://h/x.gif?w=200", false},
        {"http://h/x.php?f=a.gif", true}, // no extension that keeps: tested as ".html"
        {"http://h/s.js?v=1", false},
    };
    for (const auto& c : cases) {
        const std::string category = m_types.URLFileType(c.url);
        EXPECT_EQ(AcceptLink(c.url, category, 1, "http://h/", options, &m_types), c.accepted)
            << c.url;
    }
    // Without the table every query counts as ".html", as before.
    EXPECT_FALSE(AcceptLink("http://h/x.png?w=200", "Images", 1, "http://h/", [] {
        LinkOptions png;
        png.fileTypes = {".png"};
        return png;
    }()));
}

TEST(AcceptLink, DepthRefusesPagesOnly) {
    expectAcceptance("depth 0", [](LinkOptions& p) { p.depth = 0; }, "http://h/",
                     {{"http://h/p.html", true, 1, false},
                      {"http://h/frame.html", true, 0, true},
                      {"http://h/x.gif", false, 1, true}});
    expectAcceptance("depth 2", [](LinkOptions& p) { p.depth = 2; }, "http://h/",
                     {{"http://h/p.html", true, 3, false}, {"http://h/p.html", true, 2, true}});
    expectAcceptance("all levels", [](LinkOptions& p) { p.depth = -1; }, "http://h/",
                     {{"http://h/p.html", true, 1000, true}});
}

TEST(AcceptLink, TestLevelKeepsPageLevelForSrcAndUrlPages) {
    const auto pass = [](int number) { return linkPassTable()[number - 1]; };
    EXPECT_EQ(linkTestLevel(2, true, pass(3)), 2);  // FRAME SRC
    EXPECT_EQ(linkTestLevel(2, true, pass(7)), 2);  // META URL
    EXPECT_EQ(linkTestLevel(2, true, pass(5)), 2);  // a page behind IMG SRC
    EXPECT_EQ(linkTestLevel(2, true, pass(4)), 3);  // A HREF
    EXPECT_EQ(linkTestLevel(2, true, pass(15)), 3); // quoted string
    EXPECT_EQ(linkTestLevel(2, false, pass(5)), 3); // a resource, whatever the attribute
}

TEST(AcceptLink, UrlFiltersByScopeExcludeFirst) {
    expectAcceptance(
        "exclude [PL]", [](LinkOptions& p) { p.urlFiltersExclude = {"[PL]cgi"}; }, "http://h/",
        {{"http://h/CGI/x.html", true, 1, false}, {"http://h/cgi/a.gif", false, 1, true}});
    expectAcceptance(
        "exclude [RL]", [](LinkOptions& p) { p.urlFiltersExclude = {"[RL]cgi"}; }, "http://h/",
        {{"http://h/cgi/x.html", true, 1, true}, {"http://h/cgi/a.gif", false, 1, false}});
    expectAcceptance("exclude untagged and [AL]",
                     [](LinkOptions& p) {
                         p.urlFiltersExclude = {"cgi", "[AL]tmp"};
                     },
                     "http://h/",
                     {{"http://h/cgi/x.html", true, 1, false},
                      {"http://h/cgi/a.gif", false, 1, false},
                      {"http://h/TMP/a.gif", false, 1, false},
                      {"http://h/ok.gif", false, 1, true}});
    expectAcceptance("include only [PL]",
                     [](LinkOptions& p) { p.urlFiltersInclude = {"[PL]news"}; }, "http://h/",
                     {{"http://h/news/1.html", true, 1, true},
                      {"http://h/news/a.gif", false, 1, false},
                      {"http://h/x.html", true, 1, false}});
    expectAcceptance("wildcard and commas",
                     [](LinkOptions& p) {
                         p.urlFiltersInclude = {"[AL]a?c", "x,y"};
                     },
                     "http://h/",
                     {{"http://h/abc.html", true, 1, true},
                      {"http://h/aXc.gif", false, 1, true},
                      {"http://h/ac.html", true, 1, false},
                      {"http://h/x.html", true, 1, false},
                      {"http://h/x,y.html", true, 1, true}});
    expectAcceptance("exclude wins over include",
                     [](LinkOptions& p) {
                         p.urlFiltersInclude = {"[AL]news"};
                         p.urlFiltersExclude = {"[AL]old"};
                     },
                     "http://h/", {{"http://h/news/old.html", true, 1, false}});
    expectAcceptance("a bare tag never matches",
                     [](LinkOptions& p) {
                         p.urlFiltersExclude = {"[PL]"};
                         p.urlFiltersInclude = {"[AL]"};
                     },
                     "http://h/", {{"http://h/x.html", true, 1, false}});
}

TEST(AcceptLink, FilterEntriesLoseTheirFirstFourCharactersWhenTagged) {
    const struct {
        const char* entry;
        FilterScope scope;
        const char* text;
    } cases[] = {
        {"[RL]a,b", FilterScope::ResourceLinks, "a,b"},
        {"cgi[PL]", FilterScope::PageLinks, "PL]"},
        {"[PL]x[AL]", FilterScope::AllLinks, "x[AL]"},
        {"[pl]cgi", FilterScope::Untagged, "[pl]cgi"},
    };
    for (const auto& c : cases) {
        const UrlFilterEntry entry = parseFilterEntry(c.entry);
        EXPECT_EQ(entry.scope, c.scope) << c.entry;
        EXPECT_EQ(entry.text, c.text) << c.entry;
    }
}

TEST(AcceptLink, LocationsPerCode) {
    const auto locate = [](int pages, int resources) {
        return [=](LinkOptions& p) {
            p.pageLocation = static_cast<std::uint8_t>(pages);
            p.resourceLocation = static_cast<std::uint8_t>(resources);
        };
    };
    expectAcceptance("directory", locate(0, 2), "http://h/a/b/",
                     {{"http://h/a/b/c/x.html", true, 1, true},
                      {"http://h/a/x.html", true, 1, false},
                      {"HTTP://h/a/b/x.html", true, 1, false},
                      {"http://h/a/x.gif", false, 1, true}});
    expectAcceptance("site", locate(1, 1), "http://h/a/",
                     {{"http://h/z.html", true, 1, true},
                      {"http://other/go?u=http://h/", true, 1, true},
                      {"http://www.h/", true, 1, false},
                      {"http://other/x.gif", false, 1, false}});
    expectAcceptance("bad code", locate(7, 3), "http://h/",
                     {{"http://h/x.html", true, 1, false}, {"http://h/x.gif", false, 1, false}});
}

TEST(UrlFilterDialog, LabelsByKindAndScope) {
    const struct {
        FilterKind kind;
        const char* tag;
        int number;
    } cases[] = {
        {FilterKind::Include, "[AL]", 747}, {FilterKind::Include, "[PL]", 748},
        {FilterKind::Include, "[RL]", 749}, {FilterKind::Exclude, "[AL]", 750},
        {FilterKind::Exclude, "[PL]", 751}, {FilterKind::Exclude, "[RL]", 752},
        {FilterKind::Include, "[XX]", 0},   {FilterKind::Exclude, "", 0},
    };
    std::vector<std::string> labels;
    for (const auto& c : cases) {
        EXPECT_EQ(urlFilterLabelNumber(c.kind, c.tag), c.number) << c.tag;
        labels.push_back(urlFilterLabel(c.kind, c.tag));
    }
    // Six different labels, and the form's own text where the catalogue has none.
    EXPECT_EQ(std::set<std::string>(labels.begin(), labels.begin() + 6).size(), 6u);
    EXPECT_EQ(labels[6], defaultUrlFilterLabel());
    EXPECT_EQ(filterKindFromName("Ex"), FilterKind::Exclude);
    EXPECT_EQ(filterKindFromName("ex"), std::nullopt);
}

TEST(UrlFilterDialog, OkOnlyWithTextAndStoredEntries) {
    UrlFilterDialog add = UrlFilterDialog::forAdd(FilterKind::Include, "[PL]");
    EXPECT_FALSE(add.okEnabled());
    add.setText("news");
    EXPECT_TRUE(add.okEnabled());
    EXPECT_EQ(add.entry(), "[PL]news");

    UrlFilterDialog edit = UrlFilterDialog::forEdit(FilterKind::Exclude, "[RL]", "[RL]cgi");
    EXPECT_EQ(edit.text(), "[RL]cgi");
    edit.setText("[RL]tmp");
    EXPECT_EQ(edit.entry(), "[RL]tmp");
    edit.setText("");
    EXPECT_FALSE(edit.okEnabled());

    const std::vector<std::string> list = {"plain", "[PL]a", "[AL]b"};
    EXPECT_EQ(editScopeTag(list, 1), "[PL]"); // the entry's own tag
    EXPECT_EQ(editScopeTag(list, 0), "[AL]"); // untagged: the first tag the list holds
    EXPECT_EQ(editScopeTag({"plain"}, 0), "");
}

} // namespace
} // namespace quarlo
