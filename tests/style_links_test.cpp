#include "html/StyleLinks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarlo {
namespace {

// The addresses found, each with the text it stands on.
std::vector<std::string> found(std::string_view css) {
    std::vector<std::string> result;
    for (const ValueLink& link : styleLinks(css))
        result.push_back(link.url + " @" + std::string(css.substr(link.start, link.length)));
    return result;
}

using Found = std::vector<std::string>;

TEST(StyleLinks, UrlAndImportFormsAsABrowserReadsThem) {
    const struct {
        const char* what;
        std::string css;
        Found expected;
    } cases[] = {
        {"unquoted", "a{background:url(i.png)}", {"i.png @i.png"}},
        {"quoted both ways, blanks inside the parentheses",
         "x{b:url( 'a b.png' ) ; c:URL(\"c.png\")}",
         {"a b.png @a b.png", "c.png @c.png"}},
        {"import string and import url",
         "@import \"a.css\";@IMPORT url(b.css) screen;",
         {"a.css @a.css", "b.css @b.css"}},
        {"a plain string is no link", "p{content:\"x.png\"} @import 'y.css';", {"y.css @y.css"}},
        {"comments and strings hide url()",
         "/* url(no.png) */ p{content:'url(no2.png)'} q{b:url(yes.png)}",
         {"yes.png @yes.png"}},
        {"escapes decoded, raw text kept",
         "a{b:url(a\\29 b.png)} c{d:url('q\\'r.png')}",
         {"a)b.png @a\\29 b.png", "q'r.png @q\\'r.png"}},
        {"a longer name is no url(", "a{b:my-url(x.png)}", {}},
        {"data: URLs left alone", "a{b:url(data:image/png;base64,AA==)} c{d:url(DATA:x)}", {}},
        {"bad url and text broken off", "a{b:url(x y.png)} c{d:url(\"z.png} e{f:url(w.png", {}},
        {"broken string ends at its line", "p{content:\"a\n} q{b:url(ok.png)}", {"ok.png @ok.png"}},
        {"an import's string comes next, comments aside",
         "@import; 'x.css' @import /* c */ 'y.css'",
         {"y.css @y.css"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(found(c.css), c.expected) << c.what;
}

// A style attribute is read as the browser reads it: character references first. The place of
// a link is that of its text as written.
TEST(StyleLinks, StyleAttributeReadsCharacterReferencesFirst) {
    const std::string value = "background:url(&quot;a&amp;b.png&quot;); x:url(c&#x29;.png) "
                              "y:url(&#39;d&#40;1).png&#39;) z:url(&bogus;e.png)";
    std::vector<std::string> found;
    for (const ValueLink& link : styleAttributeLinks(value))
        found.push_back(link.url + " @" + value.substr(link.start, link.length));
    EXPECT_EQ(found,
              (std::vector<std::string>{"a&b.png @a&amp;b.png", "c @c", "d(1).png @d&#40;1).png",
                                        "&bogus;e.png @&bogus;e.png"}));
}

TEST(StyleLinks, SrcsetCandidatesKeepTheirDescriptorsOutOfTheAddress) {
    const struct {
        std::string srcset;
        Found expected;
    } cases[] = {
        {"a.png 1x, b.png 2x", {"a.png", "b.png"}},
        {" a.png, b.png 480w ,c.png", {"a.png", "b.png", "c.png"}},
        {"a,b.png 1x,,c.png", {"a,b.png", "c.png"}},
        {"x.png (max-width: 1px, 2px) 1x, y.png", {"x.png", "y.png"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        Found urls;
        for (const ValueLink& link : srcsetLinks(c.srcset)) {
            EXPECT_EQ(c.srcset.substr(link.start, link.length), link.url);
            urls.push_back(link.url);
        }
        EXPECT_EQ(urls, c.expected) << c.srcset;
    }
}

TEST(StyleLinks, StylesheetByContentTypeElseByThePathOfItsUrl) {
    const struct {
        const char* contentType;
        const char* url;
        bool stylesheet;
    } cases[] = {
        {"text/css", "http://h/style.php", true},
        {" Text/CSS; charset=utf-8", "http://h/s", true},
        {"text/plain", "http://h/a.css", false},
        {"text/cssx", "http://h/a.css", false},
        {"", "http://h/a.css", true},
        {"", "http://h/A.CSS?v=3#x", true},
        {"", "http://h/a.html?f=b.css", false},
        {"", "http://h.css", false},
        {"", "http://h/a.css/", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isStylesheetAnswer(c.contentType, c.url), c.stylesheet)
            << c.contentType << " " << c.url;
}

TEST(StyleLinks, LinkTextStaysOneUnquotedUrl) {
    EXPECT_EQ(styleUrlText("a(1)/b%20c.png"), "a%281%29/b%20c.png");
    EXPECT_EQ(styleLinks("x{y:url(" + styleUrlText("p(2).png") + ")}").front().url, "p%282%29.png");
}

} // namespace
} // namespace quarlo
