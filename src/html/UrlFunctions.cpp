#include "html/UrlFunctions.h"

#include "platform/TextUtil.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quarlo {

namespace {

constexpr std::string_view kSchemeMark = "://";

// The extension by the file-name rules: from the last "." unless a ":" or "\" follows it.
std::string_view fileExtension(std::string_view name) {
    const std::size_t at = findLastOf(name, ".:\\");
    if (at == std::string_view::npos || name[at] != '.') {
        return {};
    }
    return name.substr(at);
}

TbrURL split(std::string_view url) {
    TbrURL parts;
    parts.SetURL(url);
    return parts;
}

// The first segment of a path, up to and including its first "/" (all of it without one).
std::string_view firstSegment(std::string_view path) {
    const std::size_t slash = path.find('/');
    return slash == std::string_view::npos ? path : path.substr(0, slash + 1);
}

void replaceAllExact(std::string& text, std::string_view from, std::string_view to) {
    std::size_t at = text.find(from);
    while (at != std::string::npos) {
        text.replace(at, from.size(), to);
        at = text.find(from, at + to.size());
    }
}

// RFC 3986, 5.2.4, on a path that is empty or begins with "/".
std::string removeDotSegments(std::string_view input) {
    std::string output;
    auto dropLastSegment = [&output] {
        const std::size_t slash = output.rfind('/');
        output.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./") || input.starts_with("/./")) {
            input.remove_prefix(2); // "./" goes; "/./" leaves its "/"
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../")) {
            input.remove_prefix(3);
            dropLastSegment();
        } else if (input == "/..") {
            input = "/";
            dropLastSegment();
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t next = input.find('/', 1);
            const std::size_t take = next == std::string_view::npos ? input.size() : next;
            output.append(input.substr(0, take));
            input.remove_prefix(take);
        }
    }
    return output;
}

// Drops a host of "." or ".." and removes dot-segments from the path of an absolute URL;
// what follows the path ("?" or "#" and on) is kept as it is.
void cleanHierarchicalParts(std::string& url) {
    const std::size_t mark = url.find(kSchemeMark);
    if (mark == std::string::npos) {
        return;
    }
    const std::size_t hostBegin = mark + kSchemeMark.size();
    // The host ends at the first of "/:?#", the path begins at the first of "/?#".
    std::size_t hostEnd = url.size();
    std::size_t pathBegin = url.size();
    for (std::size_t i = hostBegin; i < url.size(); ++i) {
        if (url[i] == ':') {
            hostEnd = std::min(hostEnd, i);
        } else if (url[i] == '/' || url[i] == '?' || url[i] == '#') {
            hostEnd = std::min(hostEnd, i);
            pathBegin = i;
            break;
        }
    }
    const std::string_view host = std::string_view(url).substr(hostBegin, hostEnd - hostBegin);
    if (host == "." || host == "..") {
        url.erase(hostBegin, hostEnd - hostBegin);
        pathBegin -= hostEnd - hostBegin;
    }
    const std::size_t pathEnd = std::min(findFirstOf(url, "?#", pathBegin), url.size());
    if (pathBegin >= pathEnd) {
        return;
    }
    // The path begins with "/", so only a "/." can start a dot-segment.
    const std::string_view path = std::string_view(url).substr(pathBegin, pathEnd - pathBegin);
    if (path.find("/.") == std::string_view::npos) {
        return;
    }
    url.replace(pathBegin, pathEnd - pathBegin, removeDotSegments(path));
}

} // namespace

namespace {

// The parts of a URL whose backslashes are already slashes, as views into it, before the
// adjustments SetURL makes to the path and the file name.
struct UrlSpans {
    std::string_view protocol;
    std::string_view host;
    std::string_view port;
    std::string_view path;
    std::string_view fileName;
    std::string_view anchor;
    std::string_view query;
};

UrlSpans spansOf(std::string_view s) {
    UrlSpans spans;
    if (const std::size_t mark = s.find(kSchemeMark); mark != std::string_view::npos) {
        spans.protocol = s.substr(0, mark + kSchemeMark.size());
        s.remove_prefix(mark + kSchemeMark.size());
    }
    const std::size_t hostEnd = std::min(findFirstOf(s, "/:"), s.size());
    spans.host = s.substr(0, hostEnd);
    s.remove_prefix(hostEnd);
    if (spans.host == ".") {
        spans.host = {};
    }
    if (s.empty()) {
        return spans;
    }
    if (s.front() == ':') {
        s.remove_prefix(1);
        const std::size_t portEnd = std::min(s.find('/'), s.size());
        spans.port = s.substr(0, portEnd);
        s.remove_prefix(portEnd);
    }
    if (const std::size_t q = s.find('?'); q != std::string_view::npos) {
        spans.query = s.substr(q);
        s = s.substr(0, q);
    }
    const std::size_t slash = s.rfind('/');
    spans.fileName = slash == std::string_view::npos ? s : s.substr(slash + 1);
    spans.path = slash == std::string_view::npos ? std::string_view() : s.substr(0, slash + 1);
    if (const std::size_t hash = spans.fileName.find('#'); hash != std::string_view::npos) {
        spans.anchor = spans.fileName.substr(hash);
        spans.fileName = spans.fileName.substr(0, hash);
    }
    return spans;
}

// The spans of a URL read with its backslashes as slashes; slashed keeps the copy when one
// was needed.
UrlSpans slashedSpans(std::string_view url, std::string& slashed) {
    if (url.find('\\') == std::string_view::npos) {
        return spansOf(url);
    }
    slashed = ToSlashes(url);
    return spansOf(slashed);
}

} // namespace

void TbrURL::SetURL(std::string_view text) {
    // Assigned in place: an object split again and again keeps its buffers.
    URL.assign(text);
    std::string slashed;
    const UrlSpans spans = slashedSpans(URL, slashed);
    Protocol.assign(spans.protocol);
    Host.assign(spans.host);
    Port.assign(spans.port);
    Path.assign(spans.path);
    FileName.assign(spans.fileName);
    Anchor.assign(spans.anchor);
    Query.assign(spans.query);
    Extension.assign(fileExtension(FileName));
    if (Extension.empty() && Query.empty()) {
        Path += FileName;
        FileName.clear();
    }
    if (!Path.empty() && Path.front() == '/') {
        Path.erase(0, 1);
    }
    if (!Path.empty() && Path.back() != '/') {
        Path += '/';
    }
}

std::string URLProtocol(std::string_view url) {
    return split(url).Protocol;
}
std::string URLHost(std::string_view url) {
    return split(url).Host;
}
std::string URLPath(std::string_view url) {
    return split(url).Path;
}
std::string URLQuery(std::string_view url) {
    std::string slashed;
    return std::string(slashedSpans(url, slashed).query);
}
std::string URLAnchor(std::string_view url) {
    return split(url).Anchor;
}

std::string URLFile(std::string_view url) {
    TbrURL parts = split(url);
    return parts.FileName + parts.Query;
}

std::string URLExtension(std::string_view url) {
    if (url.find('?') != std::string_view::npos) {
        return ".html";
    }
    // Without a query the file part is the file name when that has an extension.
    std::string slashed;
    return asciiLower(fileExtension(slashedSpans(url, slashed).fileName));
}

std::string URLDocumentExtension(std::string_view url) {
    std::string slashed;
    return std::string(fileExtension(slashedSpans(url, slashed).fileName));
}

std::string URLDirectory(std::string_view url) {
    const std::size_t query = std::min(url.find('?'), url.size());
    // The slashes of the scheme never end a directory, for https:// as for http://.
    std::size_t first = 7;
    if (const std::size_t mark = url.find(kSchemeMark); mark < query) {
        first = std::max(first, mark + kSchemeMark.size());
    }
    if (query > first) {
        const std::size_t slash = url.substr(0, query).rfind('/');
        if (slash != std::string_view::npos && slash >= first) {
            return std::string(url.substr(0, slash + 1));
        }
    }
    return std::string(url) + "/";
}

std::string StripAnchor(std::string_view url) {
    return std::string(url.substr(0, url.find('#')));
}

bool HasScheme(std::string_view link) {
    return startsWithNoCase(link, "http:") || startsWithNoCase(link, "https:") ||
           startsWithNoCase(link, "ftp:");
}

std::string AncestorURL(std::string_view url, std::size_t n) {
    std::vector<std::size_t> ends; // indexes of the "/" that end each prefix
    for (std::size_t i = 8; i < url.size(); ++i) {
        if (url[i] == '/') {
            ends.push_back(i);
        }
    }
    if (ends.empty()) {
        return std::string(url);
    }
    const std::size_t count = ends.size();
    const std::size_t index = (n > 0 && n < count) ? count - n - 1 : 0;
    return std::string(url.substr(0, ends[index] + 1));
}

std::string UpLevels(std::string_view path) {
    std::string out;
    for (char c : path) {
        if (c == '/' || c == '\\') {
            out += "../";
        }
    }
    return out;
}

std::string RelativePath(std::string_view target, std::string_view base) {
    return RelativePath(split(target), split(base));
}

std::string RelativePath(const TbrURL& t, const TbrURL& b) {
    if (!t.URL.empty() && t.URL.front() == '/') {
        return UpLevels(b.Path) + t.URL.substr(1);
    }
    if (t.Host != b.Host) {
        return t.URL;
    }
    std::string_view tp = t.Path;
    std::string_view bp = b.Path;
    while (!bp.empty() && firstSegment(tp) == firstSegment(bp)) {
        const std::size_t len = firstSegment(bp).size();
        tp.remove_prefix(len);
        bp.remove_prefix(len);
    }
    return UpLevels(bp) + std::string(tp) + t.FileName + t.Query;
}

std::string ResolveURL(std::string_view link, std::string_view base) {
    static constexpr std::array<std::string_view, 5> kAbsolute = {"HTTP://", "FILE://", "FTP://",
                                                                  "HTTPS://", "NEWS://"};
    std::string result;
    const bool absolute = std::any_of(kAbsolute.begin(), kAbsolute.end(),
                                      [&](auto prefix) { return startsWithNoCase(link, prefix); });
    if (absolute) {
        result = std::string(link);
    } else if (!link.empty() && link.front() == '/') {
        result = AncestorURL(base, 0) + std::string(link.substr(1));
    } else if (link.starts_with("../")) {
        std::size_t levels = 0;
        while (link.starts_with("../")) {
            link.remove_prefix(3);
            ++levels;
        }
        result = AncestorURL(base, levels) + std::string(link);
    } else {
        result.reserve(base.size() + link.size());
        result += base;
        result += link;
    }
    while (result.find("/./") != std::string::npos) {
        replaceAllExact(result, "/./", "/");
    }
    if (findFirstOf(result, "\r\n") != std::string::npos) {
        std::erase(result, '\n');
        std::erase(result, '\r');
    }
    ReplaceText(result, "&amp;", "&", true);
    cleanHierarchicalParts(result);
    return result;
}

bool NormalizeURL(std::string& url) {
    std::replace(url.begin(), url.end(), '\\', '/');
    if (url.find(kSchemeMark) == std::string::npos) {
        const bool drive = url.size() >= 2 && url[1] == ':';
        url.insert(0, drive ? "file://" : "http://");
    }
    const UrlSpans parts = spansOf(url);
    if (parts.host.empty() && parts.protocol != "file://") {
        return false;
    }
    // A URL whose file part has no extension names a folder; one with a "?" never does (its
    // query would be part of that file part).
    if (url.find('?') == std::string::npos && !url.ends_with('/') &&
        fileExtension(parts.fileName).empty()) {
        url += '/';
    }
    ReplaceText(url, "&amp;", "&", true);
    return true;
}

std::string ResolveLink(std::string_view link, std::string_view base) {
    std::string url = ResolveURL(link, base);
    return NormalizeURL(url) ? url : std::string();
}

Status ValidateURL(std::string& url) {
    if (!NormalizeURL(url)) {
        return Status::failure("Invalid URL.");
    }
    if (!containsNoCase(url, "http://") && !containsNoCase(url, "https://")) {
        return Status::failure(
            "Invalid URL.\nNOTE: file:// && ftp:// not supported in this version of Quarlo.");
    }
    return Status();
}

} // namespace quarlo
