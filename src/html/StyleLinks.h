#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// One address inside a longer value: the bytes from start, length long, as written (escapes
// and all), and the address they stand for.
struct ValueLink {
    std::size_t start = 0;
    std::size_t length = 0;
    std::string url;

    bool operator==(const ValueLink&) const = default;
};

// The addresses of style sheet text, in order: every url(...) (quoted or not) and every
// @import "..." , read as a browser reads them. Comments and strings other than an import's
// are passed over, CSS escapes are decoded ("\29 " and "\)" both give ")"), and data: URLs
// are left out, as are values broken off by the text's end.
std::vector<ValueLink> styleLinks(std::string_view css);

// The candidate addresses of a SRCSET value ("a.png 1x, b.png 2x"): each one's place, the
// descriptors after it left out.
std::vector<ValueLink> srcsetLinks(std::string_view srcset);

// The addresses of an attribute's value as written, found by one of the readers above in the
// value as the browser reads it (character references decoded, blanks trimmed: a style
// attribute's "&quot;", a SRCSET's "&amp;"); each link's place is that of its text in the
// value as written.
std::vector<ValueLink> styleAttributeLinks(std::string_view value);
std::vector<ValueLink> srcsetAttributeLinks(std::string_view value);

// Whether a saved answer is a style sheet whose links are followed: its Content-Type is
// text/css, or, when it came without one, the path of its URL ends in ".css". The local
// name alone never makes a style sheet.
bool isStylesheetAnswer(std::string_view contentType, std::string_view url);

// A local link made fit for a url() that may be unquoted: its parentheses percent-encoded
// (the link is already percent-encoded otherwise, blanks, quotes and "\" included).
std::string styleUrlText(std::string_view link);

} // namespace quarlo
