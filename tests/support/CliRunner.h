#pragma once

#include <string>
#include <vector>

namespace quarlo::test {

// What one in-process quarlo-cli command line gave.
struct CliRun {
    int code;
    std::string out;
    std::string err;
};

CliRun runCli(const std::vector<std::string>& words);

} // namespace quarlo::test
