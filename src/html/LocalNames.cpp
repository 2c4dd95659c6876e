#include "html/LocalNames.h"

#include "html/FileNames.h"
#include "html/FileTypes.h"
#include "html/TextSearch.h"
#include "html/UrlFunctions.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quarlo {

namespace {

constexpr std::string_view kEscapedSlash = "\xC2\xA1";    // ¡
constexpr std::string_view kEscapedQuestion = "\xC2\xBF"; // ¿
constexpr std::string_view kEscapedColon = "\xC2\xA6";    // ¦
constexpr std::string_view kEscapedStar = "\xC2\xB0";     // °

// A document name over 256 bytes is cut to 250 bytes plus its extension.
constexpr std::size_t kLongDocumentName = 256;
constexpr std::size_t kCutDocumentName = 250;
constexpr std::size_t kMaxKeptExtension = 16;

TbrURL split(std::string_view url) {
    TbrURL parts;
    parts.SetURL(url);
    return parts;
}

void replaceAllExact(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// Turns the extension of the document (the last segment before any query) into ".html"
// when it is a server page's.
void renameServerPage(std::string& link, const std::vector<std::string>& serverExtensions) {
    const std::size_t docEnd = std::min(link.find('?'), link.size());
    const std::string_view head = std::string_view(link).substr(0, docEnd);
    const std::size_t docBegin = head.rfind('/') + 1; // 0 when there is no "/"
    const std::size_t dot = head.rfind('.');
    if (dot == std::string_view::npos || dot < docBegin) {
        return;
    }
    const std::string extension = asciiLower(std::string_view(link).substr(dot, docEnd - dot));
    if (std::find(serverExtensions.begin(), serverExtensions.end(), extension) !=
        serverExtensions.end()) {
        link.replace(dot, docEnd - dot, ".html");
    }
}

// A document name longer than 256 bytes keeps its first 250 bytes and its extension.
void cutLongDocumentName(std::string& link) {
    const std::size_t docBegin = link.rfind('/') + 1;
    const std::string_view doc = std::string_view(link).substr(docBegin);
    if (doc.size() <= kLongDocumentName) {
        return;
    }
    const std::size_t dot = doc.rfind('.');
    const std::string extension(dot == std::string_view::npos ? "" : doc.substr(dot));
    const std::string cut(cutUtf8(doc, kCutDocumentName));
    link.replace(docBegin, std::string::npos, cut + extension);
}

std::string fitSegments(std::string_view path) {
    std::string out;
    for (std::size_t begin = 0;;) {
        const std::size_t slash = path.find('/', begin);
        out += fitSegment(path.substr(begin, slash - begin));
        if (slash == std::string_view::npos) {
            return out;
        }
        out += '/';
        begin = slash + 1;
    }
}

// A segment that is, or once decoded holds, a "." or ".." step, or is empty.
bool isStepSegment(std::string_view segment) {
    if (segment.empty() || segment == "." || segment == "..") {
        return true;
    }
    const std::string decoded = percentDecode(segment);
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = std::min(decoded.find_first_of("/\\", begin), decoded.size());
        const std::string_view piece = std::string_view(decoded).substr(begin, end - begin);
        if (piece == "." || piece == "..") {
            return true;
        }
        if (end == decoded.size()) {
            return false;
        }
        begin = end + 1;
    }
}

bool isContainedPath(std::string_view relative) {
    if (relative.empty() || relative.find('\0') != std::string_view::npos) {
        return false;
    }
    for (std::size_t begin = 0;;) {
        const std::size_t slash = std::min(relative.find('/', begin), relative.size());
        if (isStepSegment(relative.substr(begin, slash - begin))) {
            return false;
        }
        if (slash == relative.size()) {
            return true;
        }
        begin = slash + 1;
    }
}

std::string localLinkWith(const std::vector<std::string>& serverExtensions, std::string_view url,
                          std::string_view pageDir) {
    std::string u(url);
    if (!URLQuery(url).empty()) {
        constexpr std::array<std::string_view, 4> kImageMarks = {"=gif", "=jpg", ".gif", ".jpg"};
        const bool image = std::any_of(kImageMarks.begin(), kImageMarks.end(), [&](auto mark) {
            return url.find(mark) != std::string_view::npos;
        });
        if (!image) {
            u += ".html";
        }
    }
    const TbrURL target = split(u);
    const TbrURL page = split(pageDir);
    std::string r;
    if (target.Host != page.Host) {
        // The host folder is named exactly as the host, as LocalName names it.
        std::string below = target.Path + target.FileName + target.Query;
        renameServerPage(below, serverExtensions);
        r = "../" + UpLevels(page.Path) + target.Host + "/" + EscapeLocalPath(below);
    } else {
        r = RelativePath(u, pageDir);
        renameServerPage(r, serverExtensions);
        r = EscapeLocalPath(r);
    }
    if (r.empty() || r.back() == '/' || r.back() == '\\') {
        r += DefaultDocumentName(url);
    }
    cutLongDocumentName(r);
    return fitSegments(r);
}

} // namespace

std::string EscapeLocalPath(std::string_view text) {
    std::string s(text);
    if (const std::size_t query = s.find('?'); query != std::string::npos) {
        std::string tail = s.substr(query);
        replaceAllExact(tail, "/", kEscapedSlash);
        replaceAllExact(tail, "?", kEscapedQuestion);
        s.replace(query, std::string::npos, tail);
    }
    // Most paths hold none of what is replaced below.
    if (findFirstOf(s, "%&|*:") == std::string::npos && s.find("//") == std::string::npos) {
        return s;
    }
    ReplaceText(s, "%20", " ", true);
    ReplaceText(s, "&amp;", "&", true);
    ReplaceText(s, "%3A", kEscapedColon, true);
    ReplaceText(s, "|", kEscapedColon, true);
    ReplaceText(s, "*", kEscapedStar, true);
    ReplaceText(s, ":", kEscapedColon, true);
    ReplaceText(s, "//", "/", true);
    return s;
}

std::string DefaultDocumentName(std::string_view url) {
    const TbrURL parts = split(url);
    if (!parts.Path.empty()) {
        const std::string_view folders =
            std::string_view(parts.Path).substr(0, parts.Path.size() - 1);
        return std::string(folders.substr(folders.rfind('/') + 1)) + ".html";
    }
    if (!parts.Host.empty()) {
        const std::size_t dot = parts.Host.rfind('.');
        return dot == std::string::npos ? "html" : parts.Host.substr(0, dot + 1) + "html";
    }
    return {};
}

std::string fitSegment(std::string_view segment) {
    if (segment.size() <= kMaxSegmentBytes) {
        return std::string(segment);
    }
    const std::size_t dot = segment.rfind('.');
    std::string_view extension;
    if (dot != std::string_view::npos && dot > 0 && segment.size() - dot <= kMaxKeptExtension) {
        extension = segment.substr(dot);
    }
    const std::string_view stem = segment.substr(0, segment.size() - extension.size());
    return std::string(cutUtf8(stem, kMaxSegmentBytes - extension.size())) + std::string(extension);
}

std::string LocalLink(const FileTypes& types, std::string_view url, std::string_view pageDir) {
    return localLinkWith(types.serverPageExtensions(), url, pageDir);
}

std::string LocalDocumentName(const FileTypes& types, std::string_view url) {
    const std::string link = LocalLink(types, url, URLDirectory(url));
    return link.substr(link.rfind('/') + 1);
}

std::string LocalName(const FileTypes& types, std::string_view saveFolder, std::string_view url) {
    const TbrURL parts = split(url);
    const std::string document = LocalDocumentName(types, url);
    const std::string folders = EscapeLocalPath(parts.Path);
    const std::string relative = fitSegments(
        parts.Host.empty() ? folders + document : parts.Host + "/" + folders + document);
    if (!isContainedPath(relative)) {
        return {};
    }
    std::string folder(saveFolder);
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder + relative;
}

} // namespace quarlo
