#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarlo::cli {

// Pieces of manual pages in the man(7) macros.

// Text for a roff input line: backslashes, minus signs and letters outside ASCII escaped
// (bytes that are not UTF-8 become "?"), and a line that would start with "." or "'" (a
// request) guarded. Every line break of the text is kept.
std::string roffText(std::string_view text);

// A usage line: literal words (the program, commands, options, choices) in bold,
// placeholders in italics, brackets and bars in roman.
std::string roffUsage(std::string_view line);

// Usage lines, one after the other, each wrapped with a hanging indent.
std::string roffSynopsis(const std::vector<std::string>& lines);

// A help text: its lines filled as prose, and its "  --name VALUE   description" lines as a
// tagged list.
std::string roffHelpText(std::string_view text);

// ".TP" with the option (and its value) as the tag and the description below.
std::string roffOptionItem(std::string_view name, std::string_view value,
                           std::string_view description);

} // namespace quarlo::cli
