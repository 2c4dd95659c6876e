#include "cli/Cli.h"
#include "platform/WriteFault.h"

#include <clocale>
#include <cstdlib>
#include <iostream>

// QUARLO_FAULT_WRITES ("N:ENOSPC", "N:EROFS", ... with an optional ":COUNT") makes the
// program's file writes fail from the Nth on, as on a full or read-only disk, so that tests
// run from outside see what such a disk does to a run; the figures go to stderr at the end.
int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const char* faults = std::getenv("QUARLO_FAULT_WRITES");
    if (faults != nullptr) {
        if (quarlo::Status armed = quarlo::armWriteFault(faults); !armed) {
            std::cerr << "quarlo-cli: " << armed.message() << "\n";
            return 2;
        }
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    const int code = quarlo::cli::run(args, std::cout, std::cerr);
    if (faults != nullptr)
        std::cerr << "quarlo-cli: write faults: " << quarlo::writesCounted() << " writes, "
                  << quarlo::writesFailed() << " failed\n";
    return code;
}
