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
    // The table's extensions are lower-cased.
    const std::string_view extension = std::string_view(link).substr(dot, docEnd - dot);
    if (std::any_of(serverExtensions.begin(), serverExtensions.end(),
                    [&](const std::string& server) { return equalsNoCase(server, extension); })) {
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
    out.reserve(path.size());
    for (std::size_t begin = 0;;) {
        const std::size_t slash = path.find('/', begin);
        const std::string_view segment = path.substr(begin, slash - begin);
        if (segment.size() <= kMaxSegmentBytes) {
            out += segment;
        } else {
            out += fitSegment(segment);
        }
        if (slash == std::string_view::npos) {
            return out;
        }
        out += '/';
        begin = slash + 1;
    }
}

// Whether EscapeLocalPath changes the text: it holds a query, "%", "&", "|", "*", ":" or "//".
bool needsEscaping(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case '?':
        case '%':
        case '&':
        case '|':
        case '*':
        case ':':
            return true;
        case '/':
            if (i + 1 < text.size() && text[i + 1] == '/') {
                return true;
            }
            break;
        default:
            break;
        }
    }
    return false;
}

// Whether a piece between "/" and "\" is a "." or ".." step.
bool hasStepPiece(std::string_view text) {
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '/' || text[i] == '\\') {
            const std::string_view piece = text.substr(begin, i - begin);
            if (piece == "." || piece == "..") {
                return true;
            }
            begin = i + 1;
        }
    }
    return false;
}

// A segment that is, or once decoded holds, a "." or ".." step, or is empty.
bool isStepSegment(std::string_view segment) {
    if (segment.empty() || segment == "." || segment == "..") {
        return true;
    }
    // Only a "%" can decode to anything else.
    if (segment.find('%') == std::string_view::npos) {
        return hasStepPiece(segment);
    }
    return hasStepPiece(percentDecode(segment));
}

// A fitted folder path ("h/a/b/", or "") whose segments all stay where they are.
bool isContainedFolder(std::string_view folder) {
    if (folder.find('\0') != std::string_view::npos) {
        return false;
    }
    for (std::size_t begin = 0, slash = folder.find('/'); slash != std::string_view::npos;
         begin = slash + 1, slash = folder.find('/', begin)) {
        if (isStepSegment(folder.substr(begin, slash - begin))) {
            return false;
        }
    }
    return true;
}

bool isContainedDocument(std::string_view document) {
    return document.find('\0') == std::string_view::npos && !isStepSegment(document);
}

// A URL with a query is saved under its own extension when that keeps its category, else
// as a page (".html" after the query) unless it seems to serve an image.
std::string querySuffix(const FileTypes& types, const TbrURL& url) {
    if (url.Query.empty()) {
        return {};
    }
    if (std::string kept = types.keptExtension(url.URL); !kept.empty()) {
        return kept;
    }
    constexpr std::array<std::string_view, 4> kImageMarks = {"=gif", "=jpg", ".gif", ".jpg"};
    const bool image = std::any_of(kImageMarks.begin(), kImageMarks.end(), [&](auto mark) {
        return url.URL.find(mark) != std::string::npos;
    });
    return image ? std::string() : ".html";
}

std::string defaultDocumentName(const TbrURL& parts) {
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

// The local link from the page directory to the copy of the URL, both split. The suffix a
// query adds comes last, so it is appended to the relative path of the URL itself.
std::string localLinkWith(const FileTypes& types, const TbrURL& url, const TbrURL& page) {
    const std::vector<std::string>& serverExtensions = types.serverPageExtensions();
    const std::string suffix = querySuffix(types, url);
    std::string r;
    if (url.Host != page.Host) {
        // The host folder is named exactly as the host, as LocalName names it.
        std::string below = url.Path + url.FileName + url.Query;
        below += suffix;
        renameServerPage(below, serverExtensions);
        r = "../" + UpLevels(page.Path) + url.Host + "/" + EscapeLocalPath(below);
    } else {
        r = RelativePath(url, page);
        r += suffix;
        renameServerPage(r, serverExtensions);
        r = EscapeLocalPath(r);
    }
    if (r.empty() || r.back() == '/' || r.back() == '\\') {
        r += defaultDocumentName(url);
    }
    cutLongDocumentName(r);
    return fitSegments(r);
}

// The file name of the URL's copy: the last segment of the link to it from its own folder.
// That segment is the URL's file name and query as the link writes them, or a directory's
// default document name; only a URL text that begins with "/" has its link worked out whole.
std::string documentName(const FileTypes& types, const TbrURL& url) {
    if (!url.URL.empty() && url.URL.front() == '/') {
        const std::string link = localLinkWith(types, url, split(URLDirectory(url.URL)));
        return link.substr(link.rfind('/') + 1);
    }
    std::string document = url.FileName + url.Query;
    document += querySuffix(types, url);
    if (document.empty()) {
        document = defaultDocumentName(url);
    } else {
        renameServerPage(document, types.serverPageExtensions());
        document = EscapeLocalPath(document);
    }
    cutLongDocumentName(document);
    return fitSegment(document);
}

// The local folder of a URL: its host, then the folders of its path ("" or ending with "/").
LocalFolder localFolder(const TbrURL& url) {
    const std::string folders = EscapeLocalPath(url.Path);
    LocalFolder folder;
    folder.path = fitSegments(url.Host.empty() ? folders : url.Host + "/" + folders);
    folder.contained = isContainedFolder(folder.path);
    return folder;
}

// The name of the copy under the save folder, or "" when it would not lie inside it.
std::string joinedName(const LocalFolder& folder, std::string_view document) {
    if (!folder.contained || !isContainedDocument(document)) {
        return {};
    }
    std::string name;
    name.reserve(folder.path.size() + document.size());
    name += folder.path;
    name += document;
    return name;
}

} // namespace

std::string EscapeLocalPath(std::string_view text) {
    // Most paths hold nothing that is replaced: one look at each byte tells.
    if (!needsEscaping(text)) {
        return std::string(text);
    }
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
    return defaultDocumentName(split(url));
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
    return localLinkWith(types, split(url), split(pageDir));
}

std::string LocalDocumentName(const FileTypes& types, std::string_view url) {
    return documentName(types, split(url));
}

std::string LocalName(const FileTypes& types, std::string_view saveFolder, std::string_view url) {
    const TbrURL parts = split(url);
    const std::string name = joinedName(localFolder(parts), documentName(types, parts));
    if (name.empty()) {
        return {};
    }
    std::string folder(saveFolder);
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder + name;
}

LocalNamer::LocalNamer(const FileTypes& types) : m_types(&types) {}

std::string LocalNamer::name(std::string_view url) {
    m_parts.SetURL(url);
    // The host holds no "/", so the key tells host and path apart.
    m_folderKey.assign(m_parts.Host);
    m_folderKey += '/';
    m_folderKey += m_parts.Path;
    auto folder = m_folders.find(m_folderKey);
    if (folder == m_folders.end()) {
        folder = m_folders.emplace(m_folderKey, localFolder(m_parts)).first;
    }
    return joinedName(folder->second, documentName(*m_types, m_parts));
}

} // namespace quarlo
