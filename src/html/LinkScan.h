#pragma once

#include "html/LinkPasses.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quarlo {

// The candidate checks: a value is dropped (no queue item, no rewrite) when it is empty,
// begins with "#", contains "mailto:" (any case) or contains a single quote.
bool isLinkCandidate(const std::string& value);

// One candidate of a running pass, handed to the visitor of a scan. Valid only during the
// visit. Positions count from 1 in the page as it stands at the visit, with the rewrites of
// earlier candidates made.
class LinkCandidate {
public:
    virtual ~LinkCandidate() = default;

    virtual const LinkPass& pass() const = 0;
    // The value as a browser reads it (see readTagValue): a tag value outside scripts with
    // its character references decoded and its blanks trimmed, else as it stands.
    virtual const std::string& value() const = 0;
    // The value with every "\" turned into "/": what is resolved against the base.
    std::string link() const;
    // Position of the value's first character in the page.
    virtual std::size_t position() const = 0;
    // Position of the "<" of the tag it was found in; 0 for quoted strings.
    virtual std::size_t tagStart() const = 0;
    // The text after the tag up to the next tag, cleaned: the title of a new item. For a
    // quoted string (no tag) the page text before its first "<".
    virtual std::string linkText() const = 0;
    // The tag's CODEBASE value for the APPLET pass (pass().usesCodebase()), else "".
    virtual std::string codebase() const = 0;
    // Rewrites the value in the page (at most once), written for where it stands: encoded
    // for the attribute in a tag outside scripts; the pass goes on right after it, and later
    // passes see the new text.
    virtual void replace(const std::string& newText) = 0;
    // The length of the value's bytes in the page now: the rewritten text's after replace().
    virtual std::size_t length() const = 0;
};

using LinkVisitor = std::function<void(LinkCandidate&)>;

// Runs one extraction pass over the page and calls visit for every candidate that passes
// the candidate checks, in page order.
void scanLinks(std::string& page, const LinkPass& pass, int aggressiveParser,
               const LinkVisitor& visit);

// Every pass a page gets for the "Aggressive Parser" value, in order.
void scanAllLinks(std::string& page, int aggressiveParser, const LinkVisitor& visit);

// The page title: the text between the first "<TITLE>" (written exactly so, any case) and
// "</TITLE>", cleaned.
std::string pageTitle(const std::string& page);

// A stored title as its page shows it: character references decoded ("&amp;" reads "&"),
// runs of whitespace read as one space, none at either end.
std::string decodedTitle(std::string_view title);

// The page's BASE address: the HREF of the first tag whose name begins with BASE (a
// BASEFONT before the BASE tag hides it), searched from the first character on.
struct BaseTag {
    std::string href;         // empty when there is none
    std::size_t tagStart = 0; // the tag's "<", from 1
    std::size_t tagEnd = 0;   // its ">"
};
BaseTag findBaseTag(const std::string& page);

// Looks up the BASE address and, when there is one, deletes the whole tag, "<" to ">",
// from the page. Returns the address (or "").
std::string removeBaseTag(std::string& page);

} // namespace quarlo
