#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

class FileTypes;

struct LinkOptions;
struct LinkPass;

// What a URL filter entry applies to. An entry is a four-character scope tag followed by
// its filter text ("[PL]cgi"); an entry without a tag applies to every link.
enum class FilterScope : std::uint8_t {
    Untagged,      // no tag anywhere in the entry: every link, the whole entry is the text
    AllLinks,      // "[AL]"
    PageLinks,     // "[PL]"
    ResourceLinks, // "[RL]"
};

// The tag text of a scope ("[AL]", "[PL]", "[RL]"); "" for an untagged entry.
std::string_view scopeTag(FilterScope scope);

// One entry of the profile's include or exclude list, as the link test reads it.
struct UrlFilterEntry {
    FilterScope scope = FilterScope::Untagged;
    std::string text; // matched as one string, commas included

    // Untagged and [AL] entries apply to every link, [PL] to pages, [RL] to resources.
    bool appliesTo(bool page) const;
    // The text occurs in the URL, ASCII case ignored, a "?" matching any one byte. An empty
    // text matches nothing.
    bool matches(std::string_view url) const;
};

// Reads an entry: the scope is [AL] when "[AL]" occurs anywhere in it, else [PL], else
// [RL]; with a scope the first four characters are dropped, whatever they are, and the rest
// is the filter text.
UrlFilterEntry parseFilterEntry(std::string_view entry);

// The site root of a task: scheme, "://", host and "/" of its start directory.
std::string siteRoot(std::string_view startDirectory);

// The level a link is tested at for depth. A page found through a SRC or URL attribute
// (frames, refresh targets) keeps the level of the page it was found on; every other page
// and every resource is tested one level deeper.
int linkTestLevel(int pageLevel, bool page, const LinkPass& pass);

// The profile's link test made ready for one task: the lists are parsed once, so testing a
// link costs no allocation beyond the URL's extension. Pure: it keeps no state between
// links.
class LinkFilter {
public:
    // With a file-type table, a URL with a query whose document extension keeps its
    // category (FileTypes::keptExtension) is tested by that extension; without one, or for
    // any other URL with a query, by ".html". The table must outlive the object.
    LinkFilter(const LinkOptions& options, std::string startDirectory,
               const FileTypes* types = nullptr);

    // True when the link is followed. category is the URL's file type; the link is a page
    // when it is exactly "HTML". The tests run in order and the first that decides ends it:
    // scheme, file types, the .js/.css shortcut, depth, exclude list, include list,
    // location.
    bool accepts(std::string_view url, std::string_view category, int testLevel) const;

    const std::string& startDirectory() const { return m_startDirectory; }
    const std::string& siteRoot() const { return m_siteRoot; }
    // The site root occurs in the URL (exact comparison): the link lies within the site.
    bool withinSite(std::string_view url) const;

private:
    // Decided by the file-type list: refused (false) or let through (true), and whether the
    // script and style sheet shortcut accepts it at once.
    bool passesFileTypes(std::string_view url, bool& shortcut) const;
    bool excluded(std::string_view url, bool page) const;
    bool included(std::string_view url, bool page) const;
    bool withinLocation(std::string_view url, std::uint8_t location) const;

    const FileTypes* m_types;
    std::vector<std::string> m_fileTypes; // lower-cased
    std::vector<UrlFilterEntry> m_exclude;
    std::vector<UrlFilterEntry> m_include;
    std::int32_t m_depth = -1;
    std::uint8_t m_pageLocation = 0;
    std::uint8_t m_resourceLocation = 0;
    std::string m_startDirectory;
    std::string m_siteRoot;
};

// The link test for one link: LinkFilter built for the call. A caller that tests many links
// keeps a LinkFilter instead.
bool AcceptLink(std::string_view url, std::string_view category, int testLevel,
                std::string_view startDirectory, const LinkOptions& options,
                const FileTypes* types = nullptr);

} // namespace quarlo
