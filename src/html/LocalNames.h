#pragma once

#include "html/UrlFunctions.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quarlo {

class FileTypes;

// Where the copy of a URL is saved, and how a saved page links to it. Every URL lands under
// the save folder in a folder named as its host, then the folders of its path, then its
// local document name:
//
//   http://h/a/b/page.html          -> h/a/b/page.html
//   http://h/a/b/                   -> h/a/b/b.html
//   http://www.alpha.test/          -> www.alpha.test/www.alpha.html
//   http://h/cgi/show.asp?id=3&p=2  -> h/cgi/show.html¿id=3&p=2.html
//   http://h/css/a.css?v=3          -> h/css/a.css¿v=3.css
//
// Scheme and port are not part of the name; letter case is kept, so URLs whose paths differ in
// case alone are two files. A query adds ".html" after itself, or the document's own extension
// when the file-type table files that under another category than "HTML". Characters of the
// query and a few others are written as ¡ ¿ ¦ ° (UTF-8). A server page (an extension of the
// "HTML" file type other than .htm and .html) has its document extension turned into ".html",
// never a folder or a host. Every path segment is cut to fit 255 bytes, between UTF-8
// characters and keeping a short extension; names and links share that rule, so links match
// their files.

// The largest file name the file system takes.
inline constexpr std::size_t kMaxSegmentBytes = 255;

// The character replacements of a local path: in the query part "/" becomes "¡" and "?"
// becomes "¿"; then "%20" becomes a blank, "&amp;" "&", "%3A", "|" and ":" "¦", "*" "°",
// and "//" "/".
std::string EscapeLocalPath(std::string_view text);

// The file name given to a directory URL: its last folder + ".html" (http://h/a/b/ gives
// b.html), else its host with the last label turned into "html" (www.alpha.html), else "".
std::string DefaultDocumentName(std::string_view url);

// The relative link, with "/" separators and not percent-encoded, from a page whose
// directory URL is pageDir (ending with "/") to the local copy of url. A URL on another host
// is reached through that host's folder (../../h2/y/z.gif).
std::string LocalLink(const FileTypes& types, std::string_view url, std::string_view pageDir);

// The file name (no folder) of the local copy of an absolute URL.
std::string LocalDocumentName(const FileTypes& types, std::string_view url);

// The full local path of url under saveFolder (a folder path ending with "/").
//
// Returns an empty string when the URL is refused because its file would not lie inside
// the save folder, or would need a name that some later step could read as leaving it:
// a host or path segment of "." or "..", also when percent-encoded ("%2e%2e", "..%2f..");
// a NUL byte; an empty segment that is left after "//" is collapsed ("a///b"); or a URL
// that maps to the save folder itself. Callers treat an empty result as "refused": the
// transfer fails and nothing is written.
std::string LocalName(const FileTypes& types, std::string_view saveFolder, std::string_view url);

// A single path segment cut to at most kMaxSegmentBytes bytes without splitting a UTF-8
// character, keeping an extension of up to 16 bytes.
std::string fitSegment(std::string_view segment);

// The local folder of a URL's host and path ("h/a/b/", or "" for neither), its segments
// fitted, and whether all of them stay where they are.
struct LocalFolder {
    std::string path;
    bool contained = false;
};

// LocalName(types, "", url) for many URLs, such as the links of one page: the local folder
// of each host and path is worked out once and kept.
class LocalNamer {
public:
    // The table must outlive the object.
    explicit LocalNamer(const FileTypes& types);

    std::string name(std::string_view url);

private:
    const FileTypes* m_types;
    std::unordered_map<std::string, LocalFolder> m_folders;
    TbrURL m_parts;          // of the last URL named; its texts keep their buffers
    std::string m_folderKey; // likewise
};

} // namespace quarlo
