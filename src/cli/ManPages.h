#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarlo::cli {

// The manual pages, written from the command table and help texts the programs print.
std::string cliManPage();     // quarlo-cli(1)
std::string desktopManPage(); // quarlo(1)

// An exit status of quarlo-cli and what it means, as both the manual and the README list it.
struct ExitStatusHelp {
    int code;
    std::string_view meaning;
};
const std::vector<ExitStatusHelp>& exitStatusHelp();

} // namespace quarlo::cli
