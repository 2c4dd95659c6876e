#include "support/LinkChecker.h"

#include "platform/TextUtil.h"
#include "support/TempHome.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

namespace quarlo::test {

namespace {

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && lower(text.substr(0, prefix.size())) == lower(prefix);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

std::string trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// The attribute value as the HTML parser hands it on.
std::string decodeReferences(std::string text) {
    const std::pair<const char*, const char*> references[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto& [reference, c] : references) {
        const std::string ref = reference;
        for (auto at = text.find(ref); at != std::string::npos; at = text.find(ref, at + 1))
            text.replace(at, ref.size(), c);
    }
    return text;
}

bool hasScheme(const std::string& link) {
    if (link.empty() || !std::isalpha(static_cast<unsigned char>(link[0])))
        return false;
    for (const char c : link) {
        if (c == ':')
            return true;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

struct Tag {
    std::string name; // lower case
    std::vector<std::pair<std::string, std::string>> attributes;

    std::optional<std::string> attribute(const std::string& wanted) const {
        for (const auto& [key, value] : attributes)
            if (key == wanted)
                return value;
        return std::nullopt;
    }
};

// Reads the attributes of a tag from p (just after its name) to its ">".
std::size_t readAttributes(const std::string& html, std::size_t p, Tag& tag) {
    const std::size_t n = html.size();
    for (;;) {
        while (p < n && (isSpace(html[p]) || html[p] == '/'))
            ++p;
        if (p >= n)
            return n;
        if (html[p] == '>')
            return p + 1;
        const std::size_t nameStart = p;
        while (p < n && !isSpace(html[p]) && html[p] != '=' && html[p] != '>')
            ++p;
        std::string name = lower(html.substr(nameStart, p - nameStart));
        while (p < n && isSpace(html[p]))
            ++p;
        std::string value;
        if (p < n && html[p] == '=') {
            ++p;
            while (p < n && isSpace(html[p]))
                ++p;
            if (p < n && (html[p] == '"' || html[p] == '\'')) {
                const std::size_t close = html.find(html[p], p + 1);
                const std::size_t end = close == std::string::npos ? n : close;
                value = html.substr(p + 1, end - p - 1);
                p = end == n ? n : end + 1;
            } else {
                const std::size_t start = p;
                while (p < n && !isSpace(html[p]) && html[p] != '>')
                    ++p;
                value = html.substr(start, p - start);
            }
        }
        tag.attributes.emplace_back(std::move(name), decodeReferences(value));
    }
}

// Start tags in document order; comments and the content of scripts and style sheets are
// passed over, as a browser does.
std::vector<Tag> tagsOf(const std::string& html) {
    const std::string folded = lower(html);
    std::vector<Tag> tags;
    std::size_t i = 0;
    while ((i = html.find('<', i)) != std::string::npos) {
        if (html.compare(i, 4, "<!--") == 0) {
            const std::size_t end = html.find("-->", i + 4);
            if (end == std::string::npos)
                break;
            i = end + 3;
            continue;
        }
        std::size_t p = i + 1;
        while (p < html.size() && std::isalnum(static_cast<unsigned char>(html[p])))
            ++p;
        if (p == i + 1 || !std::isalpha(static_cast<unsigned char>(html[i + 1]))) {
            ++i;
            continue;
        }
        Tag tag;
        tag.name = lower(html.substr(i + 1, p - i - 1));
        i = readAttributes(html, p, tag);
        if (tag.name == "script" || tag.name == "style") {
            const std::size_t end = folded.find("</" + tag.name, i);
            i = end == std::string::npos ? html.size() : end;
        }
        tags.push_back(std::move(tag));
    }
    return tags;
}

// The target of a META refresh: what follows "url=" in its content.
std::optional<std::string> refreshTarget(const Tag& tag) {
    const auto equiv = tag.attribute("http-equiv");
    const auto content = tag.attribute("content");
    if (!equiv || lower(*equiv) != "refresh" || !content)
        return std::nullopt;
    const std::size_t at = lower(*content).find("url=");
    if (at == std::string::npos)
        return std::nullopt;
    std::string target = trim(content->substr(at + 4));
    if (!target.empty() && (target.front() == '\'' || target.front() == '"'))
        target = target.substr(1, target.find(target.front(), 1) - 1);
    return target;
}

// A path with its "." and ".." segments applied (never above "/").
std::string normalise(const std::string& path) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string segment = path.substr(start, slash - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (segment != "." && !(segment.empty() && slash != std::string::npos)) {
            segments.push_back(segment);
        } else if (slash == std::string::npos) {
            segments.emplace_back();
        }
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    std::string out;
    for (const std::string& segment : segments)
        out += "/" + segment;
    return out;
}

std::string folderOfPath(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}

// The address a "javascript:" call opens: its first single-quoted text.
std::string scriptCallTarget(const std::string& value) {
    const std::size_t open = value.find('\'');
    const std::size_t close = open == std::string::npos ? open : value.find('\'', open + 1);
    return close == std::string::npos ? std::string() : value.substr(open + 1, close - open - 1);
}

} // namespace

LinkChecker::LinkChecker(std::string root, std::vector<std::string> sitePrefixes)
    : m_root(std::move(root)), m_sitePrefixes(std::move(sitePrefixes)) {}

std::vector<PageLink> LinkChecker::linksOf(const std::string& html) {
    std::vector<PageLink> links;
    for (const Tag& tag : tagsOf(html)) {
        if (tag.name == "base")
            continue;
        for (const char* attribute : {"href", "src", "background"})
            if (const auto value = tag.attribute(attribute))
                links.push_back({tag.name, *value, {}});
        if (tag.name == "applet")
            if (const auto code = tag.attribute("code"))
                links.push_back({tag.name, *code, tag.attribute("codebase").value_or("")});
        if (tag.name == "meta")
            if (const auto target = refreshTarget(tag))
                links.push_back({tag.name, *target, {}});
    }
    return links;
}

std::string LinkChecker::valueAsRead(const std::string& written) {
    return trim(decodeReferences(written));
}

std::optional<std::string> LinkChecker::resolve(const std::string& pagePath, const PageLink& link) {
    std::string value = trim(link.value);
    if (startsWithNoCase(value, "javascript:"))
        value = scriptCallTarget(value);
    if (value.empty() || value[0] == '#' || value[0] == '/' || hasScheme(value))
        return std::nullopt;
    value = value.substr(0, value.find('#'));
    value = value.substr(0, value.find('?'));
    std::string folder = folderOfPath(pagePath);
    if (const std::string codebase = trim(link.codebase); !codebase.empty()) {
        if (codebase[0] == '/' || hasScheme(codebase))
            return std::nullopt;
        folder += percentDecode(codebase);
        if (folder.back() != '/')
            folder += '/';
    }
    return normalise(folder + percentDecode(value));
}

std::optional<std::string> LinkChecker::problemWith(const std::string& pagePath,
                                                    const PageLink& link) const {
    const std::string value = trim(link.value);
    for (const std::string& prefix : m_sitePrefixes) {
        const std::string networkPath = prefix.substr(std::min(prefix.find("//"), prefix.size()));
        if (startsWithNoCase(value, prefix) ||
            (!networkPath.empty() && startsWithNoCase(value, networkPath)))
            return "points to the site on the web";
    }
    if (!value.empty() && value[0] == '/' && (value.size() < 2 || value[1] != '/'))
        return "an absolute path";
    const std::optional<std::string> file = resolve(pagePath, link);
    if (!file)
        return std::nullopt;
    ++m_followed;
    if (file->rfind(m_root, 0) != 0)
        return "leaves the saved site: " + *file;
    std::error_code ec;
    if (!fs::is_regular_file(*file, ec))
        return "no such file: " + *file;
    return std::nullopt;
}

std::vector<BrokenLink> LinkChecker::checkPage(const std::string& pagePath) const {
    std::vector<BrokenLink> broken;
    const std::string relative = pagePath.substr(std::min(m_root.size(), pagePath.size()));
    const std::string html = readWholeFile(pagePath);
    for (const Tag& tag : tagsOf(html))
        if (tag.name == "base")
            broken.push_back({relative, tag.attribute("href").value_or(""), "a BASE tag is left"});
    for (const PageLink& link : linksOf(html))
        if (auto problem = problemWith(pagePath, link))
            broken.push_back({relative, link.value, *problem});
    return broken;
}

std::vector<BrokenLink> LinkChecker::checkAll() const {
    std::vector<std::string> pages;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(m_root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string extension = lower(it->path().extension().string());
        if (it->is_regular_file() && (extension == ".htm" || extension == ".html"))
            pages.push_back(it->path().string());
    }
    std::sort(pages.begin(), pages.end());
    std::vector<BrokenLink> broken;
    for (const std::string& page : pages) {
        std::vector<BrokenLink> found = checkPage(page);
        broken.insert(broken.end(), found.begin(), found.end());
    }
    return broken;
}

std::string describe(const std::vector<BrokenLink>& broken) {
    std::string text;
    for (const BrokenLink& link : broken)
        text += link.page + ": " + link.link + " (" + link.reason + ")\n";
    return text;
}

} // namespace quarlo::test
