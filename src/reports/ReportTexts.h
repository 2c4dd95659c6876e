#pragma once

#include <string>

namespace quarlo {

// The numbered texts of the report commands and the report dialog (741, 790).
std::string reportText(int number);

// The labels the report dialog shows while it writes the index pages.
inline constexpr const char* kPageIndexLabel = "Creating Page Index";
inline constexpr const char* kImageIndexLabel = "Creating Image Index";

} // namespace quarlo
