#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// The list encoding of task and profile files.
//
// Entries are joined by ","; an entry holding a blank or control character (codes 0 to 32),
// a double quote or a comma is written in double quotes with inner quotes doubled. A list of
// exactly one empty entry is written as "" so that it differs from the empty list.
std::string toCommaText(const std::vector<std::string>& entries);

// Splits at commas and at unquoted blanks and control characters; a run of separators (a
// comma with blanks around it included) counts as one. A quoted entry runs to its closing
// quote (doubled quotes inside stand for one) or to the end of the text. An empty text gives
// an empty list.
std::vector<std::string> fromCommaText(std::string_view text);

} // namespace quarlo
