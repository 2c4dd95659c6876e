#include "model/RecentList.h"

#include "platform/SettingsStore.h"
#include "platform/TextUtil.h"

#include <algorithm>

namespace quarlo {

RecentList::RecentList(SettingsStore& settings, std::string keyName, int limit)
    : m_settings(settings), m_keyName(std::move(keyName)), m_limit(std::max(limit, 0)) {
    load();
}

std::string RecentList::keyPath() const {
    return std::string(kProductKey) + "\\" + m_keyName;
}

void RecentList::load() {
    m_entries.clear();
    for (int n = 1; static_cast<int>(m_entries.size()) < m_limit; ++n) {
        std::string entry = m_settings.readText(keyPath(), std::to_string(n), "");
        if (entry.empty())
            break;
        m_entries.push_back(std::move(entry));
    }
}

Status RecentList::save() {
    // The key is written whole, so entries beyond a shrunk list do not come back.
    if (Status deleted = m_settings.deleteKey(keyPath()); !deleted)
        return deleted;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (Status written = m_settings.writeText(keyPath(), std::to_string(i + 1), m_entries[i]);
            !written)
            return written;
    }
    return {};
}

Status RecentList::add(const std::string& entry) {
    if (entry.empty())
        return {};
    std::erase_if(m_entries, [&](const std::string& e) { return equalsNoCase(e, entry); });
    m_entries.insert(m_entries.begin(), entry);
    if (static_cast<int>(m_entries.size()) > m_limit)
        m_entries.resize(static_cast<std::size_t>(m_limit));
    return save();
}

Status RecentList::remove(const std::string& entry) {
    const auto before = m_entries.size();
    std::erase_if(m_entries, [&](const std::string& e) { return equalsNoCase(e, entry); });
    return m_entries.size() != before ? save() : Status();
}

Status RecentList::clear() {
    m_entries.clear();
    return save();
}

Status RecentList::setLimit(int limit) {
    m_limit = std::max(limit, 0);
    if (static_cast<int>(m_entries.size()) <= m_limit)
        return {};
    m_entries.resize(static_cast<std::size_t>(m_limit));
    return save();
}

} // namespace quarlo
