#pragma once

#include "model/TaskDate.h"
#include "platform/IniFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// Reads the typed values of one section. A missing or empty value gives the default quietly;
// a value that is there but cannot be read (not a number, out of range, a broken date) gives
// the default and its key is noted in badKeys.
class IniFieldReader {
public:
    IniFieldReader(const IniFile& ini, std::string_view section, std::vector<std::string>* badKeys);

    std::string text(std::string_view key, std::string_view def = {}) const;
    std::int64_t integer(std::string_view key, std::int64_t def, std::int64_t min,
                         std::int64_t max) const;
    bool boolean(std::string_view key, bool def) const;
    std::vector<std::string> list(std::string_view key) const;
    DateTime date(std::string_view key) const;
    // Notes a key whose value the caller refused.
    void refuse(std::string_view key) const;

private:
    const IniFile& m_ini;
    std::string m_section;
    std::vector<std::string>* m_badKeys;
};

} // namespace quarlo
