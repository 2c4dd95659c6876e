#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// A rewrite of one value: the bytes from start (counting from 0 in the page as its pass
// began), oldLength long, become text.
struct TextEdit {
    std::size_t start = 0;
    std::size_t oldLength = 0;
    std::string text;
};

// Per tag name of the passes (PassTagNames), the "<"s from the page's second character on
// whose tag name begins with it. Made once per page; after a pass's edits only the "<"s whose
// name an edit can reach are looked at again, the others move with the text.
class PageTagIndex {
public:
    void build(std::string_view text);
    // text is the page after the edits, which are given in page order and do not overlap.
    void update(std::string_view text, const std::vector<TextEdit>& edits);
    const std::vector<std::size_t>& starts(std::size_t slot) const { return m_starts[slot]; }

private:
    // The slots, as bits, whose name the tag with its "<" at lt begins with.
    static std::uint32_t slotsOf(std::string_view text, std::size_t lt);
    // Adds to found the "<"s before an edit that starts at start whose name may reach into
    // it, down to (not below) low, in page order.
    static void reachingInto(std::string_view text, std::size_t start, std::size_t low,
                             std::vector<std::size_t>& found);

    std::vector<std::vector<std::size_t>> m_starts;
};

} // namespace quarlo
