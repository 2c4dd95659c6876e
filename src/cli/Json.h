#pragma once

#include <cstdint>
#include <iosfwd>
#include <string_view>
#include <vector>

namespace quarlo::cli {

// Writes one JSON document to a stream, indented by two blanks and ended with a newline.
// Strings are escaped so that any bytes give valid JSON: quotes, backslashes and control
// characters are escaped, and bytes that are not UTF-8 become U+FFFD. Keys and values are
// given in order: key() before each member of an object, then its value.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out);

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);

    JsonWriter& string(std::string_view text);
    JsonWriter& number(std::int64_t value);
    JsonWriter& boolean(bool value);
    JsonWriter& null();
    // An array of strings.
    JsonWriter& strings(const std::vector<std::string>& texts);

private:
    void beforeValue();
    void open(char bracket);
    void close(char bracket);

    struct Level {
        bool object;
        int members;
    };
    std::ostream& m_out;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};

} // namespace quarlo::cli
