#pragma once

#include <string>

namespace quarlo::cli {

// The bash completion script of quarlo-cli, written from the command table: commands, their
// verbs and options, the values an option takes (choices, files, folders), and the names of
// tasks, categories and profiles read from the data folder at completion time (found as the
// program finds it: $QUARLO_HOME, else $XDG_DATA_HOME/quarlo, else ~/.local/share/quarlo).
std::string bashCompletion();

} // namespace quarlo::cli
