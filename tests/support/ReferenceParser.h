#pragma once

#include "html/LinkPasses.h"
#include "support/ReferenceScanMemo.h"

#include <cstddef>
#include <string>

namespace quarlo {
class AttributeText;
}

namespace quarlo::test {

// The link scanner as it was before the page scanner (html/PageScanner.h) read each page
// once for all passes: one parser per pass, rescanning the page from its start and writing
// each rewrite into the page at once. Kept as the reference the page scanner is compared
// with; a change of the scanner's rules is made in both. It works on the page as one byte
// string, never builds a document tree, and rewrites the values it finds in place. Positions count
// from 1 and 0 means "none"; NUL bytes are ordinary characters.
//
// A parser lives for one extraction pass (or one BASE, CODEBASE or BODY lookup). It keeps a
// reference to the page text, so replacements change the caller's page directly and the
// page must outlive the parser. A pass is driven as:
//
//     ReferenceParser parser(page, pass, aggressiveParser);
//     do {
//         std::string candidate = parser.NextLink();
//         ...                        // checks, LinkText(), ReplaceValue(newText)
//     } while (!parser.passOver());
//
// referenceScanPass() (ReferenceScan.h) wraps that loop with the candidate checks.
class ReferenceParser {
public:
    // Mode 0 is tag mode: `tag` is a tag name prefix, `endMark` ">", `attribute` the
    // attribute whose value is sought. Any other mode is quote mode: `tag` and `endMark` are
    // the quote character; mode 1 takes quoted strings inside SCRIPT blocks only, any other
    // value quoted strings anywhere. SearchPos and NextFrom start at 1, so the first
    // NextLink begins at position 2 and a tag at the very first character is not seen.
    ReferenceParser(std::string& text, std::string tag, std::string endMark, std::string attribute,
                    int mode = 0);
    // A parser for one pass of the extraction table.
    ReferenceParser(std::string& text, const LinkPass& pass, int aggressiveParser);

    // Moves to the next "<" whose tag name (after any blanks, quotes or "=") begins with the
    // tag text, ASCII case ignored; sets TagStart (0 when none) and leaves SearchPos on the
    // name. A prefix match: "A" also finds ABBR and AREA, "FRAME" finds FRAMESET.
    void FindTag();
    // Tag mode: the value of the attribute in the next tag, or "" (no such tag, no such
    // attribute or no value, a script expression with "+" or ";"). A "javascript:" value
    // gives the text between its first two single quotes. Sets NextFrom to the tag's end.
    std::string NextTagValue();
    // Quote mode: the next quoted string that looks like an address, or "".
    std::string NextQuoted();
    // Goes on one past NextFrom and returns the next candidate of the pass (may be "" while
    // the pass goes on; see passOver()).
    std::string NextLink();
    // Replaces the characters of the last value found by newText (encoded for the attribute
    // of a tag outside scripts) and moves NextFrom by the difference in length, so the pass
    // goes on right after the replacement. Does nothing when that text is what stands there
    // or the last search found no value. Returns the length of the value's bytes now.
    std::size_t ReplaceValue(const std::string& newText);
    // The text from the end of the tag found to the next "<", cleaned; in quote mode (no
    // tag) the page text before its first "<".
    std::string LinkText() const;
    // For the APPLET pass: the CODEBASE value of the tag just found, or "".
    std::string CodebaseValue() const;

    // True once the pass has nothing more to find.
    bool passOver() const { return m_nextFrom == 0 || m_searchPos == 0; }

    const std::string& text() const { return m_text; }
    const std::string& tag() const { return m_tag; }
    const std::string& endMark() const { return m_endMark; }
    const std::string& attribute() const { return m_attribute; }
    int mode() const { return m_mode; }
    // The value found last, before any check by the caller, as a browser reads it.
    const std::string& value() const { return m_value; }
    std::size_t searchPos() const { return m_searchPos; }
    void setSearchPos(std::size_t position) { m_searchPos = position; }
    std::size_t nextFrom() const { return m_nextFrom; }
    std::size_t tagStart() const { return m_tagStart; }
    std::size_t tagEnd() const { return m_tagEnd; }
    std::size_t attrPos() const { return m_attrPos; }
    // First and last character of the value's bytes in the text (ValueEnd is ValueStart - 1 for an
    // empty value).
    std::size_t valueStart() const { return m_valueStart; }
    std::size_t valueEnd() const { return m_valueEnd; }

private:
    char at(std::size_t position) const; // '\0' outside the text
    bool tagNameAt(std::size_t position) const;
    std::size_t findAttribute();
    std::size_t skipValueGap(std::size_t position) const;
    std::string readTagValue(std::size_t position);
    std::string scriptCallTarget(const std::string& value, const AttributeText* read);
    std::size_t nextTagClose(std::size_t from);
    bool insideScriptBlock();
    static std::string addressOrEmpty(const std::string& value);

    std::string& m_text;
    std::string m_tag;
    std::string m_endMark;
    std::string m_attribute;
    std::size_t m_searchPos = 1;
    std::size_t m_nextFrom = 1;
    std::size_t m_tagStart = 0;
    std::size_t m_tagEnd = 0;
    std::size_t m_attrPos = 0;
    std::string m_value;
    std::size_t m_valueStart = 0;
    std::size_t m_valueEnd = 0;
    int m_mode = 0;
    char m_quote = 0;     // what stands before the last tag value found
    bool m_found = false; // the last search gave a non-empty result

    // Repeated searches of one pass, answered without rescanning (see ScanMemo.h).
    ForwardMemo m_attrMemo;
    ForwardMemo m_closeMemo;
    ScriptBlocks m_scriptBlocks;
    bool m_attrMemoUsable = false;
};

} // namespace quarlo::test
