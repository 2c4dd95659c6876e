#pragma once

#include "html/LinkConversion.h"
#include "html/LinkFilters.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace quarlo {

class FileTypes;
class LinkCandidate;
struct LinkOptions;
struct LinkPass;

// One link found on a page, after it was resolved, tested and (when the profile says so)
// rewritten in the page. Handed to the caller while its pass is still running, so the
// caller can queue it before the next link is looked at.
struct FoundLink {
    explicit FoundLink(LinkCandidate& found) : candidate(found) {}

    LinkCandidate& candidate; // the value in the page and its pass
    std::string title;        // the link text, taken before the value was rewritten
    std::string baseUrl;      // what the link was resolved against
    std::string url;          // the absolute URL with its "#" part; "" when none resulted
    std::string category;     // the URL's file type; "HTML" makes it a page
    int testLevel = 0;        // the level the depth test used
    bool followed = false;    // accepted by the link test
    bool converted = false;   // its text in the page now names the local copy

    bool page() const;
};

using FoundLinkHandler = std::function<void(const FoundLink&)>;

// Everything that decides the fate of the links of one saved page: the page's own address
// and level, the task's start directory and link options, the file-type table and the queue's
// spellings. The caller drives it pass by pass (or page by page) and queues the followed
// links from the handler; the handler runs before the next candidate is resolved, so a URL
// queued there is already known to the spelling look-up of the next link. The file-type
// table and the options must outlive the object.
class PageLinks {
public:
    PageLinks(const FileTypes& types, const LinkOptions& options, std::string pageUrl,
              int pageLevel, std::string startDirectory, QueuedSpelling queued = {});

    // Removes the page's BASE tag; its address becomes the base of relative links.
    void takeBase(std::string& page);
    const std::string& baseHref() const { return m_baseHref; }
    void setBaseHref(std::string baseHref) { m_baseHref = std::move(baseHref); }

    // Resolves one candidate, tests it and rewrites it when the profile says so.
    FoundLink handle(LinkCandidate& candidate) const;
    // Every pass the profile's "Aggressive Parser" value gives, in order; onLink (may be
    // empty) sees every candidate.
    void scanPage(std::string& page, const FoundLinkHandler& onLink) const;

    const LinkFilter& filter() const { return m_filter; }
    const std::string& pageUrl() const { return m_pageUrl; }

private:
    std::string resolveBase(const LinkCandidate& candidate) const;

    const FileTypes* m_types;
    const LinkOptions* m_options;
    std::string m_pageUrl;
    std::string m_pageDirectory;
    int m_pageLevel;
    LinkFilter m_filter;
    PageLocalLinks m_localLinks;
    std::string m_baseHref;
};

} // namespace quarlo
