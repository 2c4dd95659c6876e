#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quarlo {

// How the link scanner reads one tag. Positions here count from 0; the scanner's public
// positions (LinkScan.h) count from 1.

// Characters that may stand between "<" and a tag name: line feed, carriage return, blank,
// both quotes and "=" (a tab is not one). Inline: the scanners ask for every "<".
inline bool isTagGap(char c) {
    return c == '\n' || c == '\r' || c == ' ' || c == '"' || c == '\'' || c == '=';
}

// Where the name of the tag whose "<" is at lt begins: after any tag gap characters.
std::size_t tagNamePosition(std::string_view text, std::size_t lt);

// Whether the text at namePos begins with the tag name, ASCII letters compared in upper
// case. A prefix match: "A" also names ABBR and AREA, "FRAME" names FRAMESET.
bool tagNameAt(std::string_view text, std::size_t namePos, std::string_view tag);

// A tag: its "<" and its end, the first ">" at or after the "<" (npos when the text has
// none).
struct TagBounds {
    std::size_t start = std::string_view::npos;
    std::size_t end = std::string_view::npos;
    bool found() const { return start != std::string_view::npos; }
};

// The first tag from position from on whose name begins with tag (not found when none).
TagBounds findTag(std::string_view text, std::string_view tag, std::size_t from);

// The value of an attribute in a tag whose ">" is known, as the scanner reads it.
struct TagValue {
    std::size_t start = 0;  // first byte of the value in the text
    std::string text;       // empty when the tag gives nothing
    std::size_t length = 0; // how many bytes of the text it was read from
    char quote = 0;         // what stands before the value: its quote, if it has one
    bool decoded = false;   // the text is not those bytes as they stand
};

// Reads the attribute's value in the tag from lt to gt (its ">"): the attribute name must be
// followed by a blank, a quote or "="; blanks, quotes, "\" and at least one "=" lead to the
// value, which ends at its own quote (or ">"), or unquoted at a blank, a quote or ">". The
// value is read as a browser reads it (AttributeText), unless literal: inside a script
// block the text is taken as it stands. Then a value with "+" or ";" is a script
// expression and gives nothing; a "javascript:" value gives the text between its first two
// single quotes. An empty attribute gives nothing.
TagValue readTagValue(std::string_view text, std::size_t lt, std::size_t gt,
                      std::string_view attribute, bool literal = false);

// The attribute's value read the same way, but taken as it stands: style sheet text holds
// ";" and "+" and is no script expression.
TagValue readAttributeText(std::string_view text, std::size_t lt, std::size_t gt,
                           std::string_view attribute);

// Whether the tag name at namePos is exactly name: no name character follows it. An empty
// name stands for any tag whose name begins with a letter.
bool wholeTagNameAt(std::string_view text, std::size_t namePos, std::string_view name);

} // namespace quarlo
