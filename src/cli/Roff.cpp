#include "cli/Roff.h"

#include "cli/CommandSyntax.h"
#include "platform/TextUtil.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace quarlo::cli {

namespace {

// The code point of the UTF-8 sequence at pos and its length; length 0 when the bytes there
// are not one.
std::pair<std::uint32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || pos + length > text.size())
        return {0, 0};
    std::uint32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if ((byte & 0xC0) != 0x80)
            return {0, 0};
        value = value << 6 | (byte & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return {0, 0};
    return {value, length};
}

std::string escapeChars(std::string_view text) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const char c = text[pos];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const auto [value, length] = decodeUtf8(text, pos);
            if (length == 0) {
                out += '?';
                ++pos;
                continue;
            }
            char code[16];
            std::snprintf(code, sizeof code, "\\[u%04X]", static_cast<unsigned>(value));
            out += code;
            pos += length;
            continue;
        }
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        ++pos;
    }
    return out;
}

std::string guardLine(std::string line) {
    if (!line.empty() && (line[0] == '.' || line[0] == '\''))
        line.insert(0, "\\&");
    return line;
}

bool isPlaceholderText(std::string_view part) {
    for (char c : part)
        if (std::isupper(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '@' || c == ',' ||
            c == '/')
            return true;
    return false;
}

} // namespace

std::string roffText(std::string_view text) {
    std::string out;
    for (std::string_view line : splitLines(text))
        out += guardLine(escapeChars(line)) + "\n";
    return out;
}

std::string roffUsage(std::string_view line) {
    std::string out;
    std::string part;
    int depth = 0;
    // Brackets, bars, parentheses, quotes and blanks stay roman; what lies between them is
    // a placeholder (with capitals or a time pattern) or a literal.
    const auto flush = [&] {
        if (part.empty())
            return;
        const bool literal = part.starts_with("-") || !isPlaceholderText(part);
        out += (literal ? "\\fB" : "\\fI") + escapeChars(part) + "\\fR";
        part.clear();
    };
    for (char c : line) {
        if (std::string_view("[]()| \"").find(c) != std::string_view::npos) {
            flush();
            depth += c == '[' || c == '(' ? 1 : c == ']' || c == ')' ? -1 : 0;
            // A bracketed group is not broken across lines.
            out += c == ' ' && depth > 0 ? std::string("\\ ") : std::string(1, c);
        } else if (c == '.' && part.size() >= 2 && part.ends_with("..")) {
            part.resize(part.size() - 2);
            flush();
            out += "...";
        } else {
            part += c;
        }
    }
    flush();
    return guardLine(out);
}

std::string roffSynopsis(const std::vector<std::string>& lines) {
    std::string out = ".PP\n.in +4n\n";
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += (i > 0 ? ".br\n" : "") + std::string(".ti -4n\n") + roffUsage(lines[i]) + "\n";
    return out + ".in\n";
}

std::string roffOptionItem(std::string_view name, std::string_view value,
                           std::string_view description) {
    std::string out = ".TP\n\\fB" + escapeChars(name) + "\\fR";
    if (!value.empty())
        out += " " + roffUsage(value);
    out += "\n";
    if (!description.empty())
        out += roffText(description);
    return out;
}

std::string roffHelpText(std::string_view text) {
    std::string out;
    bool inList = false;
    for (std::string_view line : splitLines(text)) {
        if (line.starts_with("  --")) {
            const auto items = optionTable(line);
            for (const OptionSyntax& option : items)
                out += roffOptionItem(option.name, option.value, option.description);
            inList = true;
            continue;
        }
        if (inList)
            out += ".PP\n";
        inList = false;
        const std::string_view trimmed = trimBlanks(line);
        if (!trimmed.empty())
            out += roffText(trimmed);
    }
    return out;
}

} // namespace quarlo::cli
