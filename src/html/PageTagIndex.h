#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

class PassTagNames;

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
    std::span<const std::size_t> starts(std::size_t slot) const {
        return {m_flat.data() + m_offsets[slot], m_offsets[slot + 1] - m_offsets[slot]};
    }

private:
    // A "<" and the slots (as bits) whose name its tag's name begins with.
    struct Tag {
        std::size_t lt;
        std::uint32_t slots;
    };
    static std::uint32_t slotsOf(const PassTagNames& names, std::string_view text, std::size_t lt);
    // Adds to found the "<"s before an edit that starts at start whose name may reach into
    // it, down to (not below) low, in page order.
    static void reachingInto(std::string_view text, std::size_t start, std::size_t low,
                             std::vector<std::size_t>& found);
    // Lays the tags out by slot.
    void layOut();

    std::vector<Tag> m_tags; // every "<" with a slot, in page order
    std::vector<std::size_t> m_flat;
    std::vector<std::size_t> m_offsets; // per slot, where its "<"s begin in m_flat; one more
};

} // namespace quarlo
