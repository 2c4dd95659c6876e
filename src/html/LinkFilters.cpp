#include "html/LinkFilters.h"

#include "html/FileTypes.h"
#include "html/LinkOptions.h"
#include "html/LinkPasses.h"
#include "html/TextSearch.h"
#include "html/UrlFunctions.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quarlo {

namespace {

constexpr std::size_t kScopeTagLength = 4;

// Looked for in this order: an entry naming several tags takes the first of the list.
constexpr std::array<std::pair<std::string_view, FilterScope>, 3> kScopeTags{{
    {"[AL]", FilterScope::AllLinks},
    {"[PL]", FilterScope::PageLinks},
    {"[RL]", FilterScope::ResourceLinks},
}};

std::vector<UrlFilterEntry> parseEntries(const std::vector<std::string>& entries) {
    std::vector<UrlFilterEntry> parsed;
    parsed.reserve(entries.size());
    for (const std::string& entry : entries) {
        parsed.push_back(parseFilterEntry(entry));
    }
    return parsed;
}

// The lower-cased scheme of the URL (its text up to the first "://", "\" read as "/") is
// "http://" or "https://". Worked out on the first bytes alone: the test runs for every link
// of every page.
bool hasWebScheme(std::string_view url) {
    const auto startsWith = [url](std::string_view scheme) {
        return url.size() >= scheme.size() &&
               std::equal(scheme.begin(), scheme.end(), url.begin(),
                          [](char s, char u) { return s == (u == '\\' ? '/' : lowerAscii(u)); });
    };
    return startsWith("http://") || startsWith("https://");
}

bool isPageCategory(std::string_view category) {
    return category == kHtmlFileType;
}

} // namespace

std::string_view scopeTag(FilterScope scope) {
    for (const auto& [tag, tagScope] : kScopeTags) {
        if (tagScope == scope) {
            return tag;
        }
    }
    return {};
}

bool UrlFilterEntry::appliesTo(bool page) const {
    switch (scope) {
    case FilterScope::PageLinks:
        return page;
    case FilterScope::ResourceLinks:
        return !page;
    case FilterScope::Untagged:
    case FilterScope::AllLinks:
        break;
    }
    return true;
}

bool UrlFilterEntry::matches(std::string_view url) const {
    return FindText(url, text, 1, true) != 0;
}

UrlFilterEntry parseFilterEntry(std::string_view entry) {
    UrlFilterEntry parsed;
    for (const auto& [tag, scope] : kScopeTags) {
        if (entry.find(tag) != std::string_view::npos) {
            parsed.scope = scope;
            parsed.text = std::string(entry.substr(kScopeTagLength));
            return parsed;
        }
    }
    parsed.text = std::string(entry);
    return parsed;
}

std::string siteRoot(std::string_view startDirectory) {
    return AncestorURL(startDirectory, 0);
}

int linkTestLevel(int pageLevel, bool page, const LinkPass& pass) {
    return page && pass.keepsPageLevel() ? pageLevel : pageLevel + 1;
}

LinkFilter::LinkFilter(const LinkOptions& options, std::string startDirectory,
                       const FileTypes* types)
    : m_types(types), m_exclude(parseEntries(options.urlFiltersExclude)),
      m_include(parseEntries(options.urlFiltersInclude)), m_depth(options.depth),
      m_pageLocation(options.pageLocation), m_resourceLocation(options.resourceLocation),
      m_startDirectory(std::move(startDirectory)), m_siteRoot(quarlo::siteRoot(m_startDirectory)) {
    m_fileTypes.reserve(options.fileTypes.size());
    for (const std::string& type : options.fileTypes) {
        m_fileTypes.push_back(asciiLower(type));
    }
}

bool LinkFilter::accepts(std::string_view url, std::string_view category, int testLevel) const {
    if (!hasWebScheme(url)) {
        return false;
    }
    bool shortcut = false;
    if (!passesFileTypes(url, shortcut)) {
        return false;
    }
    if (shortcut) {
        return true;
    }
    const bool page = isPageCategory(category);
    if (page && m_depth >= 0 && m_depth < testLevel) {
        return false;
    }
    if (excluded(url, page) || !included(url, page)) {
        return false;
    }
    return withinLocation(url, page ? m_pageLocation : m_resourceLocation);
}

bool LinkFilter::withinSite(std::string_view url) const {
    return url.find(m_siteRoot) != std::string_view::npos;
}

bool LinkFilter::passesFileTypes(std::string_view url, bool& shortcut) const {
    shortcut = false;
    // The extension is worked out only for a task that selects file types, so the script
    // and style sheet shortcut applies to those tasks alone.
    if (m_fileTypes.empty()) {
        return true;
    }
    std::string extension = m_types != nullptr ? asciiLower(m_types->keptExtension(url)) : "";
    if (extension.empty()) {
        extension = URLExtension(url);
    }
    if (extension.empty()) {
        return true; // a directory
    }
    if (std::find(m_fileTypes.begin(), m_fileTypes.end(), extension) == m_fileTypes.end()) {
        return false;
    }
    shortcut = extension == ".js" || extension == ".css";
    return true;
}

bool LinkFilter::excluded(std::string_view url, bool page) const {
    return std::any_of(m_exclude.begin(), m_exclude.end(), [&](const UrlFilterEntry& entry) {
        return entry.appliesTo(page) && entry.matches(url);
    });
}

bool LinkFilter::included(std::string_view url, bool page) const {
    if (m_include.empty()) {
        return true;
    }
    return std::any_of(m_include.begin(), m_include.end(), [&](const UrlFilterEntry& entry) {
        return entry.appliesTo(page) && entry.matches(url);
    });
}

bool LinkFilter::withinLocation(std::string_view url, std::uint8_t location) const {
    switch (location) {
    case LinkOptions::WithinDirectory:
        return url.starts_with(m_startDirectory);
    case LinkOptions::WithinSite:
        return withinSite(url);
    case LinkOptions::Anywhere:
        return true;
    default:
        return false;
    }
}

bool AcceptLink(std::string_view url, std::string_view category, int testLevel,
                std::string_view startDirectory, const LinkOptions& options,
                const FileTypes* types) {
    return LinkFilter(options, std::string(startDirectory), types)
        .accepts(url, category, testLevel);
}

} // namespace quarlo
