#include "html/PassTagNames.h"

#include "html/TextSearch.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace quarlo {

PassTagNames::PassTagNames() {
    auto add = [this](const LinkPass& pass) {
        if (pass.quoted || pass.tag.empty() ||
            std::find(m_names.begin(), m_names.end(), pass.tag) != m_names.end())
            return;
        m_names.push_back(pass.tag);
        m_longest = std::max(m_longest, pass.tag.size());
    };
    for (const LinkPass& pass : linkPassTable())
        add(pass);
    for (const LinkPass& pass : addedLinkPasses())
        add(pass);
    if (m_names.size() > 32)
        throw std::logic_error("more pass tag names than a slot set holds");
    for (const std::string_view name : m_names) {
        if (name.size() > sizeof(std::uint64_t) ||
            !std::all_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
            throw std::logic_error("a pass tag name is not a short upper-case word");
        std::uint64_t lower = 0;
        std::uint64_t mask = 0;
        char bytes[sizeof(std::uint64_t)] = {};
        for (std::size_t i = 0; i < name.size(); ++i)
            bytes[i] = static_cast<char>(name[i] | 0x20);
        std::memcpy(&lower, bytes, sizeof lower);
        std::memset(bytes, 0, sizeof bytes);
        std::memset(bytes, 0xFF, name.size());
        std::memcpy(&mask, bytes, sizeof mask);
        m_lowerWords.push_back(lower);
        m_wordMasks.push_back(mask);
        const std::uint32_t bit = std::uint32_t{1} << (m_lowerWords.size() - 1);
        m_byFirstByte[static_cast<unsigned char>(name[0])] |= bit;
        m_byFirstByte[static_cast<unsigned char>(name[0] | 0x20)] |= bit;
        if (name.size() == 1) {
            m_oneLetter |= bit;
        } else {
            m_bySecondByte[static_cast<unsigned char>(name[1])] |= bit;
            m_bySecondByte[static_cast<unsigned char>(name[1] | 0x20)] |= bit;
        }
    }
    auto note = [this](const LinkPass& pass) {
        const std::size_t number = static_cast<std::size_t>(pass.number);
        if (m_slotByNumber.size() <= number)
            m_slotByNumber.resize(number + 1, std::string_view::npos);
        m_slotByNumber[number] = findSlot(pass);
    };
    for (const LinkPass& pass : linkPassTable())
        note(pass);
    for (const LinkPass& pass : addedLinkPasses())
        note(pass);
}

const PassTagNames& PassTagNames::instance() {
    static const PassTagNames names;
    return names;
}

// The first two bytes leave few slots; their names are compared as words.
std::uint32_t PassTagNames::slotsAt(std::string_view text, std::size_t namePos) const {
    if (namePos >= text.size())
        return 0;
    std::uint32_t slots = m_byFirstByte[static_cast<unsigned char>(text[namePos])];
    if (slots == 0)
        return 0;
    const unsigned char second =
        namePos + 1 < text.size() ? static_cast<unsigned char>(text[namePos + 1]) : 0;
    slots &= m_bySecondByte[second] | m_oneLetter;
    if (slots == 0)
        return 0;
    // Bytes past the text's end read as blanks, which match no letter.
    char bytes[sizeof(std::uint64_t)];
    if (text.size() - namePos >= sizeof bytes) {
        std::memcpy(bytes, text.data() + namePos, sizeof bytes);
    } else {
        std::memset(bytes, ' ', sizeof bytes);
        std::memcpy(bytes, text.data() + namePos, text.size() - namePos);
    }
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    word |= 0x2020202020202020u;
    std::uint32_t found = 0;
    for (; slots != 0; slots &= slots - 1) {
        const int slot = std::countr_zero(slots);
        if ((word & m_wordMasks[static_cast<std::size_t>(slot)]) ==
            m_lowerWords[static_cast<std::size_t>(slot)])
            found |= std::uint32_t{1} << slot;
    }
    return found;
}

// The tables' passes are looked up by number; another pass (a test's own) by its name.
std::size_t PassTagNames::slotOf(const LinkPass& pass) const {
    const std::size_t number = static_cast<std::size_t>(pass.number);
    const bool inTable =
        (number >= 1 && number <= linkPassTable().size() &&
         &pass == &linkPassTable()[number - 1]) ||
        (number >= kAddedPassesFrom && number - kAddedPassesFrom < addedLinkPasses().size() &&
         &pass == &addedLinkPasses()[number - kAddedPassesFrom]);
    if (inTable)
        return m_slotByNumber[number];
    return findSlot(pass);
}

std::size_t PassTagNames::findSlot(const LinkPass& pass) const {
    if (pass.quoted || pass.tag.empty())
        return std::string_view::npos;
    return static_cast<std::size_t>(std::find(m_names.begin(), m_names.end(), pass.tag) -
                                    m_names.begin());
}

} // namespace quarlo
