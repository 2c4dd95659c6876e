#include "html/PassTagNames.h"

#include <algorithm>
#include <stdexcept>

namespace quarlo {

PassTagNames::PassTagNames() {
    auto add = [this](const LinkPass& pass) {
        if (pass.quoted || pass.tag.empty() ||
            std::find(m_names.begin(), m_names.end(), pass.tag) != m_names.end())
            return;
        m_byLetter[static_cast<std::size_t>(pass.tag[0] - 'A')].push_back(
            static_cast<std::uint8_t>(m_names.size()));
        m_names.push_back(pass.tag);
        m_longest = std::max(m_longest, pass.tag.size());
    };
    for (const LinkPass& pass : linkPassTable())
        add(pass);
    for (const LinkPass& pass : addedLinkPasses())
        add(pass);
    if (m_names.size() > 32)
        throw std::logic_error("more pass tag names than a slot set holds");
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

const std::vector<std::uint8_t>& PassTagNames::slotsStartingWith(char c) const {
    return c >= 'A' && c <= 'Z' ? m_byLetter[static_cast<std::size_t>(c - 'A')] : m_none;
}

// The table's passes are looked up by number; another pass (a test's own) by its name.
std::size_t PassTagNames::slotOf(const LinkPass& pass) const {
    const std::size_t number = static_cast<std::size_t>(pass.number);
    if (number < m_slotByNumber.size() && m_slotByNumber[number] != std::string_view::npos &&
        m_names[m_slotByNumber[number]] == pass.tag && !pass.quoted)
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
