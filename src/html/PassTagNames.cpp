#include "html/PassTagNames.h"

#include <algorithm>

namespace quarlo {

PassTagNames::PassTagNames() {
    auto add = [this](const LinkPass& pass) {
        if (pass.quoted || pass.tag.empty() ||
            std::find(m_names.begin(), m_names.end(), pass.tag) != m_names.end())
            return;
        m_byLetter[static_cast<std::size_t>(pass.tag[0] - 'A')].push_back(
            static_cast<std::uint8_t>(m_names.size()));
        m_names.push_back(pass.tag);
    };
    for (const LinkPass& pass : linkPassTable())
        add(pass);
    for (const LinkPass& pass : addedLinkPasses())
        add(pass);
}

const PassTagNames& PassTagNames::instance() {
    static const PassTagNames names;
    return names;
}

const std::vector<std::uint8_t>& PassTagNames::slotsStartingWith(char c) const {
    return c >= 'A' && c <= 'Z' ? m_byLetter[static_cast<std::size_t>(c - 'A')] : m_none;
}

std::size_t PassTagNames::slotOf(const LinkPass& pass) const {
    if (pass.quoted || pass.tag.empty())
        return std::string_view::npos;
    return static_cast<std::size_t>(std::find(m_names.begin(), m_names.end(), pass.tag) -
                                    m_names.begin());
}

} // namespace quarlo
