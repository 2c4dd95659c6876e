#include "cli/Json.h"

#include "reports/ExportScript.h"

#include <ostream>
#include <stdexcept>
#include <string>

namespace quarlo::cli {

JsonWriter::JsonWriter(std::ostream& out) : m_out(out) {}

// A value goes after its key on the same line, or on a line of its own inside an array.
void JsonWriter::beforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty())
        return;
    if (m_levels.back().object)
        throw std::logic_error("a value inside a JSON object needs its key first");
    m_out << (m_levels.back().members++ > 0 ? ",\n" : "\n")
          << std::string(2 * m_levels.size(), ' ');
}

void JsonWriter::open(char bracket) {
    beforeValue();
    m_out << bracket;
    m_levels.push_back({bracket == '{', 0});
}

void JsonWriter::close(char bracket) {
    if (m_levels.empty() || m_levels.back().object != (bracket == '}') || m_afterKey)
        throw std::logic_error("unbalanced JSON document");
    const bool empty = m_levels.back().members == 0;
    m_levels.pop_back();
    if (!empty)
        m_out << "\n" << std::string(2 * m_levels.size(), ' ');
    m_out << bracket;
    if (m_levels.empty())
        m_out << "\n";
}

JsonWriter& JsonWriter::beginObject() {
    open('{');
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    close('}');
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    open('[');
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    close(']');
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    if (m_levels.empty() || !m_levels.back().object || m_afterKey)
        throw std::logic_error("a JSON key outside an object");
    m_out << (m_levels.back().members++ > 0 ? ",\n" : "\n") << std::string(2 * m_levels.size(), ' ')
          << jsonString(name) << ": ";
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view text) {
    beforeValue();
    m_out << jsonString(text);
    return *this;
}

JsonWriter& JsonWriter::number(std::int64_t value) {
    beforeValue();
    m_out << value;
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
    beforeValue();
    m_out << (value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    m_out << "null";
    return *this;
}

JsonWriter& JsonWriter::strings(const std::vector<std::string>& texts) {
    beginArray();
    for (const std::string& text : texts)
        string(text);
    return endArray();
}

} // namespace quarlo::cli
