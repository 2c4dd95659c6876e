#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// An attribute value as a browser reads it: character references decoded (named ones from
// a table of the common names and the Latin-1 letters, numeric ones all, a code point no
// character may have read as U+FFFD and 0x80-0x9F as windows-1252 reads them), then leading
// and trailing ASCII whitespace removed. Each byte of the read text keeps the place of the
// bytes it came from, so a part of the read text can be rewritten in the page.
class AttributeText {
public:
    explicit AttributeText(std::string_view raw);

    const std::string& text() const { return m_text; }
    // Whether the text may differ from the raw value: that held a "&" or had whitespace cut.
    bool changed() const { return !m_rawOffsets.empty() || m_trimFront != 0 || m_trimmedRaw; }
    // Where, from the raw value's start, the source of the read text's byte at (or the end
    // of the raw bytes read, for at == text().size()) lies. A part of the read text cut at
    // ASCII characters came from the raw bytes rawOffset(from) .. rawOffset(to).
    std::size_t rawOffset(std::size_t at) const;

private:
    std::string m_text;
    // For each byte of the decoded text (before trimming) and its end, where it came from;
    // empty when there was no reference.
    std::vector<std::size_t> m_rawOffsets;
    std::size_t m_trimFront = 0;
    bool m_trimmedRaw = false; // trailing whitespace was cut
};

// The text written into an attribute value delimited by quote ('"', '\'' or anything else
// for an unquoted value): "&" as "&amp;", and whatever would end the value as a character
// reference.
std::string encodeAttributeText(std::string_view text, char quote);

} // namespace quarlo
