#pragma once

#include "html/LinkPasses.h"
#include "html/TQLParser.h"

#include <cstddef>
#include <functional>
#include <string>

namespace quarlo {

// The candidate checks: a value is dropped (no queue item, no rewrite) when it is empty,
// begins with "#", contains "mailto:" (any case) or contains a single quote.
bool isLinkCandidate(const std::string& value);

// One candidate of a running pass, handed to the visitor of scanLinks(). Valid only during
// the visit.
class LinkCandidate {
public:
    LinkCandidate(TQLParser& parser, const LinkPass& pass) : m_parser(parser), m_pass(pass) {}

    const LinkPass& pass() const { return m_pass; }
    // The value as it stands in the page.
    const std::string& value() const { return m_parser.value(); }
    // The value with every "\" turned into "/": what is resolved against the base.
    std::string link() const;
    // Position of the value's first character in the page (from 1).
    std::size_t position() const { return m_parser.valueStart(); }
    // Position of the "<" of the tag it was found in; 0 for quoted strings.
    std::size_t tagStart() const { return m_parser.tagStart(); }
    // The text after the tag up to the next tag, cleaned: the title of a new item.
    std::string linkText() const { return m_parser.LinkText(); }
    // The tag's CODEBASE value for the APPLET pass (pass().usesCodebase()), else "".
    std::string codebase() const;
    // Rewrites the value in the page; the pass goes on correctly after it.
    void replace(const std::string& newText) { m_parser.ReplaceValue(newText); }

private:
    TQLParser& m_parser;
    const LinkPass& m_pass;
};

using LinkVisitor = std::function<void(LinkCandidate&)>;

// Runs one extraction pass over the page and calls visit for every candidate that passes
// the candidate checks, in page order. Replacements made by the visitor change the page at
// once, so later passes see them.
void scanLinks(std::string& page, const LinkPass& pass, int aggressiveParser,
               const LinkVisitor& visit);

// Every pass a page gets for the "Aggressive Parser" value, in order.
void scanAllLinks(std::string& page, int aggressiveParser, const LinkVisitor& visit);

// The page title: the text between the first "<TITLE>" (written exactly so, any case) and
// "</TITLE>", cleaned.
std::string pageTitle(const std::string& page);

// The page's BASE address: the HREF of the first tag whose name begins with BASE (a
// BASEFONT before the BASE tag hides it), searched from the first character on.
struct BaseTag {
    std::string href;         // empty when there is none
    std::size_t tagStart = 0; // the tag's "<"
    std::size_t tagEnd = 0;   // its ">"
};
BaseTag findBaseTag(std::string& page);

// Looks up the BASE address and, when there is one, deletes the whole tag, "<" to ">",
// from the page. Returns the address (or "").
std::string removeBaseTag(std::string& page);

} // namespace quarlo
