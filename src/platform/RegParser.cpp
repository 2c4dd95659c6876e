#include "platform/RegParser.h"

#include "platform/TextUtil.h"

#include <charconv>
#include <optional>

namespace quarlo {

namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";

// Lines of the decoded text with continuations ("\" at the end) joined.
std::vector<std::string> logicalLines(std::string_view text) {
    std::vector<std::string> lines;
    bool continued = false;
    for (std::string_view raw : splitLines(text)) {
        std::string_view line = continued ? trimBlanks(raw) : raw;
        if (continued)
            lines.back() += line;
        else
            lines.emplace_back(line);
        std::string& current = lines.back();
        while (!current.empty() && (current.back() == ' ' || current.back() == '\t'))
            current.pop_back();
        continued =
            !current.empty() && current.back() == '\\' && trimBlanks(current).front() != '[';
        if (continued)
            current.pop_back();
    }
    return lines;
}

// A quoted text with \\ and \" escapes, from text[pos] == '"'; pos ends after the closing
// quote.
std::optional<std::string> readQuoted(std::string_view text, std::size_t& pos) {
    std::string result;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return result;
        }
        if (c == '\\' && pos + 1 < text.size() && (text[pos + 1] == '\\' || text[pos + 1] == '"'))
            ++pos;
        result += text[pos];
    }
    return std::nullopt;
}

std::optional<std::string> hexBytes(std::string_view data) {
    std::string bytes;
    while (!data.empty()) {
        const auto comma = data.find(',');
        const std::string_view item = trimBlanks(data.substr(0, comma));
        unsigned value = 0;
        const auto [end, error] =
            std::from_chars(item.data(), item.data() + item.size(), value, 16);
        if (item.empty() || item.size() > 2 || error != std::errc() ||
            end != item.data() + item.size())
            return std::nullopt;
        bytes += static_cast<char>(value);
        if (comma == std::string_view::npos)
            break;
        data.remove_prefix(comma + 1);
    }
    return bytes;
}

// The string kind written in hexadecimal: bytes (REGEDIT4) or UTF-16LE (version 5), with
// the terminating zero.
std::optional<std::string> hexString(std::string_view data, bool utf16) {
    auto bytes = hexBytes(data);
    if (!bytes)
        return std::nullopt;
    std::string text = utf16 ? utf16LeToUtf8(*bytes) : *bytes;
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

std::optional<RegValue> readData(std::string_view data, bool utf16) {
    RegValue value;
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        auto text = readQuoted(data, pos);
        if (!text || !trimBlanks(data.substr(pos)).empty())
            return std::nullopt;
        value.text = std::move(*text);
        return value;
    }
    const std::string lower = asciiLower(data);
    if (lower.starts_with("dword:")) {
        const std::string_view digits = trimBlanks(data.substr(6));
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value.dword, 16);
        if (digits.empty() || digits.size() > 8 || error != std::errc() ||
            end != digits.data() + digits.size())
            return std::nullopt;
        value.type = RegValue::Type::Dword;
        return value;
    }
    if (lower.starts_with("hex(1):")) {
        auto text = hexString(data.substr(7), utf16);
        if (!text)
            return std::nullopt;
        value.text = std::move(*text);
        return value;
    }
    if (lower.starts_with("hex")) {
        value.type = RegValue::Type::Other;
        value.text = std::string(data);
        return value;
    }
    return std::nullopt;
}

class Parser {
public:
    explicit Parser(bool utf16) : m_utf16(utf16) {}

    // False when the line cannot be read.
    bool line(std::string_view text, RegParse& out) {
        text = trimBlanks(text);
        if (text.empty() || text.front() == ';')
            return true;
        if (text.front() == '[')
            return keyLine(text, out);
        if (text.front() == '"' || text.front() == '@')
            return valueLine(text, out);
        return false;
    }

private:
    bool keyLine(std::string_view text, RegParse& out) {
        const auto close = text.rfind(']');
        if (close == std::string_view::npos || close == 0)
            return false;
        std::string_view path = text.substr(1, close - 1);
        const bool remove = !path.empty() && path.front() == '-';
        if (remove)
            path.remove_prefix(1);
        const std::string_view root = path.substr(0, path.find('\\'));
        m_inKey = false;
        if (!equalsNoCase(root, kRoot))
            return true; // another hive: its values are passed over
        RegOp op;
        op.kind = remove ? RegOp::Kind::DeleteKey : RegOp::Kind::CreateKey;
        op.key = normaliseKeyPath(path.substr(root.size()));
        if (remove && op.key.empty())
            return false; // the whole hive is never deleted
        m_inKey = !remove;
        m_key = op.key;
        out.ops.push_back(std::move(op));
        return true;
    }

    bool valueLine(std::string_view text, RegParse& out) {
        RegOp op;
        std::size_t pos = 1;
        if (text.front() == '"') {
            pos = 0;
            auto name = readQuoted(text, pos);
            if (!name)
                return false;
            op.name = std::move(*name);
        }
        text = trimBlanks(text.substr(pos));
        if (text.empty() || text.front() != '=')
            return false;
        const std::string_view data = trimBlanks(text.substr(1));
        if (!m_inKey)
            return true;
        op.key = m_key;
        if (data == "-") {
            op.kind = RegOp::Kind::DeleteValue;
        } else {
            auto value = readData(data, m_utf16);
            if (!value)
                return false;
            op.kind = RegOp::Kind::SetValue;
            op.value = std::move(*value);
        }
        out.ops.push_back(std::move(op));
        return true;
    }

    bool m_utf16;
    bool m_inKey = false;
    std::string m_key;
};

} // namespace

std::string utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) |
               static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t code = unit(i);
        if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        appendUtf8(out, code);
    }
    return out;
}

RegParse parseRegText(std::string_view bytes) {
    RegParse result;
    std::string decoded;
    if (bytes.starts_with("\xFF\xFE")) {
        decoded = utf16LeToUtf8(bytes.substr(2));
        bytes = decoded;
    } else if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    const std::vector<std::string> lines = logicalLines(bytes);
    std::size_t first = 0;
    while (first < lines.size() && trimBlanks(lines[first]).empty())
        ++first;
    const std::string_view header = first < lines.size() ? trimBlanks(lines[first]) : "";
    const bool version5 = header == "Windows Registry Editor Version 5.00";
    if (header != "REGEDIT4" && !version5) {
        result.problem = "not a registry file (no REGEDIT4 header)";
        return result;
    }
    result.recognised = true;
    Parser parser(version5);
    std::size_t bad = 0;
    std::size_t firstBad = 0;
    for (std::size_t i = first + 1; i < lines.size(); ++i) {
        if (!parser.line(lines[i], result) && bad++ == 0)
            firstBad = i + 1;
    }
    if (bad > 0)
        result.problem = std::to_string(bad) + " line(s) could not be read, the first near line " +
                         std::to_string(firstBad);
    return result;
}

} // namespace quarlo
