#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quarlo::test {

// A link of a saved page: the value as written, and for an applet's CODE its CODEBASE.
struct PageLink {
    std::string tag; // lower case
    std::string value;
    std::string codebase;

    bool operator==(const PageLink&) const = default;
};

// A link of a saved page that a browser opening the page from disk could not follow to a
// local file.
struct BrokenLink {
    std::string page; // the page's path below the root
    std::string link;
    std::string reason;
};

// Follows the links of saved pages the way a browser does when it opens them from disk, on
// its own: it shares no code with the program's scanner or its local names.
//
// Links are the HREF, SRC and BACKGROUND values of every tag outside scripts and comments,
// an applet's CODE (under its CODEBASE), the URL of a META refresh, and the quoted address
// in a "javascript:" value. A relative link is resolved against the page's folder: character
// references and percent-escapes decoded, the "#" and "?" parts cut off, dot segments
// applied. It must name an existing file inside the root.
class LinkChecker {
public:
    // sitePrefixes: the addresses of the mirrored site ("http://127.0.0.1:1234/"). A link
    // left pointing there would go to the network instead of the copy, and is reported.
    // Links to anywhere else (other sites, mail, data: URLs) are not checked.
    LinkChecker(std::string root, std::vector<std::string> sitePrefixes);

    static std::vector<PageLink> linksOf(const std::string& html);
    // An attribute value as written, read as a browser reads it: character references
    // decoded, surrounding blanks cut.
    static std::string valueAsRead(const std::string& written);
    // The file a relative link opens from the page at pagePath (a file path); nothing when
    // the link is not a relative one.
    static std::optional<std::string> resolve(const std::string& pagePath, const PageLink& link);

    std::vector<BrokenLink> checkPage(const std::string& pagePath) const;
    // Every .htm and .html file below the root.
    std::vector<BrokenLink> checkAll() const;
    // Relative links followed by the checks so far.
    int linksFollowed() const { return m_followed; }

private:
    std::optional<std::string> problemWith(const std::string& pagePath, const PageLink& link) const;

    std::string m_root;
    std::vector<std::string> m_sitePrefixes;
    mutable int m_followed = 0;
};

// A readable list of broken links, one a line, for test failure messages.
std::string describe(const std::vector<BrokenLink>& broken);

} // namespace quarlo::test
