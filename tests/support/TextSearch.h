#pragma once

#include <cstddef>
#include <string>

namespace quarlo::test {

// How many times the needle stands in the text, overlapping ones included.
std::size_t countOf(const std::string& text, const std::string& needle);

} // namespace quarlo::test
