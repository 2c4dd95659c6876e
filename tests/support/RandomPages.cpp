#include "support/RandomPages.h"

#include "html/FileTypes.h"
#include "html/LinkConversion.h"
#include "html/LinkScan.h"
#include "html/PagePasses.h"
#include "html/PageScanner.h"
#include "html/UrlFunctions.h"
#include "platform/TextUtil.h"
#include "support/ReferenceScan.h"

#include <map>
#include <tuple>

using namespace std::string_literals;

namespace quarlo::test {

namespace {

// Addresses as pages write them, good and bad: relative and absolute, other hosts and
// letter cases, queries, anchors, script calls, refused script expressions, mail, quotes,
// blanks, "\", NUL, UTF-8, names with "script" in them, steps out of the site.
const std::vector<std::string> kAddresses = {
    "a.html",
    "sub/b.html",
    "../up.html",
    "/root/c.gif",
    "http://h/a/d.html",
    "HTTP://H/A/D.HTML",
    "http://h2/e.html",
    "img.gif",
    "pic.jpg",
    "show.asp?id=1",
    "q.cgi?x=1&amp;y=2",
    "show.asp?id=1&amp;p=2&#38;r&#x3D;3",
    " https://h2/pad.html ",
    "\tjavascript:open(&#39;w&amp;v.html&#39;)",
    "a&semi;b.html",
    "e&#x301;&copy;&bogus;&#0;.html#x&quot;y",
    "a.css?v=3",
    "x.png?w=200",
    "Case.html",
    "dir/",
    "x.html#frag",
    "#top",
    "mailto:me@h",
    "javascript:open('w.html','n')",
    "JavaScript:void(0)",
    "javascript:go('j.html');",
    "a+b.html",
    "it's.html",
    "sp ace.html",
    "back\\slash.html",
    "caf\xC3\xA9.html",
    "n\0ul.html"s,
    "js/script.js",
    "/script/x.js",
    "text/javascript",
    "ftp://h/f.txt",
    "style.css",
    "movie.swf",
    "A.class",
    "cb/",
    "../../../../x.html",
    "%2e%2e/y.html",
    "x.html#<script",
    "y.html#</script",
    "z.html#\"q",
    "t.html#a b",
    "line\nbreak.html",
    "",
};

const std::vector<std::string> kTags = {
    "SCRIPT", "LINK",     "FRAME", "FRAMESET", "IFRAME", "A",       "ABBR",  "AREA",
    "APPLET", "IMG",      "INPUT", "META",     "BODY",   "BGSOUND", "EMBED", "PARAM",
    "BASE",   "BASEFONT", "P",     "DIV",      "/A",     "/BODY",   "TITLE", "/SCRIPT",
    "SOURCE", "VIDEO",    "AUDIO", "TRACK",    "OBJECT", "STYLE",   "IMGX",  "SOURCES"};

const std::vector<std::string> kAttributes = {
    "SRC",      "HREF", "CODE",   "CODEBASE", "BACKGROUND", "URL",  "NAME=\"MOVIE\" VALUE",
    "HREFLANG", "TYPE", "SRCSET", "POSTER",   "DATA",       "STYLE"};

// Pieces of style text around its addresses (written as "@"): every url() and @import
// form, escapes, comments and strings that hide an address, data: URLs.
const std::vector<std::string> kStylePieces = {"url(@)",
                                               "url('@')",
                                               "url(\"@\")",
                                               "URL( @ )",
                                               "@import '@';",
                                               "@import url(@);",
                                               "@IMPORT \"@\"",
                                               "/* url(@) */",
                                               "content:'url(@)'",
                                               "x-url(@)",
                                               "url(a\\29 b.png)",
                                               "url(q\\)r.png)",
                                               "url(data:image/png;base64,AA==)",
                                               "{",
                                               "}",
                                               ";",
                                               " ",
                                               "\n",
                                               "background:",
                                               "url(@",
                                               "url('@",
                                               "</style>"};

const std::vector<std::string> kWords = {"text",     " ",          "it's",        "\"quoted\"",
                                         "'single'", "<",          ">",           "\0"s,
                                         "\r\n",     "\n",         "\t",          "=",
                                         "\xC2\xB6", "<!-- c -->", "'a/b.html'>", "\"c/d.html\">",
                                         "/script",  "<script",    "\r",          "\xFF\xFE"};

} // namespace

std::string RandomPages::pick(const std::vector<std::string>& from) {
    return from[m_random() % from.size()];
}

std::string RandomPages::anyCase(std::string text) {
    const int style = number(3);
    for (char& c : text) {
        if (style == 1 || (style == 2 && number(2) == 0)) {
            c = lowerAscii(c);
        }
    }
    return text;
}

std::string RandomPages::address() {
    std::string address = pick(kAddresses);
    // A few numbered variants, so that links repeat and differ in letter case.
    if (number(3) == 0) {
        address.insert(0, std::to_string(number(4)));
    }
    return number(8) == 0 ? anyCase(address) : address;
}

std::string RandomPages::quoted(const std::string& text) {
    switch (number(9)) {
    case 0:
        return "'" + text + "'";
    case 1:
        return text;
    case 2:
        return " = \"" + text + "\"";
    case 3:
        return "=\\\"" + text + "\\\"";
    case 4:
        return "= '" + text + "'";
    case 5:
        return " " + text; // no "=": no value
    case 6:
        return "=\"" + text; // unterminated
    default:
        return "=\"" + text + "\"";
    }
}

std::string RandomPages::value() {
    const std::string v = quoted(address());
    return v.front() == '=' || v.front() == ' ' ? v : "=" + v;
}

std::string RandomPages::tag() {
    static const std::vector<std::string> opens = {"<", "<", "<", "< ", "<\"", "<=", "<\n"};
    std::string tag = pick(opens) + anyCase(pick(kTags));
    for (int n = number(4); n > 0; --n) {
        tag += number(6) == 0 ? "\n" : " ";
        const std::string attribute = pick(kAttributes);
        if (attribute == "URL" && number(2) == 0) {
            tag += "content=\"5; " + anyCase(attribute) + "=" + address() + "\"";
        } else {
            tag += anyCase(attribute) + value();
        }
    }
    return number(15) == 0 ? tag : tag + ">";
}

std::string RandomPages::styleText() {
    std::string style;
    for (int n = number(5); n > 0; --n) {
        std::string piece = pick(kStylePieces);
        if (const std::size_t at = piece.find('@', piece[0] == '@' ? 1 : 0);
            at != std::string::npos)
            piece.replace(at, 1, address());
        style += number(6) == 0 ? anyCase(piece) : piece;
    }
    return style;
}

std::string RandomPages::srcset() {
    static const std::vector<std::string> descriptors = {"", " 1x", " 2x", " 480w", ",", " (x)"};
    std::string srcset;
    for (int n = 1 + number(3); n > 0; --n) {
        srcset += address() + pick(descriptors) + (n > 1 ? pick({",", ", ", " ,"}) : "");
    }
    return srcset;
}

// A responsive image, a media element or a style block.
std::string RandomPages::media() {
    switch (number(5)) {
    case 0:
        return "<" + anyCase("style") + ">" + styleText() + (number(4) == 0 ? "" : "</style>");
    case 1:
        return "<p " + anyCase("style") + quoted(styleText()) + ">" + text();
    case 2:
        return "<picture><source " + anyCase("srcset") + quoted(srcset()) + "><img src" + value() +
               " srcset" + quoted(srcset()) + "></picture>";
    case 3:
        return "<video src" + value() + " poster" + value() + "><source src" + value() +
               "><track src" + value() + "></video>";
    default:
        return "<" + anyCase(pick({"audio", "object", "iframe"})) + " " +
               pick({"src", "data", "style"}) + value() + ">" + text();
    }
}

std::string RandomPages::script() {
    std::string script =
        "<" + anyCase("script") + (number(3) == 0 ? " type='text/javascript'>" : ">");
    for (int n = number(4); n > 0; --n) {
        switch (number(4)) {
        case 0:
            script += "var u = '" + address() + "';";
            break;
        case 1:
            script += "w(\"" + address() + "\");";
            break;
        case 2:
            script += "document.write('" + tag() + "');";
            break;
        default:
            script += text();
        }
    }
    return number(6) == 0 ? script : script + "</" + anyCase("script") + ">";
}

std::string RandomPages::text() {
    std::string text;
    for (int n = number(4); n > 0; --n) {
        text += pick(kWords);
    }
    return text;
}

std::string RandomPages::page() {
    std::string page = number(4) == 0 ? "" : "<html>";
    if (number(3) == 0) {
        page += "<" + anyCase("title") + ">" + text() + "</TITLE>";
    }
    if (number(5) == 0) {
        page += "<" + anyCase(number(3) == 0 ? "basefont" : "base") + " href" +
                quoted("http://h/base/" + address()) + ">";
    }
    for (int n = 1 + number(25); n > 0; --n) {
        switch (number(8)) {
        case 0:
            page += script();
            break;
        case 1:
            page += text();
            break;
        case 2: // an image map: its areas are A and AREA tags both
            page += "<map><a href" + value() + "><area href" + value() + "></a></map>";
            break;
        case 3:
            page += "<applet code" + value() + " codebase" + value() + ">";
            break;
        case 4:
            page += media();
            break;
        default:
            page += tag() + text();
        }
    }
    if (number(10) == 0) {
        page.resize(static_cast<std::size_t>(number(static_cast<int>(page.size()) + 1)));
    }
    return page;
}

LinkOptions RandomPages::options() {
    LinkOptions options;
    options.aggressiveParser = static_cast<std::uint8_t>(number(3));
    options.convertFollowedLinks = static_cast<std::uint8_t>(number(4) == 0 ? 0 : 1);
    options.convertUnfollowedLinks = static_cast<std::uint8_t>(number(3));
    options.depth = number(4) - 1;
    options.pageLocation = static_cast<std::uint8_t>(number(3));
    options.resourceLocation = static_cast<std::uint8_t>(number(3));
    return options;
}

std::string RandomPages::pageUrl() {
    static const std::vector<std::string> urls = {"http://h/a/index.html", "http://h/a/b/page.html",
                                                  "http://h/a/show.asp?id=3", "http://h/"};
    return pick(urls);
}

namespace {

// The queue the parse thread adds to: entries in order and a look-up that ignores case.
class SmallQueue {
public:
    QueuedSpelling spelling() {
        return [this](const std::string& url) {
            const auto found = m_index.find(asciiLower(url));
            return found == m_index.end() ? std::string() : found->second;
        };
    }
    bool add(const std::string& url) { return m_index.emplace(asciiLower(url), url).second; }

private:
    std::map<std::string, std::string> m_index;
};

} // namespace

ParseOutcome parsePageWith(Parser parser, const FileTypes& types, const LinkOptions& options,
                           const std::string& pageUrl, int level, int mode,
                           const std::string& content) {
    ParseOutcome outcome;
    SmallQueue queue;
    queue.add(pageUrl);
    PagePasses links(types, options, pageUrl, level, "http://h/a/", queue.spelling());
    std::string page = content;
    if (parser == Parser::PageScanner) {
        links.takeBase(page);
    } else if (const BaseTag base = referenceFindBaseTag(page); !base.href.empty()) {
        page.erase(base.tagStart - 1, base.tagEnd - base.tagStart + 1);
        links.setBaseHref(URLDirectory(ResolveURL(base.href, URLDirectory(pageUrl))));
    }
    outcome.title = pageTitle(page);
    const FoundLinkHandler onLink = [&](const FoundLink& link) {
        const LinkPass& pass = link.candidate.pass();
        outcome.found.push_back(std::to_string(pass.number) + " " + link.candidate.value() +
                                " -> " + link.url + (link.followed ? " followed" : "") +
                                (link.converted ? " converted" : ""));
        const std::string url = StripAnchor(link.url);
        if (link.followed && queue.add(url)) {
            const int entryMode = !link.page() && mode == 2 ? 0 : mode;
            outcome.queued.push_back(url + " | " + pageUrl + " | " + link.category + " | " +
                                     std::to_string(level + 1) + " | " + link.title + " | " +
                                     std::to_string(entryMode) + (pass.isFrame() ? " | Y" : ""));
        }
    };
    const int aggressive = options.aggressiveParser;
    if (parser == Parser::PageScanner) {
        PageScanner scanner(page);
        for (const LinkPass* pass : linkPassesFor(aggressive)) {
            links.scanPass(scanner, *pass, onLink);
        }
    } else {
        for (const LinkPass* pass : linkPassesFor(aggressive)) {
            referenceScanPass(page, *pass, aggressive,
                              [&](LinkCandidate& candidate) { links.visit(candidate, onLink); });
        }
    }
    outcome.text = std::move(page);
    return outcome;
}

std::string outcomeDifference(const ParseOutcome& a, const ParseOutcome& b) {
    const auto firstOf = [](const std::vector<std::string>& x, const std::vector<std::string>& y) {
        for (std::size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
            const std::string left = i < x.size() ? x[i] : "(none)";
            const std::string right = i < y.size() ? y[i] : "(none)";
            if (left != right) {
                return "#" + std::to_string(i) + ": " + left + "\n  vs " + right;
            }
        }
        return std::string();
    };
    if (std::string d = firstOf(a.found, b.found); !d.empty()) {
        return "links " + d;
    }
    if (std::string d = firstOf(a.queued, b.queued); !d.empty()) {
        return "queue entries " + d;
    }
    if (a.title != b.title) {
        return "title " + a.title + "\n  vs " + b.title;
    }
    if (a.text != b.text) {
        return "converted text\n" + a.text + "\n  vs\n" + b.text;
    }
    return {};
}

RandomComparison compareOnRandomPage(RandomPages& random, const FileTypes& types) {
    const std::string page = random.page();
    const LinkOptions options = random.options();
    const std::string url = random.pageUrl();
    const int level = random.number(3);
    const int mode = random.number(3);
    const ParseOutcome scanned =
        parsePageWith(Parser::PageScanner, types, options, url, level, mode, page);
    const ParseOutcome reference =
        parsePageWith(Parser::Reference, types, options, url, level, mode, page);
    return {outcomeDifference(scanned, reference),
            url + ", aggressive " + std::to_string(options.aggressiveParser) + ":\n" + page,
            scanned.found.size()};
}

} // namespace quarlo::test
