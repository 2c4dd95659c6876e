#pragma once

#include "platform/Result.h"

#include <string>
#include <vector>

namespace quarlo {

class SettingsStore;

// A most-recent-first list kept in the settings under the product key ("Recent URLs",
// "Recent ZIP files") as the values "1", "2", ... Adding an entry puts it first (an equal
// entry, compared without regard to case, moves there); the list keeps at most its limit
// and is written back after every change; a change that cannot be written is kept in memory
// and returned as a failure.
class RecentList {
public:
    RecentList(SettingsStore& settings, std::string keyName, int limit);

    const std::vector<std::string>& entries() const { return m_entries; }
    Status add(const std::string& entry);
    Status remove(const std::string& entry);
    // Empties the list and stores it empty.
    Status clear();
    // A smaller limit drops the oldest entries at once.
    Status setLimit(int limit);

private:
    void load();
    Status save();
    std::string keyPath() const;

    SettingsStore& m_settings;
    std::string m_keyName;
    int m_limit;
    std::vector<std::string> m_entries;
};

} // namespace quarlo
