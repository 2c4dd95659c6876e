#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quarlo::test {

// A link value in the text of a page or style sheet, found with patterns of its own (no code
// shared with the program's scanner): the SRC, HREF, POSTER, DATA and SRCSET attribute
// values in double quotes, url() targets (quoted, unquoted or quoted with "&quot;") and
// @import strings. Ordered by offset.
struct TextLink {
    std::size_t offset;
    std::size_t length;
    bool srcset;
    std::string text; // as written
};

std::vector<TextLink> textLinksOf(const std::string& text);
// The text with every link value replaced by "@": two texts that differ only in their link
// values come out equal.
std::string withoutLinkValues(const std::string& text);
// The URLs of a SRCSET value, or the one value of any other link, as written.
std::vector<std::string> candidatesOf(const TextLink& link);
// Descriptors of a SRCSET value in order ("1x", "480w"), empty for other links.
std::vector<std::string> descriptorsOf(const TextLink& link);

// The file a relative link of the file at filePath (both below one folder) opens: the
// fragment cut, escapes decoded, dot segments applied. The query stays when keepQuery is
// set (a link of a page on a server), and is cut otherwise (a link opened from disk).
std::string resolvedPath(const std::string& filePath, const std::string& link, bool keepQuery);

} // namespace quarlo::test
