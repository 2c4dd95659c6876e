#include "html/LinkConversion.h"

#include "html/LinkOptions.h"
#include "html/LinkScan.h"
#include "html/LocalNames.h"
#include "html/TextSearch.h"
#include "html/UrlFunctions.h"
#include "platform/FileUtil.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <utility>

namespace quarlo {

namespace {

// Bytes a relative link keeps as they are. Everything else is percent-encoded: a browser
// would take "%" as an escape, "#" and "?" as the end of the path, "\" as "/", ":" in a
// first segment as a scheme and "&" as a character reference, and would cut the attribute
// at a quote or strip blanks and controls.
bool keptInLink(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        return true;
    }
    constexpr std::string_view kKept = "-._~/!$()*+,;=@[]";
    return kKept.find(static_cast<char>(c)) != std::string_view::npos;
}

// The relative path from the folder of one saved file to another saved file, both given
// relative to the save folder: up out of the folders the two do not share, then down. The
// target's file name is never taken for a shared folder.
std::string relativeFilePath(std::string_view fromFile, std::string_view toFile) {
    std::size_t ups = static_cast<std::size_t>(std::count(fromFile.begin(), fromFile.end(), '/'));
    std::size_t from = 0;
    std::size_t to = 0;
    for (;;) {
        const std::size_t fromSlash = fromFile.find('/', from);
        const std::size_t toSlash = toFile.find('/', to);
        if (fromSlash == std::string_view::npos || toSlash == std::string_view::npos ||
            fromFile.substr(from, fromSlash - from) != toFile.substr(to, toSlash - to)) {
            break;
        }
        from = fromSlash + 1;
        to = toSlash + 1;
        --ups;
    }
    std::string path;
    path.reserve(3 * ups + toFile.size() - to);
    for (; ups > 0; --ups) {
        path += "../";
    }
    path += toFile.substr(to);
    return path;
}

} // namespace

bool shouldConvertLink(const LinkOptions& options, bool followed, bool withinSite) {
    if (followed) {
        return options.convertFollowedLinks == 1;
    }
    const std::uint8_t unfollowed = options.convertUnfollowedLinks;
    return unfollowed == 2 || (unfollowed == 1 && withinSite);
}

std::string encodeLocalLink(std::string_view path) {
    return percentEncode(path, keptInLink);
}

PageLocalLinks::PageLocalLinks(const FileTypes& types, std::string_view pageUrl,
                               QueuedSpelling queued)
    : m_queued(std::move(queued)), m_pagePath(LocalName(types, "", pageUrl)), m_names(types) {}

std::string PageLocalLinks::linkTo(std::string_view url) const {
    if (url.empty() || m_pagePath.empty()) {
        return {};
    }
    // The queue holds URLs without their "#" part, so the saved file is that of the URL
    // without it, also when the "#" stands in a query; the "#" part stays a fragment.
    std::string target = StripAnchor(url);
    const std::string_view fragment = url.substr(target.size());
    if (m_queued) {
        if (std::string spelling = m_queued(target); !spelling.empty()) {
            target = std::move(spelling);
        }
    }
    const std::string targetPath = m_names.name(target);
    if (targetPath.empty()) {
        return {};
    }
    return encodeLocalLink(relativeFilePath(m_pagePath, targetPath)) + std::string(fragment);
}

bool ConvertLink(LinkCandidate& candidate, const FileTypes& types, std::string_view pageUrl,
                 std::string_view url, const QueuedSpelling& queued) {
    const std::string text = PageLocalLinks(types, pageUrl, queued).linkTo(url);
    if (text.empty()) {
        return false;
    }
    candidate.replace(text);
    return true;
}

std::string takeBaseHref(std::string& page, std::string_view pageUrl) {
    const std::string href = removeBaseTag(page);
    if (href.empty()) {
        return {};
    }
    return URLDirectory(ResolveURL(href, URLDirectory(pageUrl)));
}

std::optional<std::string> readPageText(const std::string& path) {
    return readFile(path);
}

Status writePageText(const std::string& path, std::string_view text) {
    return writeFileAtomic(path, text);
}

} // namespace quarlo
