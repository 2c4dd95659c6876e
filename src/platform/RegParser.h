#pragma once

#include "platform/RegTree.h"

#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// What a .reg file says, as changes to apply in file order.
struct RegParse {
    bool recognised = false; // the file starts with a known header
    std::vector<RegOp> ops;
    std::string problem; // what could not be read, or empty
};

// Reads the text of a .reg file: "REGEDIT4" or "Windows Registry Editor Version 5.00",
// UTF-8 (with or without BOM) or UTF-16LE with its BOM, CR LF or LF line ends, lines
// continued by a final "\". Only keys under HKEY_CURRENT_USER are taken; lines that cannot
// be read are passed over and counted in the problem.
RegParse parseRegText(std::string_view bytes);

// UTF-16LE code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16LeToUtf8(std::string_view bytes);

} // namespace quarlo
