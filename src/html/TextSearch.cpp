#include "html/TextSearch.h"

#include <algorithm>
#include <cstring>

namespace quarlo {

namespace {

unsigned char byteAt(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

bool byteMatches(unsigned char t, unsigned char p, bool fold) {
    if (p == '?' || t == p) {
        return true;
    }
    return fold && t >= 0x41 && t <= 0x7A && p <= 0x7A && (t ^ 0x20) == p;
}

bool matchesAt(std::string_view text, std::size_t at, std::string_view pattern, bool fold) {
    for (std::size_t j = 0; j < pattern.size(); ++j) {
        if (!byteMatches(byteAt(text, at + j), byteAt(pattern, j), fold)) {
            return false;
        }
    }
    return true;
}

// Equality after ASCII upper-casing, without wildcard.
bool matchesNoCaseAt(std::string_view text, std::size_t at, std::string_view pattern) {
    for (std::size_t j = 0; j < pattern.size(); ++j) {
        if (upperAscii(text[at + j]) != upperAscii(pattern[j])) {
            return false;
        }
    }
    return true;
}

// 0-based index of the first case-insensitive match at or after from, or npos. Only the
// bytes that can start a match are compared further.
std::size_t findNoCase(std::string_view text, std::string_view pattern, std::size_t from) {
    if (pattern.empty() || pattern.size() > text.size()) {
        return std::string_view::npos;
    }
    const std::size_t last = text.size() - pattern.size();
    const char upper = upperAscii(pattern[0]);
    const char lower = lowerAscii(upper);
    for (std::size_t i = from; i <= last; ++i) {
        if (upper == lower) {
            const void* hit = std::memchr(text.data() + i, upper, last - i + 1);
            if (hit == nullptr) {
                return std::string_view::npos;
            }
            i = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        } else if (text[i] != upper && text[i] != lower) {
            continue;
        }
        if (matchesNoCaseAt(text, i, pattern)) {
            return i;
        }
    }
    return std::string_view::npos;
}

// 0-based index of the first match of the upper-case marker, or npos. A text byte matches
// when upper-cased it is the marker's byte, so a lower-case letter in the marker matches
// nothing.
std::size_t findUpperMarker(std::string_view text, std::string_view marker) {
    if (std::any_of(marker.begin(), marker.end(), [](char c) { return c >= 'a' && c <= 'z'; })) {
        return std::string_view::npos;
    }
    return findNoCase(text, marker, 0);
}

// The text bytes that can match the pattern's first byte: the byte itself and, with
// folding, its case twin. Returns false when the first byte is the wildcard.
bool firstByteCandidates(unsigned char p, bool fold, unsigned char& a, unsigned char& b) {
    if (p == '?') {
        return false;
    }
    a = p;
    b = p;
    const unsigned char twin = p ^ 0x20;
    if (fold && p <= 0x7A && twin >= 0x41 && twin <= 0x7A) {
        b = twin;
    }
    return true;
}

bool isTrimmable(unsigned char c) {
    return c <= 0x20 || c == 0x7F;
}

} // namespace

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && matchesNoCaseAt(text, 0, prefix);
}

bool containsNoCase(std::string_view text, std::string_view pattern) {
    return pattern.empty() || findNoCase(text, pattern, 0) != std::string_view::npos;
}

std::size_t FindText(std::string_view text, std::string_view pattern, std::size_t start,
                     bool fold) {
    if (text.empty() || pattern.empty() || start == 0 || start > text.size() ||
        pattern.size() > text.size() - (start - 1)) {
        return 0;
    }
    const std::size_t last = text.size() - pattern.size();
    unsigned char a = 0;
    unsigned char b = 0;
    if (!firstByteCandidates(byteAt(pattern, 0), fold, a, b)) {
        for (std::size_t i = start - 1; i <= last; ++i) {
            if (matchesAt(text, i, pattern, fold)) {
                return i + 1;
            }
        }
        return 0;
    }
    // Only the bytes that can start a match are looked at: the next of each is searched for
    // on its own, so a search for a letter in either case goes at memchr's speed too.
    auto next = [&](unsigned char c, std::size_t at) {
        const void* hit = at > last ? nullptr : std::memchr(text.data() + at, c, last - at + 1);
        return hit == nullptr
                   ? std::string_view::npos
                   : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    };
    std::size_t nextA = next(a, start - 1);
    std::size_t nextB = a == b ? std::string_view::npos : next(b, start - 1);
    while (nextA != std::string_view::npos || nextB != std::string_view::npos) {
        const std::size_t i = std::min(nextA, nextB);
        if (matchesAt(text, i, pattern, fold)) {
            return i + 1;
        }
        if (i == nextA) {
            nextA = next(a, i + 1);
        } else {
            nextB = next(b, i + 1);
        }
    }
    return 0;
}

std::size_t FindTextBack(std::string_view text, std::string_view pattern, std::size_t end,
                         bool fold) {
    if (text.empty() || pattern.empty()) {
        return 0;
    }
    if (end == 0 || end > text.size()) {
        end = text.size();
    }
    if (pattern.size() > end) {
        return 0;
    }
    for (std::size_t pos = end - pattern.size() + 1; pos >= 1; --pos) {
        if (matchesAt(text, pos - 1, pattern, fold)) {
            return pos;
        }
    }
    return 0;
}

namespace {

bool inSet(char c, std::string_view set) {
    for (const char member : set) {
        if (c == member) {
            return true;
        }
    }
    return false;
}

} // namespace

// One byte search per member, each ending where the best hit so far lies.
std::size_t findFirstOf(std::string_view text, std::string_view set, std::size_t from) {
    std::size_t best = text.size();
    for (const char member : set) {
        if (from >= best) {
            break;
        }
        if (const void* hit = std::memchr(text.data() + from, member, best - from)) {
            best = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        }
    }
    return best == text.size() ? std::string_view::npos : best;
}

std::size_t findLastOf(std::string_view text, std::string_view set) {
    for (std::size_t i = text.size(); i > 0; --i) {
        if (inSet(text[i - 1], set)) {
            return i - 1;
        }
    }
    return std::string_view::npos;
}

std::size_t FindTextExact(std::string_view text, std::string_view pattern, std::size_t start) {
    if (text.empty() || pattern.empty() || start == 0 || start > text.size()) {
        return 0;
    }
    const std::size_t at = text.find(pattern, start - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

void ReplaceText(std::string& text, std::string_view pattern, std::string_view replacement,
                 bool all) {
    std::size_t at = findNoCase(text, pattern, 0);
    if (at == std::string::npos) {
        return;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    while (at != std::string::npos) {
        out.append(text, from, at - from);
        out.append(replacement);
        from = at + pattern.size();
        at = all ? findNoCase(text, pattern, from) : std::string::npos;
    }
    out.append(text, from, std::string::npos);
    text = std::move(out);
}

void ReplaceFrom(std::string& text, std::size_t start, std::string_view pattern,
                 std::string_view replacement) {
    const std::size_t offset = start == 0 ? 0 : start - 1;
    if (offset >= text.size()) {
        return;
    }
    std::string tail = text.substr(offset);
    ReplaceText(tail, pattern, replacement, true);
    text.replace(offset, std::string::npos, tail);
}

std::string TextBetween(std::string_view text, std::string_view open, std::string_view close) {
    const std::size_t o = findUpperMarker(text, open);
    if (o == std::string_view::npos) {
        return {}; // a page without a title is not read twice
    }
    const std::size_t c = findUpperMarker(text, close);
    if (c == std::string_view::npos) {
        return {};
    }
    const std::size_t begin = o + open.size();
    if (c < begin) {
        return {};
    }
    return std::string(text.substr(begin, c - begin));
}

std::string CleanText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = byteAt(text, i);
        if (c == '\n' || c == '\r') {
            continue;
        }
        if (c == 0xC2 && i + 1 < text.size() && byteAt(text, i + 1) == 0xB6) {
            ++i;
            continue;
        }
        out.push_back(static_cast<char>(c));
    }
    std::size_t first = 0;
    while (first < out.size() && isTrimmable(static_cast<unsigned char>(out[first]))) {
        ++first;
    }
    std::size_t last = out.size();
    while (last > first && isTrimmable(static_cast<unsigned char>(out[last - 1]))) {
        --last;
    }
    return out.substr(first, last - first);
}

std::string ToSlashes(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\\') {
            c = '/';
        }
    }
    return out;
}

std::string ToBackslashes(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '/') {
            c = '\\';
        }
    }
    return out;
}

std::string ReplaceFileChars(std::string_view text, char c) {
    std::string out(text);
    for (char& ch : out) {
        if (std::strchr("\\/:*?\"<>|", ch) != nullptr && ch != '\0') {
            ch = c;
        }
    }
    return out;
}

} // namespace quarlo
