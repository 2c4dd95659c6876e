#include "cli/Cli.h"

#include "cli/Commands.h"
#include "platform/BuildVersion.h"

#include <iomanip>
#include <ostream>

namespace quarlo::cli {

namespace {

const CommandInfo* findCommand(const std::string& name) {
    for (const auto& command : commands())
        if (command.name == name)
            return &command;
    return nullptr;
}

void printUsage(std::ostream& out) {
    out << "usage: quarlo-cli [GLOBAL OPTIONS] COMMAND [ARGS]\n"
           "       quarlo-cli --version\n\ncommands:\n";
    for (const auto& command : commands())
        out << "  " << std::left << std::setw(12) << command.name << command.summary << "\n";
    out << "\nglobal options (stored as settings before the command runs):\n"
           "  --connections N   transfers side by side (1-16)\n"
           "  --priority P      balance of pages and media (0-10)\n"
           "  --pause MS        dispatch pause in ms (default 100; 0: as fast as possible)\n"
           "  --limit-rate KB   cap on all transfers together in KB/s (0: none)\n"
           "\n'quarlo-cli help COMMAND' describes a command. Exit codes: 0 success, 1 the run\n"
           "finished with failed files, 2 usage or input error, 3 the copy could not be written\n"
           "(full or read-only disk, archive error: the task is \"Incomplete\"), 130 stopped.\n";
}

int printHelp(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    if (words.empty()) {
        printUsage(out);
        return 0;
    }
    const CommandInfo* command = findCommand(words[0]);
    if (command == nullptr) {
        err << "quarlo-cli: no such command: " << words[0] << "\n";
        return 2;
    }
    out << "usage:\n";
    std::string usage(command->usage);
    for (std::size_t start = 0; start < usage.size();) {
        std::size_t end = usage.find('\n', start);
        if (end == std::string::npos)
            end = usage.size();
        out << "  quarlo-cli " << usage.substr(start, end - start) << "\n";
        start = end + 1;
    }
    out << "\n" << command->summary << ".\n" << command->details;
    return 0;
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::size_t first = globalOptionWords(args);
    const std::vector<std::string> globals(args.begin(), args.begin() + static_cast<long>(first));
    // Wrong global options are refused before anything runs, also before the help.
    if (Status valid = checkGlobalOptions(globals); !valid) {
        err << "quarlo-cli: " << valid.message() << " (see 'quarlo-cli --help')\n";
        return 2;
    }
    if (first >= args.size() || args[first] == "--help" || args[first] == "help" ||
        args[first] == "-h") {
        std::vector<std::string> rest;
        if (first < args.size())
            rest.assign(args.begin() + static_cast<long>(first) + 1, args.end());
        return printHelp(rest, out, err);
    }
    if (args[first] == "--version") {
        out << "quarlo-cli " << buildVersion() << "\n";
        return 0;
    }
    const CommandInfo* command = findCommand(args[first]);
    if (command == nullptr) {
        err << "quarlo-cli: unknown command: " << args[first] << " (see 'quarlo-cli --help')\n";
        return 2;
    }
    Context context(out, err);
    if (int code = applyGlobalOptions(context, globals); code != 0)
        return code;
    Args words(std::vector<std::string>(args.begin() + static_cast<long>(first) + 1, args.end()));
    if (words.flag("--help"))
        return printHelp({std::string(command->name)}, out, err);
    return command->handler(context, words);
}

} // namespace quarlo::cli
