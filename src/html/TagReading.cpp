#include "html/TagReading.h"

#include "html/AttributeText.h"
#include "html/TextSearch.h"

#include <cstring>

namespace quarlo {

namespace {

constexpr std::size_t npos = std::string_view::npos;

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

// Where the value of the attribute begins: past the name, when a name that ends properly
// lies inside the tag; npos otherwise. The tag's text has no ">" before gt and the names
// sought have none, so a name found inside the tag also ends inside it.
std::size_t afterAttribute(std::string_view text, std::size_t lt, std::size_t gt,
                           std::string_view attribute) {
    const std::string_view tag = text.substr(0, gt);
    for (std::size_t from = lt + 1;;) {
        const std::size_t found = FindText(tag, attribute, from, true);
        if (found == 0) {
            return npos;
        }
        const std::size_t after = found - 1 + attribute.size();
        if (after < text.size() && endsAttributeName(text[after])) {
            return after;
        }
        from = after + 1;
    }
}

// Passes the blanks, quotes, "\" and "=" between the name and its value, stopping after a
// double quote. npos when no "=" was passed or the gap runs past the tag's end.
std::size_t skipValueGap(std::string_view text, std::size_t p, std::size_t gt) {
    bool sawEquals = false;
    while (p < text.size() && isValueGap(text[p])) {
        const char c = text[p];
        sawEquals = sawEquals || c == '=';
        ++p;
        if (c == '"' || p > gt) {
            break;
        }
    }
    return p > gt || !sawEquals ? npos : p;
}

// A "javascript:" value yields only the address in its script call: the text between its
// first two single quotes. The raw value began at rawBegin; read is how it was read, or null
// when it was taken as it stands.
void takeScriptCallTarget(TagValue& value, std::size_t rawBegin, const AttributeText* read) {
    const std::size_t open = value.text.find('\'');
    const std::size_t close = open == npos ? npos : value.text.find('\'', open + 1);
    if (close == npos) {
        value.text.clear();
        return;
    }
    if (read == nullptr) {
        value.start += open + 1;
        value.length = close - open - 1;
    } else {
        value.start = rawBegin + read->rawOffset(open + 1);
        value.length = read->rawOffset(close) - read->rawOffset(open + 1);
    }
    value.text = value.text.substr(open + 1, close - open - 1);
}

} // namespace

std::size_t tagNamePosition(std::string_view text, std::size_t lt) {
    std::size_t p = lt + 1;
    while (p < text.size() && isTagGap(text[p])) {
        ++p;
    }
    return p;
}

bool tagNameAt(std::string_view text, std::size_t namePos, std::string_view tag) {
    if (namePos > text.size() || text.size() - namePos < tag.size()) {
        return false;
    }
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (upperAscii(text[namePos + i]) != upperAscii(tag[i])) {
            return false;
        }
    }
    return true;
}

// The tag's name is searched for, not every "<": a page has many tags and few of the one
// wanted. A name counts when a "<" (and gap bytes) stands right before it, from `from` on.
TagBounds findTag(std::string_view text, std::string_view tag, std::size_t from) {
    if (tag.empty()) {
        const std::size_t lt = text.find('<', from);
        return lt == npos ? TagBounds{} : TagBounds{lt, text.find('>', lt)};
    }
    if (isTagGap(tag.front()))
        return {};
    for (std::size_t at = from + 1; at < text.size();) {
        const std::size_t found = FindText(text, tag, at + 1, true);
        if (found == 0)
            break;
        const std::size_t name = found - 1;
        std::size_t lt = name;
        while (lt > from + 1 && isTagGap(text[lt - 1]))
            --lt;
        if (lt > from && text[lt - 1] == '<' && tagNameAt(text, name, tag))
            return {lt - 1, text.find('>', lt - 1)};
        at = name + 1;
    }
    return {};
}

TagValue readTagValue(std::string_view text, std::size_t lt, std::size_t gt,
                      std::string_view attribute, bool literal) {
    const TagValue written = readAttributeText(text, lt, gt, attribute);
    const std::size_t p = written.start;
    const std::string_view raw = written.text;
    const AttributeText read(raw);
    const bool decoded = !literal && read.changed();
    const std::string_view found = decoded ? std::string_view(read.text()) : raw;
    TagValue value;
    if (found.find('+') != npos || found.find(';') != npos) {
        return value;
    }
    value.start = p;
    value.text = std::string(found);
    value.length = raw.size();
    value.quote = written.quote;
    value.decoded = decoded;
    if (decoded) {
        value.start = p + read.rawOffset(0);
        value.length = read.rawOffset(found.size()) - read.rawOffset(0);
    }
    if (found.find(':') != npos && FindText(found, "javascript:", 1, true) != 0) {
        takeScriptCallTarget(value, p, decoded ? &read : nullptr);
    }
    return value;
}

TagValue readAttributeText(std::string_view text, std::size_t lt, std::size_t gt,
                           std::string_view attribute) {
    TagValue value;
    if (gt == npos || attribute.empty()) {
        return value;
    }
    std::size_t p = afterAttribute(text, lt, gt, attribute);
    if (p != npos) {
        p = skipValueGap(text, p, gt);
    }
    if (p == npos) {
        return value;
    }
    const char quote = text[p - 1];
    std::size_t end = p;
    while (end < text.size() && !endsValue(text[end], quote)) {
        ++end;
    }
    value.start = p;
    value.text = std::string(text.substr(p, end - p));
    value.length = value.text.size();
    value.quote = quote;
    return value;
}

bool wholeTagNameAt(std::string_view text, std::size_t namePos, std::string_view name) {
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (name.empty()) {
        return namePos < text.size() && letter(text[namePos]);
    }
    if (!tagNameAt(text, namePos, name)) {
        return false;
    }
    const std::size_t after = namePos + name.size();
    if (after >= text.size()) {
        return true;
    }
    const char c = text[after];
    return !(letter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':');
}

} // namespace quarlo
