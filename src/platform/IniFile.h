#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// A private-profile file ([Section] lines and Key=Value lines) held in memory.
//
// Sections and keys are found without regard to case; a text read back is cut to 2047
// bytes, as the classic 2048-byte read buffer did (never inside a UTF-8 character). Blanks
// around keys and values are dropped on reading; a value never holds a line break (one
// written is turned into a blank). Lines that are neither sections nor Key=Value are kept. Writing
// a key replaces its value in place or appends it at the end of its section (the section is
// appended when missing); everything else in the file, other sections included, is kept as it was.
// Nothing touches the disk until save(), which replaces the file atomically (temporary file +
// rename).
class IniFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;

    // Reads the file when it exists; a missing file is an empty one.
    explicit IniFile(std::string path);

    const std::string& path() const { return m_path; }

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def = {}) const;
    // A number as INI values hold it: decimal, or hexadecimal after "0x"/"0X" (text longer
    // than two characters) or "$", with an optional sign; hexadecimal covers the whole 64-bit
    // pattern ($FFFFFFFFFFFFFFFF is -1). Nothing when the text is not such a number.
    static std::optional<std::int64_t> parseInteger(std::string_view text);
    // The value as parseInteger reads it; a text that is not a number gives the default.
    std::int64_t readInt(std::string_view section, std::string_view key, std::int64_t def) const;
    // Any non-zero number is true.
    bool readBool(std::string_view section, std::string_view key, bool def) const;
    bool hasKey(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    std::vector<std::string> sections() const;
    std::vector<std::string> keys(std::string_view section) const;

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInt(std::string_view section, std::string_view key, std::int64_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void eraseKey(std::string_view section, std::string_view key);
    void eraseSection(std::string_view section);

    // Writes the file (lines end with CR LF) atomically with the given permissions; the
    // folder must exist. Fails with "Unable to write to <path>".
    Status save(unsigned mode = 0644) const;

private:
    enum class LineKind { Preamble, Header, Body }; // before any section, [Section], inside
    struct Line {
        std::string section; // lower-cased name of the section the line belongs to
        std::string text;    // the line as read or written, without its line end
        LineKind kind = LineKind::Body;
    };
    int findKey(std::string_view section, std::string_view key) const;
    int findSectionEnd(std::string_view section) const;

    std::string m_path;
    std::vector<Line> m_lines;
};

} // namespace quarlo
