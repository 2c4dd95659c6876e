#pragma once

#include "html/LinkScan.h"
#include "html/PageTagIndex.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quarlo {

// Writes the edits, given in page order and not overlapping, into the text in one copy.
void applyEdits(std::string& text, const std::vector<TextEdit>& edits);

// The extraction passes over one page. Each pass finds what a scan from the page's second
// character would find, one tag or quoted string after the other, on the page as the
// earlier passes left it; but the page is read once for the tags of all passes: every "<"
// is looked at once and listed under the passes whose tag name it starts, so a pass visits
// only its own tags. A pass's rewrites are collected and written into the page in one copy
// when the pass ends (a pass reads nothing before its latest rewrite, except where the
// candidate says so), and the tag lists follow the edits.
//
// The page must outlive the scanner and must not be changed by anyone else while it lives.
class PageScanner {
public:
    explicit PageScanner(std::string& page);
    PageScanner(const PageScanner&) = delete;
    PageScanner& operator=(const PageScanner&) = delete;

    // One pass; the visitor sees every candidate that passes the candidate checks, in page
    // order, and may rewrite it.
    void scanPass(const LinkPass& pass, int aggressiveParser, const LinkVisitor& visit);
    // Every pass the "Aggressive Parser" value gives, in order.
    void scanAll(int aggressiveParser, const LinkVisitor& visit);

private:
    // The "<"s the tag pass visits, in page order.
    std::span<const std::size_t> tagStarts(const LinkPass& pass);
    void tagPass(const LinkPass& pass, const LinkVisitor& visit);
    void quotePass(const LinkPass& pass, int mode, const LinkVisitor& visit);
    // PageScannerAdded.cpp: the passes after the fifteen and the style sheet pass.
    void addedPass(const LinkPass& pass, const LinkVisitor& visit);
    void finishPass();
    bool holdsScriptTag();

    std::string& m_page;
    PageTagIndex m_tags;
    bool m_tagsIndexed = false;
    // Whether the page as it stands holds a "<script"; unknown until a quote pass asks.
    std::optional<bool> m_holdsScript;
    std::vector<TextEdit> m_edits;
};

} // namespace quarlo
