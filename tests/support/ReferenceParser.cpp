#include "support/ReferenceParser.h"

#include "html/AttributeText.h"
#include "html/TextSearch.h"

#include <utility>

namespace quarlo::test {

namespace {

// Characters that may stand between "<" and a tag name.
bool isTagGap(char c) {
    return c == '\n' || c == '\r' || c == ' ' || c == '"' || c == '\'' || c == '=';
}

// Characters passed over between an attribute name and its value.
bool isValueGap(char c) {
    return isTagGap(c) || c == '\\';
}

// An attribute name counts only when one of these follows it ("CODE" inside "CODEBASE" does
// not).
bool endsAttributeName(char c) {
    return c == ' ' || c == '"' || c == '\'' || c == '=';
}

bool endsValue(char c, char quote) {
    if (c == '>') {
        return true;
    }
    if (quote == '"' || quote == '\'') {
        return c == quote;
    }
    return c == ' ' || c == '"' || c == '\'';
}

bool contains(const std::string& text, char c) {
    return text.find(c) != std::string::npos;
}

bool contains(const std::string& text, std::string_view pattern) {
    return text.find(pattern) != std::string::npos;
}

} // namespace

ReferenceParser::ReferenceParser(std::string& text, std::string tag, std::string endMark,
                                 std::string attribute, int mode)
    : m_text(text), m_tag(std::move(tag)), m_endMark(std::move(endMark)),
      m_attribute(std::move(attribute)), m_mode(mode),
      m_attrMemoUsable(!m_attribute.empty() && !canOverlap(m_attribute)) {}

ReferenceParser::ReferenceParser(std::string& text, const LinkPass& pass, int aggressiveParser)
    : ReferenceParser(text, std::string(pass.tag), std::string(pass.endMark),
                      std::string(pass.attribute), linkPassMode(pass, aggressiveParser)) {}

char ReferenceParser::at(std::size_t position) const {
    if (position == 0 || position > m_text.size()) {
        return '\0';
    }
    return m_text[position - 1];
}

bool ReferenceParser::tagNameAt(std::size_t position) const {
    if (position == 0 || m_text.size() - (position - 1) < m_tag.size()) {
        return false;
    }
    for (std::size_t i = 0; i < m_tag.size(); ++i) {
        if (upperAscii(m_text[position - 1 + i]) != upperAscii(m_tag[i])) {
            return false;
        }
    }
    return true;
}

void ReferenceParser::FindTag() {
    for (;;) {
        m_tagStart = m_searchPos == 0 ? 0 : FindText(m_text, "<", m_searchPos, true);
        m_searchPos = m_tagStart + 1;
        while (isTagGap(at(m_searchPos))) {
            ++m_searchPos;
        }
        if (m_tagStart == 0 || tagNameAt(m_searchPos)) {
            return;
        }
    }
}

// The search is not bounded by the tag: an attribute of a later tag can be found here; it
// lies past TagEnd and is refused by the value gap.
std::size_t ReferenceParser::findAttribute() {
    if (m_attrMemo.covers(m_tagStart)) {
        m_attrPos = m_attrMemo.found();
        return m_attrPos == 0 ? 0 : m_attrPos + m_attribute.size();
    }
    std::size_t p = m_tagStart;
    for (;;) {
        m_attrPos = FindText(m_text, m_attribute, p, true);
        if (m_attrPos == 0) {
            break;
        }
        p = m_attrPos + m_attribute.size();
        if (endsAttributeName(at(p))) {
            break;
        }
    }
    if (m_attrMemoUsable) {
        m_attrMemo.remember(m_tagStart, m_attrPos);
    }
    return m_attrPos == 0 ? 0 : p;
}

// The first ">" at or after the position.
std::size_t ReferenceParser::nextTagClose(std::size_t from) {
    if (from == 0) {
        return 0; // no tag: nothing to remember
    }
    if (!m_closeMemo.covers(from)) {
        m_closeMemo.remember(from, FindText(m_text, ">", from, true));
    }
    return m_closeMemo.found();
}

// Passes the blanks, quotes and "=" between the name and its value. Returns where the value
// begins, or 0 when no "=" was passed or the gap runs past the tag's end.
std::size_t ReferenceParser::skipValueGap(std::size_t p) const {
    bool sawEquals = false;
    while (isValueGap(at(p))) {
        char c = at(p);
        sawEquals = sawEquals || c == '=';
        ++p;
        if (c == '"' || p > m_tagEnd) {
            break;
        }
    }
    if (p > m_tagEnd || !sawEquals) {
        return 0;
    }
    return p;
}

std::string ReferenceParser::readTagValue(std::size_t p) {
    char quote = at(p - 1);
    m_valueStart = p;
    std::size_t end = p;
    while (end <= m_text.size() && !endsValue(m_text[end - 1], quote)) {
        ++end;
    }
    if (end > m_tagEnd) {
        return {};
    }
    m_valueEnd = end - 1;
    return m_text.substr(p - 1, end - p);
}

// A "javascript:" value yields only the address in its script call: the text between its
// first two single quotes, and the value positions move onto that text. The value began
// at ValueStart when read literally; else read is how its raw bytes were read.
std::string ReferenceParser::scriptCallTarget(const std::string& value, const AttributeText* read) {
    std::size_t open = value.find('\'');
    if (open == std::string::npos) {
        return {};
    }
    std::size_t close = value.find('\'', open + 1);
    if (close == std::string::npos) {
        return {};
    }
    std::size_t start = m_valueStart + open + 1;
    std::size_t end = m_valueStart + close - 1;
    if (read != nullptr) {
        const std::size_t rawBegin = m_valueStart - read->rawOffset(0);
        start = rawBegin + read->rawOffset(open + 1);
        end = rawBegin + read->rawOffset(close) - 1;
    }
    if (start > m_tagEnd || end > m_tagEnd) {
        return {};
    }
    m_valueStart = start;
    m_valueEnd = end;
    return value.substr(open + 1, close - open - 1);
}

std::string ReferenceParser::NextTagValue() {
    m_value.clear();
    m_found = false;
    m_quote = 0;
    if (m_text.empty()) {
        m_nextFrom = 0; // an empty page has nothing to find: the pass is over
        return {};
    }
    FindTag();
    m_tagEnd =
        m_endMark == ">" ? nextTagClose(m_tagStart) : FindText(m_text, m_endMark, m_tagStart, true);
    m_nextFrom = m_tagEnd;
    if (m_tagStart == 0) {
        return {};
    }
    std::size_t p = findAttribute();
    if (p == 0) {
        return {};
    }
    p = skipValueGap(p);
    if (p == 0) {
        return {};
    }
    const std::string raw = readTagValue(p);
    // Read as a browser reads it, but literally inside a script block.
    const AttributeText read(raw);
    const bool decoded = read.changed() && !m_scriptBlocks.contain(m_text, m_tagStart);
    std::string result = decoded ? read.text() : raw;
    if (contains(result, '+') || contains(result, ';')) {
        return {};
    }
    if (decoded && !result.empty()) {
        m_valueEnd = m_valueStart + read.rawOffset(result.size()) - 1;
        m_valueStart += read.rawOffset(0);
    }
    if (FindText(result, "javascript:", 1, true) != 0) {
        result = scriptCallTarget(result, decoded ? &read : nullptr);
    }
    m_quote = at(p - 1);
    m_value = result;
    m_found = !result.empty();
    return result;
}

bool ReferenceParser::insideScriptBlock() {
    return m_scriptBlocks.contain(m_text, m_valueStart);
}

// A quoted string is taken for an address when it holds "." or "/" and nothing that marks
// it as prose, markup, a statement or a MIME type.
std::string ReferenceParser::addressOrEmpty(const std::string& value) {
    if (value.empty() || contains(value, ' ') || contains(value, ';') || contains(value, '<')) {
        return {};
    }
    if (contains(value, ':') && !contains(value, "://")) {
        return {};
    }
    if (FindText(value, "text/css", 1, true) != 0 ||
        FindText(value, "text/javascript", 1, true) != 0) {
        return {};
    }
    if (contains(value, '.') || contains(value, '/')) {
        return value;
    }
    return {};
}

std::string ReferenceParser::NextQuoted() {
    m_value.clear();
    m_found = false;
    if (m_text.empty()) {
        m_nextFrom = 0;
        return {};
    }
    std::size_t open = FindTextExact(m_text, m_tag, m_searchPos);
    m_searchPos = open;
    if (open == 0) {
        m_nextFrom = 0;
        return {};
    }
    std::size_t close = FindTextExact(m_text, m_endMark, open + 1);
    m_nextFrom = close;
    if (close == 0) {
        return {};
    }
    // A string that spans a ">" is markup, not an address; its closing quote is tried as
    // the next opening quote.
    std::size_t gt = nextTagClose(open);
    if (gt == 0 || gt < close) {
        m_nextFrom = close - 1;
        return {};
    }
    m_valueStart = open + 1;
    m_valueEnd = close - 1;
    if (m_mode == 1 && !insideScriptBlock()) {
        return {};
    }
    m_value = m_text.substr(open, close - open - 1);
    std::string result = addressOrEmpty(m_value);
    m_found = !result.empty();
    return result;
}

std::string ReferenceParser::NextLink() {
    if (m_nextFrom != 0) {
        m_searchPos = m_nextFrom + 1;
    }
    return m_mode != 0 ? NextQuoted() : NextTagValue();
}

std::size_t ReferenceParser::ReplaceValue(const std::string& newText) {
    const std::size_t oldLength = m_valueEnd + 1 - m_valueStart;
    if (!m_found) {
        return oldLength;
    }
    // A tag value outside scripts is written encoded for its attribute.
    std::string written = newText;
    if (m_mode == 0) {
        written = encodeAttributeText(newText, m_quote);
        if (written != newText && m_scriptBlocks.contain(m_text, m_tagStart)) {
            written = newText;
        }
    }
    if (m_text.compare(m_valueStart - 1, oldLength, written) == 0) {
        return oldLength;
    }
    m_text.replace(m_valueStart - 1, oldLength, written);
    m_attrMemo.forget();
    m_closeMemo.forget();
    m_scriptBlocks.forget();
    m_nextFrom = m_nextFrom + written.size() - oldLength;
    m_valueEnd = m_valueStart + written.size() - 1;
    m_found = false; // rewritten at most once
    return written.size();
}

std::string ReferenceParser::LinkText() const {
    std::size_t tagClose = m_tagStart == 0 ? 0 : FindText(m_text, ">", m_tagStart, true);
    std::size_t next = FindText(m_text, "<", tagClose + 1, true);
    if (next == 0) {
        return {};
    }
    return CleanText(std::string_view(m_text).substr(tagClose, next - tagClose - 1));
}

// A second scanner over the same page, started one before this one's SearchPos so that it
// finds the same tag again.
std::string ReferenceParser::CodebaseValue() const {
    ReferenceParser codebase(m_text, m_tag, m_endMark, "CODEBASE");
    codebase.m_searchPos = m_searchPos == 0 ? 0 : m_searchPos - 1;
    return codebase.NextTagValue();
}

} // namespace quarlo::test
