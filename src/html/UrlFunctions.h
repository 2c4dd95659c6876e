#pragma once

#include "html/FileNames.h"
#include "html/TextSearch.h"
#include "platform/Result.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quarlo {

// The parts of a URL. SetURL stores the text in URL and splits it; every other field is
// recomputed on each call. Backslashes count as slashes.
//
//   http://www.alpha.test:81/a/b/page.html?x=1#top
//   Protocol "http://", Host "www.alpha.test", Port "81", Path "a/b/", FileName "page.html",
//   Extension ".html", Query "?x=1#top", Anchor "" (a "#" inside the query stays there)
//
// Path never begins with "/" and ends with "/" unless empty. A last segment without
// extension and without query is a directory: it goes to Path and FileName stays empty.
// A text without scheme yields its first segment as Host. A Host of "." is emptied.
struct TbrURL {
    std::string URL;
    std::string Protocol;  // the scheme with "://", or empty
    std::string Host;      // without port
    std::string Port;      // the text after a ":" that follows the host, up to the next "/"
    std::string Path;      // directory part, no leading "/", ends with "/" unless empty
    std::string FileName;  // the document segment, or empty
    std::string Extension; // from the last "." of FileName, or empty
    std::string Query;     // "?" and everything after it, or empty
    std::string Anchor;    // "#" and what follows, from the document segment only

    void SetURL(std::string_view text);
};

// Accessors: each splits its argument and returns one part.
std::string URLProtocol(std::string_view url);
std::string URLHost(std::string_view url);
std::string URLPath(std::string_view url);
std::string URLFile(std::string_view url); // FileName followed by Query
std::string URLQuery(std::string_view url);
std::string URLAnchor(std::string_view url);

// ".html" for a URL with "?", else the lower-cased extension of its document (or "").
std::string URLExtension(std::string_view url);
// The extension of the URL's document as written, whatever its query (or "").
std::string URLDocumentExtension(std::string_view url);
// The URL up to and including its last "/" before the first "?" that lies beyond the
// scheme's "://" and at position 8 or later; without one, the URL followed by "/".
std::string URLDirectory(std::string_view url);
std::string StripAnchor(std::string_view url);
// True for a link beginning with "http:", "https:" or "ftp:" (any case).
bool HasScheme(std::string_view link);
// A directory prefix of the URL: prefixes ending with a "/" at position 9 or later are
// counted; n in 1..count-1 gives the one n levels above the URL's own directory, anything
// else the site root. Without such a prefix the URL itself.
std::string AncestorURL(std::string_view url, std::size_t n);
// "../" once for every "/" or "\" in the path.
std::string UpLevels(std::string_view path);
// The path from the directory of base to target; a target on another host is returned
// unchanged.
std::string RelativePath(std::string_view target, std::string_view base);
// The same for URLs already split.
std::string RelativePath(const TbrURL& target, const TbrURL& base);

// The absolute URL of a link found on a page whose directory URL (ending with "/") is base.
// Absolute links stay as they are; dot-segments are removed from the path as RFC 3986 does
// ("../" anywhere, "/./", a trailing "/." or "/..", segments above the root dropped), a host
// of "." or ".." is dropped, line breaks are removed and "&amp;" becomes "&". The query is
// never touched by the dot-segment removal.
std::string ResolveURL(std::string_view link, std::string_view base);

// Completes a URL in place: "\" to "/", "http://" (or "file://" before a drive letter) when
// there is no scheme, a "/" after a directory, "&amp;" to "&". False when the URL has no
// host (and is not a file:// URL); the URL keeps the changes made so far.
bool NormalizeURL(std::string& url);
// ResolveURL followed by NormalizeURL; empty when the result has no host.
std::string ResolveLink(std::string_view link, std::string_view base);

// Checks and completes (like NormalizeURL) a URL the user typed. On failure the status
// carries the message to show the user: "Invalid URL." or the note that only http:// and
// https:// are supported.
Status ValidateURL(std::string& url);

} // namespace quarlo
