#pragma once

#include "html/LinkConversion.h"
#include "html/LinkRecords.h"
#include "html/PageLinks.h"
#include "html/WrittenSpans.h"

#include <string>
#include <utility>

namespace quarlo {

class FileTypes;
class LinkCandidate;
class PageScanner;
struct LinkOptions;
struct LinkPass;

// The extraction passes over one saved page, as the parse thread runs them: PageLinks
// resolves, tests and converts each link, with two additions that keep the converted page
// sound.
//
// A value that a conversion has written is the program's own text, not a link of the page:
// a later pass that finds it again (an AREA tag is read by the "A" pass and again by the
// AREA pass; a tag inside a script by a tag pass and a quote pass) passes it over. Read as a
// link it would resolve to an address the site never had (show.asp?id=2 converted to
// show.html%C2%BFid=2.html).
//
// An applet's CODE is looked up by the browser under its CODEBASE, so a converted CODE value
// is relative to the codebase's folder; a codebase without a trailing "/" still names a
// folder.
class PagePasses {
public:
    // The file-type table and the options must outlive the object.
    PagePasses(const FileTypes& types, const LinkOptions& options, std::string pageUrl,
               int pageLevel, std::string startDirectory, QueuedSpelling queued);

    // Removes the page's BASE tag; its address becomes the base of relative links.
    void takeBase(std::string& page) { m_links.takeBase(page); }
    const std::string& baseHref() const { return m_links.baseHref(); }
    void setBaseHref(std::string baseHref) { m_links.setBaseHref(std::move(baseHref)); }

    // One extraction pass over the scanner's page; onLink sees every link of the page it
    // finds, after it was resolved, tested and (when the profile says so) converted.
    void scanPass(PageScanner& scanner, const LinkPass& pass, const FoundLinkHandler& onLink);
    // One candidate of a pass, whichever scanner found it.
    void visit(LinkCandidate& candidate, const FoundLinkHandler& onLink);

    // Every conversion made so far, by offset in the page; edits made after the passes
    // (the banner) are noted here too.
    RewriteTracker& rewrites() { return m_rewrites; }

private:
    FoundLink handleCodebase(LinkCandidate& candidate) const;

    PageLinks m_links;
    const FileTypes* m_types;
    const LinkOptions* m_options;
    int m_pageLevel;
    QueuedSpelling m_queued;
    WrittenSpans m_written;
    RewriteTracker m_rewrites;
};

} // namespace quarlo
