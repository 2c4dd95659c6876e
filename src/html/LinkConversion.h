#pragma once

#include "html/LocalNames.h"
#include "platform/Result.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quarlo {

class FileTypes;
class LinkCandidate;
struct LinkOptions;

// Links in a saved page are rewritten, while the page is scanned, into relative links to
// the local copies, so that the copy works offline. "Convert Followed Links" chooses for
// links the link test accepts, "Convert Unfollowed Links" for those it refuses.

// The spelling under which the task's queue holds a URL (given without its "#" part), when
// the queue holds it in another spelling; "" when it does not hold it or holds it spelled
// as given (the URL stays as it is). The URL index ignores the case of scheme and host but
// file names do not: a link must name the file saved for the queued spelling.
using QueuedSpelling = std::function<std::string(const std::string& url)>;

// Whether a link's text is rewritten. Followed: when "Convert Followed Links" is 1.
// Unfollowed: when "Convert Unfollowed Links" is 2, or 1 and the link lies within the site.
bool shouldConvertLink(const LinkOptions& options, bool followed, bool withinSite);

// A local relative path as it is written into a page: every byte a browser would decode,
// cut at or strip is percent-encoded ("%", blank, "#", "?", quotes, "<", ">", "&", "\",
// ":", control bytes and every non-ASCII byte), so the link opens the file of exactly that
// name. "caf%C3%A9.html" gives "caf%25C3%25A9.html".
std::string encodeLocalLink(std::string_view path);

// The links of one saved page. The relative path to a URL's copy is the one between the
// page's saved file and the URL's saved file (the path LocalLink describes), worked out
// from the two saved paths so that it names the saved file even where a URL's path holds
// an empty segment ("a//b/").
class PageLocalLinks {
public:
    // pageUrl is the page's own address as queued (never its BASE address).
    PageLocalLinks(const FileTypes& types, std::string_view pageUrl, QueuedSpelling queued = {});

    // The text that replaces a link to url: the encoded relative path to the saved copy of
    // url without its "#" part (in its queued spelling when the queue holds it), followed
    // by that "#" part. "" when the link is to be left alone: no URL, or a URL or page that
    // has no local file (its name would leave the save folder).
    std::string linkTo(std::string_view url) const;

    // The page's saved path relative to the save folder ("" when it has none).
    const std::string& pagePath() const { return m_pagePath; }

private:
    QueuedSpelling m_queued;
    std::string m_pagePath;
    mutable LocalNamer m_names; // keeps the local folder of each host and path met
};

// Rewrites the candidate's value in the page with the local link to url, seen from the page
// at pageUrl. Only the value changes: quotes, attribute and the rest of the tag stay.
// Returns false when the link is left alone (see PageLocalLinks::linkTo).
bool ConvertLink(LinkCandidate& candidate, const FileTypes& types, std::string_view pageUrl,
                 std::string_view url, const QueuedSpelling& queued = {});

// Looks up the page's BASE address and, when it has one, deletes the whole BASE tag from
// the page, whatever the conversion settings: rewritten links are computed from the page's
// own place. Returns the base for the page's relative links: the address resolved against
// the page's directory and cut to its directory; "" without a BASE address.
std::string takeBaseHref(std::string& page, std::string_view pageUrl);

// The saved page as it is parsed and written back: every byte as the server sent it, line
// ends and NUL bytes included; nothing when the file cannot be read.
std::optional<std::string> readPageText(const std::string& path);
// Writes a processed page over its file in one piece (temporary file and rename).
Status writePageText(const std::string& path, std::string_view text);

} // namespace quarlo
