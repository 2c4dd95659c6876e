#include "platform/IniFile.h"

#include "platform/FileUtil.h"
#include "platform/TextUtil.h"

#include <charconv>

namespace quarlo {

namespace {

bool isHeader(std::string_view text) {
    const std::string_view trimmed = trimBlanks(text);
    return !trimmed.empty() && trimmed.front() == '[';
}

// "[ Name ]" gives "Name"; a header without its "]" runs to the end of the line.
std::string_view headerName(std::string_view text) {
    std::string_view trimmed = trimBlanks(text);
    trimmed.remove_prefix(1);
    const auto close = trimmed.find(']');
    if (close != std::string_view::npos)
        trimmed = trimmed.substr(0, close);
    return trimBlanks(trimmed);
}

// The key of a "Key=Value" line; false for lines that hold no key (comments, garbage).
bool splitKeyLine(std::string_view text, std::string_view& key, std::string_view& value) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        return false;
    key = trimBlanks(text.substr(0, equals));
    if (key.empty() || key.front() == ';')
        return false;
    value = trimBlanks(text.substr(equals + 1));
    return true;
}

// A value written into one line must not end it: a line break inside a value would start a
// new line that reads as another key.
std::string oneLine(std::string_view value) {
    std::string text(value);
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

std::optional<std::int64_t> parseIniNumber(std::string_view text) {
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
    if (text.empty() || text.front() == '-' || text.front() == '+')
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (base == 10 && magnitude > (negative ? 9223372036854775808ull : 9223372036854775807ull))
        return std::nullopt;
    // Hexadecimal text covers the whole 64-bit pattern ($FFFFFFFFFFFFFFFF is -1).
    const auto value = static_cast<std::int64_t>(magnitude);
    return negative ? static_cast<std::int64_t>(0 - magnitude) : value;
}

} // namespace

std::optional<std::int64_t> IniFile::parseInteger(std::string_view text) {
    return parseIniNumber(text);
}

IniFile::IniFile(std::string path) : m_path(std::move(path)) {
    const auto content = readFile(m_path);
    if (!content)
        return;
    std::string section;
    bool inSection = false;
    for (std::string_view text : splitLines(*content)) {
        if (isHeader(text)) {
            section = asciiLower(headerName(text));
            inSection = true;
            m_lines.push_back({section, std::string(text), LineKind::Header});
        } else {
            m_lines.push_back(
                {section, std::string(text), inSection ? LineKind::Body : LineKind::Preamble});
        }
    }
}

int IniFile::findKey(std::string_view section, std::string_view key) const {
    const std::string wanted = asciiLower(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        std::string_view lineKey, value;
        if (line.kind == LineKind::Body && line.section == wanted &&
            splitKeyLine(line.text, lineKey, value) && equalsNoCase(lineKey, key))
            return static_cast<int>(i);
    }
    return -1;
}

int IniFile::findSectionEnd(std::string_view section) const {
    const std::string wanted = asciiLower(section);
    int end = -1;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == LineKind::Preamble || line.section != wanted)
            continue;
        // Blank lines at the end of a section stay after the keys appended to it.
        if (line.kind == LineKind::Header || !trimBlanks(line.text).empty())
            end = static_cast<int>(i) + 1;
    }
    return end;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    const int index = findKey(section, key);
    if (index < 0)
        return std::string(def);
    std::string_view lineKey, value;
    splitKeyLine(m_lines[static_cast<std::size_t>(index)].text, lineKey, value);
    return std::string(cutUtf8(value, kMaxValueLength));
}

std::int64_t IniFile::readInt(std::string_view section, std::string_view key,
                              std::int64_t def) const {
    if (findKey(section, key) < 0)
        return def;
    return parseInteger(readString(section, key)).value_or(def);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInt(section, key, def ? 1 : 0) != 0;
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const {
    return findKey(section, key) >= 0;
}

bool IniFile::hasSection(std::string_view section) const {
    return findSectionEnd(section) >= 0;
}

std::vector<std::string> IniFile::sections() const {
    std::vector<std::string> names;
    std::vector<std::string> seen;
    for (const Line& line : m_lines) {
        if (line.kind != LineKind::Header || containsString(seen, line.section))
            continue;
        seen.push_back(line.section);
        names.emplace_back(headerName(line.text));
    }
    return names;
}

std::vector<std::string> IniFile::keys(std::string_view section) const {
    const std::string wanted = asciiLower(section);
    std::vector<std::string> names;
    std::vector<std::string> seen;
    for (const Line& line : m_lines) {
        std::string_view key, value;
        if (line.kind != LineKind::Body || line.section != wanted ||
            !splitKeyLine(line.text, key, value))
            continue;
        std::string lower = asciiLower(key);
        if (containsString(seen, lower))
            continue;
        seen.push_back(std::move(lower));
        names.emplace_back(key);
    }
    return names;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    std::string text = std::string(key) + "=" + oneLine(value);
    const int index = findKey(section, key);
    if (index >= 0) {
        m_lines[static_cast<std::size_t>(index)].text = std::move(text);
        return;
    }
    const std::string lower = asciiLower(section);
    int end = findSectionEnd(section);
    if (end < 0) {
        m_lines.push_back({lower, "[" + std::string(section) + "]", LineKind::Header});
        end = static_cast<int>(m_lines.size());
    }
    m_lines.insert(m_lines.begin() + end, Line{lower, std::move(text), LineKind::Body});
}

void IniFile::writeInt(std::string_view section, std::string_view key, std::int64_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::eraseKey(std::string_view section, std::string_view key) {
    for (int index = findKey(section, key); index >= 0; index = findKey(section, key))
        m_lines.erase(m_lines.begin() + index);
}

void IniFile::eraseSection(std::string_view section) {
    const std::string wanted = asciiLower(section);
    std::erase_if(m_lines, [&](const Line& line) {
        return line.kind != LineKind::Preamble && line.section == wanted;
    });
}

Status IniFile::save(unsigned mode) const {
    std::string content;
    for (const Line& line : m_lines) {
        content += line.text;
        content += "\r\n";
    }
    return writeFileAtomic(m_path, content, mode);
}

} // namespace quarlo
