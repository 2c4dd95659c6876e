#pragma once

#include "cli/Commands.h"

#include <string>
#include <string_view>
#include <vector>

namespace quarlo::cli {

// What the command table says of the words a command takes, read from its usage lines and
// help text. The manual page and the shell completion are written from it, so they follow
// the table as commands and options are added.

struct OptionSyntax {
    std::string name;        // "--depth"
    std::string value;       // "N", "dir|site|anywhere"; empty for a flag
    std::string description; // from an option table; often empty
};

// One usage line: "task show TASK [--csv | --json]" has the verb "show" and the positional
// word "TASK".
struct UsageForm {
    std::string verb;
    // Placeholders without brackets; "FILE..." keeps its dots (it may be repeated).
    std::vector<std::string> positionals;
};

struct CommandSyntax {
    std::string name;
    std::vector<UsageForm> forms;
    // Every option: those of the usage lines first (with "[PROFILE OPTIONS]" standing for the
    // option table of the profile command), then those only the help text names.
    std::vector<OptionSyntax> options;
};

// The lines of a text that read "  --name VALUE   description": two blanks before the
// option, two or more between the option with its value and the description.
std::vector<OptionSyntax> optionTable(std::string_view text);

CommandSyntax commandSyntax(const CommandInfo& command);

// The options given before the command, read from what `quarlo-cli --help` prints.
std::vector<OptionSyntax> globalOptions();

// The usage lines of a command, continuation lines joined to the line they continue.
std::vector<std::string> usageLines(const CommandInfo& command);

} // namespace quarlo::cli
