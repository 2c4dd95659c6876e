#include "html/StyleLinks.h"

#include "html/AttributeText.h"
#include "platform/TextUtil.h"

#include "html/TextSearch.h"

#include <cstdint>
#include <utility>

namespace quarlo {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A character that continues a CSS name: "xurl(" is no url(.
bool isNameChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '\\' || u >= 0x80;
}

// Reads the escape whose "\" is at p into out; returns the position after it. An escaped
// line end (only allowed in strings) is a line continuation and gives nothing.
std::size_t readEscape(std::string_view css, std::size_t p, std::string& out) {
    ++p;
    if (p >= css.size())
        return p;
    if (!isHex(css[p])) {
        if (css[p] == '\r' && p + 1 < css.size() && css[p + 1] == '\n')
            return p + 2;
        if (css[p] != '\n' && css[p] != '\r' && css[p] != '\f')
            out += css[p];
        return p + 1;
    }
    std::uint32_t code = 0;
    std::size_t digits = 0;
    for (; digits < 6 && p < css.size() && isHex(css[p]); ++digits, ++p) {
        const char c = css[p];
        const std::uint32_t value = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        code = code * 16 + value;
    }
    // A code point no character may have reads as U+FFFD.
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    appendUtf8(out, code);
    if (p < css.size() && css[p] == '\r' && p + 1 < css.size() && css[p + 1] == '\n')
        return p + 2;
    return p < css.size() && isBlank(css[p]) ? p + 1 : p;
}

// A string whose opening quote is at open: its decoded text and where its closing quote
// is; npos when a line end or the text's end breaks it off.
std::size_t readString(std::string_view css, std::size_t open, std::string& text) {
    const char quote = css[open];
    for (std::size_t p = open + 1; p < css.size();) {
        const char c = css[p];
        if (c == quote)
            return p;
        if (c == '\n' || c == '\r' || c == '\f')
            return npos;
        if (c == '\\') {
            p = readEscape(css, p, text);
        } else {
            text += c;
            ++p;
        }
    }
    return npos;
}

std::size_t skipBlanks(std::string_view css, std::size_t p) {
    while (p < css.size() && isBlank(css[p]))
        ++p;
    return p;
}

class StyleScan {
public:
    explicit StyleScan(std::string_view css) : m_css(css) {}
    std::vector<ValueLink> run();

private:
    std::size_t url(std::size_t open);
    std::size_t string(std::size_t open);
    void add(std::size_t start, std::size_t end, std::string url);

    std::string_view m_css;
    std::vector<ValueLink> m_links;
    bool m_afterImport = false;
};

void StyleScan::add(std::size_t start, std::size_t end, std::string url) {
    if (FindText(url, "data:", 1, true) == 1)
        return;
    m_links.push_back({start, end - start, std::move(url)});
}

// A string is a link only as the target of an @import.
std::size_t StyleScan::string(std::size_t open) {
    std::string text;
    const std::size_t close = readString(m_css, open, text);
    if (close == npos) {
        // A string broken off by a line end is passed over up to it.
        m_afterImport = false;
        const std::size_t lineEnd = m_css.find_first_of("\n\r\f", open + 1);
        return lineEnd == npos ? m_css.size() : lineEnd;
    }
    if (m_afterImport)
        add(open + 1, close, std::move(text));
    m_afterImport = false;
    return close + 1;
}

// open: the "(" of a url(. Returns where scanning goes on.
std::size_t StyleScan::url(std::size_t open) {
    m_afterImport = false;
    std::size_t p = skipBlanks(m_css, open + 1);
    if (p >= m_css.size())
        return p;
    std::string text;
    if (m_css[p] == '"' || m_css[p] == '\'') {
        const std::size_t close = readString(m_css, p, text);
        if (close == npos)
            return p;
        const std::size_t end = skipBlanks(m_css, close + 1);
        if (end < m_css.size() && m_css[end] == ')')
            add(p + 1, close, std::move(text));
        return close + 1;
    }
    const std::size_t start = p;
    while (p < m_css.size() && m_css[p] != ')' && !isBlank(m_css[p])) {
        const char c = m_css[p];
        if (c == '"' || c == '\'' || c == '(')
            return p; // a bad url: nothing to follow
        if (c == '\\') {
            p = readEscape(m_css, p, text);
        } else {
            text += c;
            ++p;
        }
    }
    const std::size_t end = p;
    p = skipBlanks(m_css, p);
    if (p < m_css.size() && m_css[p] == ')') {
        add(start, end, std::move(text));
        return p + 1;
    }
    return p;
}

std::vector<ValueLink> StyleScan::run() {
    for (std::size_t p = 0; p < m_css.size();) {
        const char c = m_css[p];
        if (c == '/' && p + 1 < m_css.size() && m_css[p + 1] == '*') {
            const std::size_t end = m_css.find("*/", p + 2);
            p = end == npos ? m_css.size() : end + 2;
        } else if (c == '"' || c == '\'') {
            p = string(p);
        } else if (c == '\\') {
            std::string ignored;
            p = readEscape(m_css, p, ignored);
            m_afterImport = false;
        } else if ((c == 'u' || c == 'U') && (p == 0 || !isNameChar(m_css[p - 1])) &&
                   FindText(m_css.substr(p, 4), "url(", 1, true) == 1) {
            p = url(p + 3);
        } else if (c == '@' && FindText(m_css.substr(p, 7), "@import", 1, true) == 1 &&
                   (p + 7 >= m_css.size() || !isNameChar(m_css[p + 7]))) {
            m_afterImport = true;
            p += 7;
        } else {
            if (!isBlank(c))
                m_afterImport = false;
            ++p;
        }
    }
    return std::move(m_links);
}

} // namespace

std::vector<ValueLink> styleLinks(std::string_view css) {
    return StyleScan(css).run();
}

// Candidates are split as browsers split them: blanks and commas lead to a URL, which runs
// to the next blank; commas that end it belong to no URL; descriptors run to a comma outside
// parentheses.
std::vector<ValueLink> srcsetLinks(std::string_view srcset) {
    std::vector<ValueLink> links;
    std::size_t p = 0;
    while (p < srcset.size()) {
        while (p < srcset.size() && (isBlank(srcset[p]) || srcset[p] == ','))
            ++p;
        const std::size_t start = p;
        while (p < srcset.size() && !isBlank(srcset[p]))
            ++p;
        std::size_t end = p;
        const bool commaEnds = end > start && srcset[end - 1] == ',';
        while (end > start && srcset[end - 1] == ',')
            --end;
        if (end > start)
            links.push_back({start, end - start, std::string(srcset.substr(start, end - start))});
        if (commaEnds)
            continue;
        int depth = 0;
        for (; p < srcset.size(); ++p) {
            const char c = srcset[p];
            if (c == '(')
                ++depth;
            else if (c == ')' && depth > 0)
                --depth;
            else if (c == ',' && depth == 0)
                break;
        }
    }
    return links;
}

bool isStylesheetAnswer(std::string_view contentType, std::string_view url) {
    auto trimmed = [](std::string_view text) {
        while (!text.empty() && isBlank(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && isBlank(text.back()))
            text.remove_suffix(1);
        return text;
    };
    contentType = trimmed(contentType.substr(0, contentType.find(';')));
    if (!contentType.empty())
        return contentType.size() == 8 && FindText(contentType, "text/css", 1, true) == 1;
    std::string_view path = url.substr(0, url.find_first_of("?#"));
    if (const std::size_t scheme = path.find("://"); scheme != npos) {
        const std::size_t slash = path.find('/', scheme + 3);
        path = slash == npos ? std::string_view() : path.substr(slash);
    }
    return path.size() >= 4 && FindText(path.substr(path.size() - 4), ".css", 1, true) == 1;
}

std::string styleUrlText(std::string_view link) {
    return percentEncode(link, [](unsigned char byte) { return byte != '(' && byte != ')'; });
}

namespace {

std::vector<ValueLink> linksInAttribute(std::string_view value,
                                        std::vector<ValueLink> (*reader)(std::string_view)) {
    const AttributeText read(value);
    std::vector<ValueLink> links = reader(read.text());
    for (ValueLink& link : links) {
        const std::size_t start = read.rawOffset(link.start);
        link.length = read.rawOffset(link.start + link.length) - start;
        link.start = start;
    }
    return links;
}

} // namespace

std::vector<ValueLink> styleAttributeLinks(std::string_view value) {
    return linksInAttribute(value, styleLinks);
}

std::vector<ValueLink> srcsetAttributeLinks(std::string_view value) {
    return linksInAttribute(value, srcsetLinks);
}

} // namespace quarlo
