#include "support/CliRunner.h"

#include "cli/Cli.h"

#include <sstream>

namespace quarlo::test {

CliRun runCli(const std::vector<std::string>& words) {
    std::ostringstream out, err;
    const int code = quarlo::cli::run(words, out, err);
    return {code, out.str(), err.str()};
}

} // namespace quarlo::test
