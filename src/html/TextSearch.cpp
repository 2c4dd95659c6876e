#include "html/TextSearch.h"

#include <algorithm>
#include <array>
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

// How often a byte stands in pages, per mille, roughly: for a search to look for the pattern's
// least common byte. Unlisted bytes count as rare.
constexpr std::array<unsigned char, 256> kByteFrequency = [] {
    std::array<unsigned char, 256> frequency{};
    const std::pair<char, unsigned char> known[] = {
        {' ', 150}, {'e', 90}, {'t', 65}, {'a', 60},  {'o', 55}, {'i', 55}, {'n', 55},
        {'s', 50},  {'r', 50}, {'h', 35}, {'l', 35},  {'d', 30}, {'"', 30}, {'c', 28},
        {'u', 25},  {'<', 25}, {'>', 25}, {'m', 22},  {'p', 20}, {'=', 20}, {'/', 20},
        {'f', 18},  {'g', 17}, {'w', 15}, {'\n', 15}, {'y', 14}, {'b', 12}, {'.', 10},
        {'v', 9},   {'-', 8},  {'k', 6},  {',', 6},   {':', 5},  {';', 4},  {'_', 3},
        {'x', 2},   {'#', 2},  {'&', 2},  {'j', 1},   {'q', 1},  {'z', 1}};
    for (const auto& [c, perMille] : known) {
        frequency[static_cast<unsigned char>(c)] = perMille;
        if (c >= 'a' && c <= 'z')
            frequency[static_cast<unsigned char>(c - 'a' + 'A')] = perMille / 10;
    }
    for (char digit = '0'; digit <= '9'; ++digit)
        frequency[static_cast<unsigned char>(digit)] = 5;
    return frequency;
}();

// Where a search looks first: the pattern's first byte, unless another byte is less than half
// as common (a letter's twin counts too when the search folds case), as "y" in "style". The
// wildcard is never chosen; 0 when every byte is the wildcard.
std::size_t rarestByte(std::string_view pattern, bool fold) {
    auto frequency = [fold](unsigned char c) -> unsigned {
        if (c == '?')
            return ~0u;
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        return kByteFrequency[c] + (fold && letter ? kByteFrequency[c ^ 0x20] : 0);
    };
    std::size_t best = 0;
    for (std::size_t j = 1; j < pattern.size(); ++j) {
        const unsigned here = frequency(static_cast<unsigned char>(pattern[j]));
        if (here < frequency(static_cast<unsigned char>(pattern[best])) &&
            (best != 0 || 2 * here < frequency(static_cast<unsigned char>(pattern[0]))))
            best = j;
    }
    return best;
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
    // A few places (a tag, a value) are compared one by one: choosing a byte to look for
    // costs more than that.
    constexpr std::size_t kFewPlaces = 48;
    if (last - (start - 1) < kFewPlaces) {
        const unsigned char head = byteAt(pattern, 0);
        for (std::size_t i = start - 1; i <= last; ++i) {
            if (byteMatches(byteAt(text, i), head, fold) && matchesAt(text, i, pattern, fold)) {
                return i + 1;
            }
        }
        return 0;
    }
    const std::size_t key = rarestByte(pattern, fold);
    unsigned char a = 0;
    unsigned char b = 0;
    if (!firstByteCandidates(byteAt(pattern, key), fold, a, b)) {
        for (std::size_t i = start - 1; i <= last; ++i) {
            if (matchesAt(text, i, pattern, fold)) {
                return i + 1;
            }
        }
        return 0;
    }
    // Only the places where the pattern's rarest byte stands are looked at: the next of each
    // case is searched for on its own, so the search goes at memchr's speed even through
    // text full of the pattern's first letter ("style" in English prose).
    const std::size_t keyLast = last + key;
    auto next = [&](unsigned char c, std::size_t at) {
        const void* hit =
            at > keyLast ? nullptr : std::memchr(text.data() + at, c, keyLast - at + 1);
        return hit == nullptr
                   ? std::string_view::npos
                   : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    };
    std::size_t nextA = next(a, start - 1 + key);
    std::size_t nextB = a == b ? std::string_view::npos : next(b, start - 1 + key);
    while (nextA != std::string_view::npos || nextB != std::string_view::npos) {
        const std::size_t i = std::min(nextA, nextB);
        if (matchesAt(text, i - key, pattern, fold)) {
            return i - key + 1;
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
    const std::size_t key = rarestByte(pattern, fold);
    unsigned char a = 0;
    unsigned char b = 0;
    if (!firstByteCandidates(byteAt(pattern, key), fold, a, b)) {
        for (std::size_t pos = end - pattern.size() + 1; pos >= 1; --pos) {
            if (matchesAt(text, pos - 1, pattern, fold)) {
                return pos;
            }
        }
        return 0;
    }
    // As forward: only the places of the pattern's rarest byte are compared, found by memrchr.
    auto previous = [&](unsigned char c, std::size_t before) {
        const void* hit = before <= key ? nullptr : memrchr(text.data() + key, c, before - key);
        return hit == nullptr
                   ? std::string_view::npos
                   : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    };
    const std::size_t keyEnd = end - pattern.size() + 1 + key; // the key's places: below this
    std::size_t prevA = previous(a, keyEnd);
    std::size_t prevB = a == b ? std::string_view::npos : previous(b, keyEnd);
    while (prevA != std::string_view::npos || prevB != std::string_view::npos) {
        const std::size_t i = prevA == std::string_view::npos   ? prevB
                              : prevB == std::string_view::npos ? prevA
                                                                : std::max(prevA, prevB);
        if (matchesAt(text, i - key, pattern, fold)) {
            return i - key + 1;
        }
        if (i == prevA) {
            prevA = previous(a, i);
        } else {
            prevB = previous(b, i);
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
