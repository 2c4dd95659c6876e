#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace quarlo::cli {

// Runs one quarlo-cli command line (without the program name). Exit codes: 0 success, 1 the
// run finished with failed files, 2 usage or input error, 3 the copy could not be written,
// 130 stopped.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace quarlo::cli
