#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quarlo {

// Text search and replace primitives shared by the URL functions, the link scanner and the
// link filters. Texts are UTF-8 byte strings; positions count from 1 and 0 means "not
// found". Case folding is ASCII only: bytes above 127 always compare exactly.

// Position of the first match of the pattern at or after start, or 0. A "?" in the pattern
// matches any one byte. With fold on, a text byte from 'A' (0x41) to 'z' (0x7A) also matches
// the pattern byte that equals it with bit 0x20 flipped, when that pattern byte is at most
// 0x7A. An empty text or pattern, a start of 0 or a start beyond the text gives 0.
// Allocation-free: the link scanner calls it for every tag of every page.
std::size_t FindText(std::string_view text, std::string_view pattern, std::size_t start, bool fold);

// Position of the last match that lies wholly within the first end bytes of the text (an
// end of 0, or one beyond the text, means the whole text), or 0. Same matching as FindText.
std::size_t FindTextBack(std::string_view text, std::string_view pattern, std::size_t end,
                         bool fold);

// The 0-based index of the first (last) byte of the text from `from` on (up to `before`)
// that is one of the few bytes of set, or npos: std::string_view's find_first_of and
// find_last_of, without their per-byte search of the set.
std::size_t findFirstOf(std::string_view text, std::string_view set, std::size_t from = 0);
std::size_t findLastOf(std::string_view text, std::string_view set);

// Case-sensitive search from start without wildcard, or 0.
std::size_t FindTextExact(std::string_view text, std::string_view pattern, std::size_t start);

// Replaces the first match (or every match when all is set) of the pattern, matched without
// regard to ASCII case and without wildcard. The search goes on after each replaced match,
// so replacements never overlap and are never searched again ("//" -> "/" on "a///b" gives
// "a//b"). An empty pattern changes nothing.
void ReplaceText(std::string& text, std::string_view pattern, std::string_view replacement,
                 bool all);

// ReplaceText with all set, applied to the part of the text from position start (1-based;
// 0 counts as 1) to its end.
void ReplaceFrom(std::string& text, std::size_t start, std::string_view pattern,
                 std::string_view replacement);

// The text between the end of the first open marker and the start of the first close
// marker. The markers must be given in upper case; they match the text without regard to
// ASCII case. Empty when either marker is missing or the close marker comes first.
std::string TextBetween(std::string_view text, std::string_view open, std::string_view close);

// Removes every line feed, carriage return and pilcrow character (U+00B6, never a lone byte
// 0xB6, which occurs inside other UTF-8 letters), then blanks and control characters at
// both ends.
std::string CleanText(std::string_view text);

std::string ToSlashes(std::string_view text);     // every "\" becomes "/"
std::string ToBackslashes(std::string_view text); // every "/" becomes "\"

// Every \ / : * ? " < > | replaced by the character c.
std::string ReplaceFileChars(std::string_view text, char c);

// ASCII-only case helpers used throughout the URL and file-name code (asciiLower and
// equalsNoCase come from platform/TextUtil.h). Inline: the scanners call them per byte.
inline char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
inline char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
bool startsWithNoCase(std::string_view text, std::string_view prefix);
bool containsNoCase(std::string_view text, std::string_view pattern);

} // namespace quarlo
