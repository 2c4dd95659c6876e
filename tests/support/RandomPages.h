#pragma once

#include "html/LinkOptions.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quarlo {
class FileTypes;
}

namespace quarlo::test {

// Random pages for comparing the page scanner with the reference parser: every tag of the
// extraction table in any letter case (with the names they also match: ABBR, AREA inside A,
// FRAMESET, BASEFONT), values quoted every way or not at all, script calls, BASE and
// CODEBASE, script blocks holding quoted strings, tags and "/script", NUL bytes, stray
// quotes and angle brackets, and pages cut off anywhere; with responsive images, media
// elements, style blocks and style attributes for the passes after the fifteen.
class RandomPages {
public:
    explicit RandomPages(std::uint32_t seed) : m_random(seed) {}

    std::string page();
    // Link options for the page: each aggressive mode, both conversions, depth and locations.
    LinkOptions options();
    // The address of a saved page under http://h/ (its start directory is http://h/a/).
    std::string pageUrl();
    int number(int below) { return static_cast<int>(m_random() % static_cast<unsigned>(below)); }

private:
    std::string pick(const std::vector<std::string>& from);
    std::string anyCase(std::string text);
    std::string address();
    std::string value();
    std::string quoted(const std::string& text);
    std::string tag();
    std::string script();
    std::string styleText();
    std::string srcset();
    std::string media();
    std::string text();

    std::mt19937 m_random;
};

// What parsing one page gave, as the parse thread would queue and save it.
struct ParseOutcome {
    std::vector<std::string> found;  // every link seen: pass, value, URL, fate
    std::vector<std::string> queued; // new entries: URL, referrer, type, level, title, mode,
                                     // frame flag
    std::string title;
    std::string text; // the converted page
};

enum class Parser { PageScanner, Reference };

// Runs the BASE lookup, the title and every extraction pass over the page (taken as it is
// read from its file) with link conversion, and queues the followed links as the parse
// thread does: a URL already queued (ignoring case) makes no second entry.
ParseOutcome parsePageWith(Parser parser, const FileTypes& types, const LinkOptions& options,
                           const std::string& pageUrl, int level, int mode,
                           const std::string& content);

// The first difference between two outcomes, or "" when they are the same.
std::string outcomeDifference(const ParseOutcome& a, const ParseOutcome& b);

// The next random page, with random link options, address, level and mode, through both
// parsers.
struct RandomComparison {
    std::string difference; // "" when both parsers agree
    std::string what;       // the page and its setting, to show a difference
    std::size_t links = 0;  // links the page scanner saw
};
RandomComparison compareOnRandomPage(RandomPages& random, const FileTypes& types);

} // namespace quarlo::test
