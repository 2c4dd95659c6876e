#include "html/PagePasses.h"

#include "html/FileTypes.h"
#include "html/LinkFilters.h"
#include "html/LinkOptions.h"
#include "html/LinkPasses.h"
#include "html/LinkScan.h"
#include "html/PageScanner.h"
#include "html/UrlFunctions.h"

namespace quarlo {

namespace {

// A codebase the browser resolves against the saved page's own folder.
bool isRelativeFolder(const std::string& codebase) {
    return !codebase.empty() && codebase[0] != '/' && codebase[0] != '\\' &&
           codebase.find(':') == std::string::npos;
}

std::string asFolder(std::string codebase) {
    if (codebase.back() != '/')
        codebase += '/';
    return codebase;
}

} // namespace

PagePasses::PagePasses(const FileTypes& types, const LinkOptions& options, std::string pageUrl,
                       int pageLevel, std::string startDirectory, QueuedSpelling queued)
    : m_links(types, options, std::move(pageUrl), pageLevel, std::move(startDirectory), queued),
      m_types(&types), m_options(&options), m_pageLevel(pageLevel), m_queued(std::move(queued)) {}

void PagePasses::scanPass(PageScanner& scanner, const LinkPass& pass,
                          const FoundLinkHandler& onLink) {
    scanner.scanPass(pass, m_options->aggressiveParser,
                     [&](LinkCandidate& candidate) { visit(candidate, onLink); });
}

void PagePasses::visit(LinkCandidate& candidate, const FoundLinkHandler& onLink) {
    const std::size_t position = candidate.position();
    if (m_written.contains(position))
        return;
    const std::size_t oldLength = candidate.length();
    const FoundLink link = candidate.pass().usesCodebase() && !candidate.codebase().empty()
                               ? handleCodebase(candidate)
                               : m_links.handle(candidate);
    if (link.converted) {
        m_written.noteRewrite(position, oldLength, candidate.length());
        m_rewrites.noteRewrite(position - 1, oldLength, candidate.length(), link.url);
    }
    if (onLink)
        onLink(link);
}

// Resolved against the codebase (itself resolved against the page's base), tested like any
// link; converted relative to the folder the browser takes the codebase for.
FoundLink PagePasses::handleCodebase(LinkCandidate& candidate) const {
    FoundLink link(candidate);
    const std::string codebase = asFolder(candidate.codebase());
    const std::string pageDirectory = URLDirectory(m_links.pageUrl());
    const std::string& baseHref = m_links.baseHref();
    const std::string base =
        baseHref.empty() || HasScheme(candidate.value()) ? pageDirectory : baseHref;
    link.title = candidate.linkText();
    link.baseUrl = ResolveURL(codebase, base);
    link.url = ResolveLink(candidate.link(), link.baseUrl);
    link.category = m_types->URLFileType(link.url);
    link.testLevel = linkTestLevel(m_pageLevel, link.page(), candidate.pass());
    const LinkFilter& filter = m_links.filter();
    link.followed = filter.accepts(link.url, link.category, link.testLevel);
    // A codebase elsewhere sends the browser there whatever CODE says: left alone.
    if (isRelativeFolder(codebase) &&
        shouldConvertLink(*m_options, link.followed, filter.withinSite(link.url))) {
        const PageLocalLinks fromCodebase(*m_types, ResolveURL(codebase, pageDirectory), m_queued);
        if (const std::string text = fromCodebase.linkTo(link.url); !text.empty()) {
            candidate.replace(text);
            link.converted = true;
        }
    }
    return link;
}

} // namespace quarlo
