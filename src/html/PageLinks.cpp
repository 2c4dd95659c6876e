#include "html/PageLinks.h"

#include "html/FileTypes.h"
#include "html/LinkOptions.h"
#include "html/LinkPasses.h"
#include "html/LinkScan.h"
#include "html/PageScanner.h"
#include "html/UrlFunctions.h"

namespace quarlo {

bool FoundLink::page() const {
    return category == kHtmlFileType;
}

PageLinks::PageLinks(const FileTypes& types, const LinkOptions& options, std::string pageUrl,
                     int pageLevel, std::string startDirectory, QueuedSpelling queued)
    : m_types(&types), m_options(&options), m_pageUrl(std::move(pageUrl)),
      m_pageDirectory(URLDirectory(m_pageUrl)), m_pageLevel(pageLevel),
      m_filter(options, std::move(startDirectory), &types),
      m_localLinks(types, m_pageUrl, std::move(queued)) {}

void PageLinks::takeBase(std::string& page) {
    m_baseHref = takeBaseHref(page, m_pageUrl);
}

std::string PageLinks::resolveBase(const LinkCandidate& candidate) const {
    // An absolute link ignores the BASE address.
    std::string base =
        m_baseHref.empty() || HasScheme(candidate.value()) ? m_pageDirectory : m_baseHref;
    if (candidate.pass().usesCodebase()) {
        if (const std::string codebase = candidate.codebase(); !codebase.empty()) {
            base = ResolveURL(codebase, base);
        }
    }
    return base;
}

FoundLink PageLinks::handle(LinkCandidate& candidate) const {
    FoundLink link(candidate);
    link.title = candidate.linkText();
    link.baseUrl = resolveBase(candidate);
    link.url = ResolveLink(candidate.link(), link.baseUrl);
    link.category = m_types->URLFileType(link.url);
    // What style text links to is a resource whatever its address says: depth never cuts it.
    if (candidate.pass().styleText() && link.page())
        link.category = kUnknownFileType;
    link.testLevel = linkTestLevel(m_pageLevel, link.page(), candidate.pass());
    link.followed = m_filter.accepts(link.url, link.category, link.testLevel);
    // Conversion comes before the caller's duplicate test: a link to a URL that is already
    // queued is rewritten as well.
    if (shouldConvertLink(*m_options, link.followed, m_filter.withinSite(link.url))) {
        if (const std::string text = m_localLinks.linkTo(link.url); !text.empty()) {
            candidate.replace(text);
            link.converted = true;
        }
    }
    return link;
}

void PageLinks::scanPage(std::string& page, const FoundLinkHandler& onLink) const {
    PageScanner(page).scanAll(m_options->aggressiveParser, [&](LinkCandidate& candidate) {
        const FoundLink link = handle(candidate);
        if (onLink) {
            onLink(link);
        }
    });
}

} // namespace quarlo
