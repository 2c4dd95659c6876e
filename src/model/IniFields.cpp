#include "model/IniFields.h"

#include "model/CommaText.h"
#include "platform/TextUtil.h"

#include <limits>

namespace quarlo {

IniFieldReader::IniFieldReader(const IniFile& ini, std::string_view section,
                               std::vector<std::string>* badKeys)
    : m_ini(ini), m_section(section), m_badKeys(badKeys) {}

std::string IniFieldReader::text(std::string_view key, std::string_view def) const {
    return m_ini.readString(m_section, key, def);
}

std::int64_t IniFieldReader::integer(std::string_view key, std::int64_t def, std::int64_t min,
                                     std::int64_t max) const {
    const std::string value = m_ini.readString(m_section, key);
    if (trimBlanks(value).empty())
        return def;
    const std::optional<std::int64_t> number = IniFile::parseInteger(trimBlanks(value));
    if (!number || *number < min || *number > max) {
        refuse(key);
        return def;
    }
    return *number;
}

bool IniFieldReader::boolean(std::string_view key, bool def) const {
    const std::int64_t value = integer(key, def ? 1 : 0, std::numeric_limits<std::int64_t>::min(),
                                       std::numeric_limits<std::int64_t>::max());
    return value != 0;
}

std::vector<std::string> IniFieldReader::list(std::string_view key) const {
    return fromCommaText(m_ini.readString(m_section, key));
}

DateTime IniFieldReader::date(std::string_view key) const {
    const std::optional<DateTime> value = parseTaskDate(m_ini.readString(m_section, key));
    if (!value) {
        refuse(key);
        return 0;
    }
    return *value;
}

void IniFieldReader::refuse(std::string_view key) const {
    if (m_badKeys != nullptr)
        m_badKeys->emplace_back(key);
}

} // namespace quarlo
