#include "html/AttributeText.h"

#include "platform/TextUtil.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace quarlo {

namespace {

struct NamedReference {
    std::string_view name;
    char32_t codePoint;
    bool legacy; // also read without its ";"
};

// The common names, and every one a link's text is likely to hold.
constexpr std::array<NamedReference, 58> kNamedReferences{{
    {"amp", U'&', true},       {"lt", U'<', true},        {"gt", U'>', true},
    {"quot", U'"', true},      {"nbsp", 0xA0, true},      {"copy", 0xA9, true},
    {"reg", 0xAE, true},       {"apos", U'\'', false},    {"AMP", U'&', true},
    {"LT", U'<', true},        {"GT", U'>', true},        {"QUOT", U'"', true},
    {"sol", U'/', false},      {"quest", U'?', false},    {"num", U'#', false},
    {"equals", U'=', false},   {"colon", U':', false},    {"period", U'.', false},
    {"percnt", U'%', false},   {"plus", U'+', false},     {"semi", U';', false},
    {"comma", U',', false},    {"excl", U'!', false},     {"commat", U'@', false},
    {"dollar", U'$', false},   {"lowbar", U'_', false},   {"ast", U'*', false},
    {"midast", U'*', false},   {"lpar", U'(', false},     {"rpar", U')', false},
    {"lsqb", U'[', false},     {"rsqb", U']', false},     {"lbrack", U'[', false},
    {"rbrack", U']', false},   {"lcub", U'{', false},     {"rcub", U'}', false},
    {"bsol", U'\\', false},    {"verbar", U'|', false},   {"Hat", U'^', false},
    {"grave", U'`', false},    {"tilde", 0x2DC, false},   {"Tab", U'\t', false},
    {"NewLine", U'\n', false}, {"hyphen", 0x2010, false}, {"dash", 0x2010, false},
    {"ndash", 0x2013, false},  {"mdash", 0x2014, false},  {"hellip", 0x2026, false},
    {"lsquo", 0x2018, false},  {"rsquo", 0x2019, false},  {"ldquo", 0x201C, false},
    {"rdquo", 0x201D, false},  {"laquo", 0xAB, true},     {"raquo", 0xBB, true},
    {"sect", 0xA7, true},      {"middot", 0xB7, true},    {"deg", 0xB0, true},
    {"euro", 0x20AC, false},
}};

// The names of U+00C0 to U+00FF (the letters of Latin-1, "times" and "divide"), in order;
// all are read without their ";" too.
constexpr std::array<std::string_view, 64> kLatinLetters{
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig", "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc", "Iuml",
    "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",  "times",
    "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN", "szlig",
    "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig", "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc", "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",  "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn", "yuml",
};

// What windows-1252 puts at 0x80-0x9F; 0 where a numeric reference keeps its code point.
constexpr std::array<char16_t, 32> kWindows1252{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

bool isAsciiWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool isAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int digitValue(char c, bool hex) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A reference that was read: its character and the raw bytes it took.
struct Reference {
    char32_t codePoint = 0;
    std::size_t length = 0; // 0: the "&" is a plain character
};

// "&#" digits, or "&#x" hex digits, with or without ";".
Reference numericReference(std::string_view raw, std::size_t amp) {
    std::size_t p = amp + 2;
    const bool hex = p < raw.size() && (raw[p] == 'x' || raw[p] == 'X');
    if (hex)
        ++p;
    const std::size_t digits = p;
    std::uint32_t value = 0;
    for (; p < raw.size() && digitValue(raw[p], hex) >= 0; ++p)
        value =
            std::min<std::uint32_t>(value * (hex ? 16 : 10) + digitValue(raw[p], hex), 0x110000);
    if (p == digits)
        return {};
    if (p < raw.size() && raw[p] == ';')
        ++p;
    char32_t c = value;
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = kReplacement;
    else if (c >= 0x80 && c <= 0x9F && kWindows1252[c - 0x80] != 0)
        c = kWindows1252[c - 0x80];
    return {c, p - amp};
}

std::optional<NamedReference> lookUpName(std::string_view name) {
    const auto known = std::find_if(kNamedReferences.begin(), kNamedReferences.end(),
                                    [&](const NamedReference& r) { return r.name == name; });
    if (known != kNamedReferences.end())
        return *known;
    const auto letter = std::find(kLatinLetters.begin(), kLatinLetters.end(), name);
    if (letter != kLatinLetters.end())
        return NamedReference{name, static_cast<char32_t>(0xC0 + (letter - kLatinLetters.begin())),
                              true};
    return std::nullopt;
}

// A name of the tables followed by ";", or a legacy one without it unless a letter, digit
// or "=" follows (as browsers read attribute values).
Reference namedReference(std::string_view raw, std::size_t amp) {
    std::size_t end = amp + 1;
    while (end < raw.size() && isAlnum(raw[end]))
        ++end;
    const std::string_view name = raw.substr(amp + 1, end - amp - 1);
    const std::optional<NamedReference> known = lookUpName(name);
    if (name.empty() || !known)
        return {};
    if (end < raw.size() && raw[end] == ';')
        return {known->codePoint, end + 1 - amp};
    if (!known->legacy || (end < raw.size() && raw[end] == '='))
        return {};
    return {known->codePoint, end - amp};
}

} // namespace

AttributeText::AttributeText(std::string_view raw) {
    if (raw.find('&') == std::string_view::npos) {
        m_text = std::string(raw);
    } else {
        m_text.reserve(raw.size());
        m_rawOffsets.reserve(raw.size() + 1);
        for (std::size_t p = 0; p < raw.size();) {
            Reference ref;
            if (raw[p] == '&')
                ref = p + 1 < raw.size() && raw[p + 1] == '#' ? numericReference(raw, p)
                                                              : namedReference(raw, p);
            if (ref.length == 0) {
                m_text += raw[p];
                m_rawOffsets.push_back(p);
                ++p;
                continue;
            }
            const std::size_t before = m_text.size();
            appendUtf8(m_text, ref.codePoint);
            m_rawOffsets.insert(m_rawOffsets.end(), m_text.size() - before, p);
            p += ref.length;
        }
        m_rawOffsets.push_back(raw.size());
    }
    // Whitespace that a reference wrote is trimmed too, as the URL parser trims it.
    std::size_t end = m_text.size();
    while (end > 0 && isAsciiWhitespace(m_text[end - 1]))
        --end;
    std::size_t begin = 0;
    while (begin < end && isAsciiWhitespace(m_text[begin]))
        ++begin;
    m_trimmedRaw = end != m_text.size();
    m_trimFront = begin;
    m_text = m_text.substr(begin, end - begin);
}

std::size_t AttributeText::rawOffset(std::size_t at) const {
    at += m_trimFront;
    // The sources of the bytes lie end to end, so where one byte's source starts the
    // previous one's ends.
    return m_rawOffsets.empty() ? at : m_rawOffsets[at];
}

std::string encodeAttributeText(std::string_view text, char quote) {
    const bool quoted = quote == '"' || quote == '\'';
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '"' && (!quoted || quote == '"'))
            out += "&quot;";
        else if (c == '\'' && (!quoted || quote == '\''))
            out += "&#39;";
        else if (!quoted && (c == '>' || isAsciiWhitespace(c)))
            out += "&#" + std::to_string(static_cast<int>(c)) + ";";
        else
            out += c;
    }
    return out;
}

} // namespace quarlo
