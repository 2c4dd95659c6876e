#include "cli/Cli.h"

#include <ostream>

namespace quarlo::cli {

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "help") {
        out << "usage: quarlo-cli COMMAND [ARGS]\n";
        return 0;
    }
    err << "quarlo-cli: unknown command: " << args[0] << "\n";
    return 2;
}

} // namespace quarlo::cli
