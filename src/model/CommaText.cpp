#include "model/CommaText.h"

namespace quarlo {

namespace {

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

bool needsQuotes(const std::string& entry) {
    for (char c : entry) {
        if (isBlank(c) || c == '"' || c == ',')
            return true;
    }
    return false;
}

std::string quoted(const std::string& entry) {
    std::string out = "\"";
    for (char c : entry) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
    return out;
}

// Reads a quoted entry starting at the opening quote; pos ends after the closing quote.
std::string readQuoted(std::string_view text, std::size_t& pos) {
    std::string entry;
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c != '"') {
            entry += c;
            continue;
        }
        if (pos < text.size() && text[pos] == '"') {
            entry += '"';
            ++pos;
            continue;
        }
        break;
    }
    return entry;
}

void skipBlanks(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
}

} // namespace

std::string toCommaText(const std::vector<std::string>& entries) {
    if (entries.size() == 1 && entries.front().empty())
        return "\"\"";
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out += ',';
        out += needsQuotes(entries[i]) ? quoted(entries[i]) : entries[i];
    }
    return out;
}

std::vector<std::string> fromCommaText(std::string_view text) {
    std::vector<std::string> entries;
    std::size_t pos = 0;
    skipBlanks(text, pos);
    while (pos < text.size()) {
        if (text[pos] == '"') {
            entries.push_back(readQuoted(text, pos));
        } else {
            std::size_t start = pos;
            while (pos < text.size() && !isBlank(text[pos]) && text[pos] != ',')
                ++pos;
            entries.emplace_back(text.substr(start, pos - start));
        }
        skipBlanks(text, pos);
        if (pos < text.size() && text[pos] == ',') {
            // A comma at the very end still separates an empty last entry.
            if (pos + 1 == text.size())
                entries.emplace_back();
            ++pos;
            skipBlanks(text, pos);
        }
    }
    return entries;
}

} // namespace quarlo
