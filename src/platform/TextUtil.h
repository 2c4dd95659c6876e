#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quarlo {

// Small text helpers shared by the file formats of the platform layer. Case folding is
// ASCII-only.

std::string asciiLower(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);
// Without the blanks (spaces and tabs) at both ends.
std::string_view trimBlanks(std::string_view text);
// Splits at LF; a CR before the LF is dropped. A final line end gives no extra empty line.
std::vector<std::string_view> splitLines(std::string_view text);
// At most maxBytes bytes, cut before a UTF-8 character that would not fit whole.
std::string_view cutUtf8(std::string_view text, std::size_t maxBytes);
bool containsString(const std::vector<std::string>& list, std::string_view text);

// The bytes an encoder keeps as they are; each caller passes the set its context allows.
using KeptBytes = bool (*)(unsigned char byte);
// ASCII letters, digits and "-._~": the unreserved characters of a URL.
bool isUnreservedByte(unsigned char byte);
// Letters, digits and "-._~/": a path's unreserved characters and its separators.
bool isUnreservedOrSlash(unsigned char byte);
// Every byte outside the kept set written as "%XX" (upper-case hexadecimal digits).
std::string percentEncode(std::string_view text, KeptBytes kept = isUnreservedByte);
// One byte as "%XX".
void appendPercentEncoded(std::string& out, unsigned char byte);
// Every %XX escape (hex digits of either case) decoded; a "%" without two hex digits stays.
std::string percentDecode(std::string_view text);
// Appends the UTF-8 bytes of a code point (at most 0x10FFFF).
void appendUtf8(std::string& out, char32_t code);

// The length of the UTF-8 character at pos, or 0 when the bytes there are not one (overlong
// forms, surrogates and values above U+10FFFF included).
std::size_t utf8CharLength(std::string_view text, std::size_t pos);
bool isValidUtf8(std::string_view text);

// A map keyed by text that is looked up by string_view, with no string made for the look-up.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>()(text);
    }
};
template <typename Value>
using TextMap = std::unordered_map<std::string, Value, TextHash, std::equal_to<>>;

} // namespace quarlo
