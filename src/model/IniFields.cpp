#include "model/IniFields.h"

#include "model/CommaText.h"

#include <limits>

namespace quarlo {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

int digitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

} // namespace

std::optional<std::int64_t> parseIniInteger(std::string_view text) {
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // Accumulated as a magnitude so that the most negative number still fits.
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    std::uint64_t magnitude = 0;
    for (char c : text) {
        const int digit = digitValue(c, base);
        if (digit < 0 || magnitude > (limit - static_cast<std::uint64_t>(digit)) / base)
            return std::nullopt;
        magnitude = magnitude * base + static_cast<std::uint64_t>(digit);
    }
    if (negative)
        return magnitude == 0 ? 0 : -static_cast<std::int64_t>(magnitude - 1) - 1;
    return static_cast<std::int64_t>(magnitude);
}

IniFieldReader::IniFieldReader(const IniFile& ini, std::string_view section,
                               std::vector<std::string>* badKeys)
    : m_ini(ini), m_section(section), m_badKeys(badKeys) {}

std::string IniFieldReader::text(std::string_view key, std::string_view def) const {
    return m_ini.readString(m_section, key, def);
}

std::int64_t IniFieldReader::integer(std::string_view key, std::int64_t def, std::int64_t min,
                                     std::int64_t max) const {
    const std::string value = m_ini.readString(m_section, key);
    if (trimmed(value).empty())
        return def;
    const std::optional<std::int64_t> number = parseIniInteger(value);
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
