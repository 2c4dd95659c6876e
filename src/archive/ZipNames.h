#pragma once

#include <string>
#include <string_view>

namespace quarlo {

// Names and masks of archive entries. Entry names are "/"-separated; masks may be written
// with "\" (folder masks like "dir\*.*") and are compared with "/".

// "*.*" matches every entry; a mask ending in "*.*" matches every entry below its folder
// ("dir/*.*" matches "dir/a" and "dir/sub/b.gif"); other masks are wildcard patterns whose
// "*" and "?" also match "/"; a name without wildcards matches itself (and, as a folder,
// everything below it when it ends with "/").
bool zipMaskMatches(std::string_view mask, std::string_view entry);
std::string normalizeZipMask(std::string_view mask);
bool hasWildcards(std::string_view text);

// An entry that may be extracted: not empty, not absolute (no leading "/" or "\", no drive
// letter), no ".." segment (with either separator) and no NUL byte.
bool isSafeEntryName(std::string_view entry);

// The last segment of an entry name (of a folder entry: its own name).
std::string entryFileName(std::string_view entry);
// The folder part of an entry, ending with "/", or "".
std::string entryFolder(std::string_view entry);

// The lexically normalised form of an absolute "/" path: "." and empty segments dropped,
// ".." taking back a segment (never above the root).
std::string normalizedPath(std::string_view path);

// Whether the name's extension is one of a ";"-separated list (".ZIP;.LZH"), any case.
bool hasStoredExtension(std::string_view fileName, std::string_view storedExtensions);

} // namespace quarlo
