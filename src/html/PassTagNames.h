#pragma once

#include "html/LinkPasses.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quarlo {

// The distinct tag names the tag passes look for (the written passes' and the added ones'),
// so that one look at a "<" serves every pass: a pass's tags are those of its name's slot.
// There are fewer than 32, so a set of slots fits one 32-bit word.
class PassTagNames {
public:
    static const PassTagNames& instance();

    std::size_t size() const { return m_names.size(); }
    std::string_view name(std::size_t slot) const { return m_names[slot]; }
    // The length of the longest name.
    std::size_t longest() const { return m_longest; }
    // The slots (as bits) whose name the text at namePos begins with, ASCII letters compared
    // in upper case.
    std::uint32_t slotsAt(std::string_view text, std::size_t namePos) const;
    // The slots whose name the byte can begin, in either case: most tag names begin with a
    // byte no pass name begins with.
    std::uint32_t slotsStartingWithByte(char c) const {
        return m_byFirstByte[static_cast<unsigned char>(c)];
    }
    // The slot of a pass with a tag name; npos for a pass without one.
    std::size_t slotOf(const LinkPass& pass) const;

private:
    PassTagNames();
    std::size_t findSlot(const LinkPass& pass) const;

    std::vector<std::string_view> m_names;
    std::array<std::uint32_t, 256> m_byFirstByte{};
    std::array<std::uint32_t, 256> m_bySecondByte{}; // of the names of two letters or more
    std::uint32_t m_oneLetter = 0;
    std::size_t m_longest = 0;
    // Per slot, its name in lower case as the bytes of a word, and which bytes of the word
    // the name fills: names are letters, and a byte matches a letter when, with bit 0x20 set,
    // it is the letter in lower case.
    std::vector<std::uint64_t> m_lowerWords;
    std::vector<std::uint64_t> m_wordMasks;
    // By pass number: the passes' slots, looked up once.
    std::vector<std::size_t> m_slotByNumber;
};

} // namespace quarlo
