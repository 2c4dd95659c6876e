#include "cli/Cli.h"
#include "engine/Queue.h"
#include "platform/WriteFault.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

// QUARLO_CHECKPOINT_SECONDS=N saves the queue of a run about every N seconds rather than
// every eleven, so that tests can kill runs between many checkpoints.
bool setCheckpointSeconds(const char* text) {
    int seconds = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, error] = std::from_chars(text, end, seconds);
    if (error != std::errc() || ptr != end || seconds < 1 || ptr == text)
        return false;
    quarlo::setQueueSaveCycles(seconds - 1);
    return true;
}

} // namespace

// QUARLO_FAULT_WRITES ("N:ENOSPC", "N:EROFS", ... with an optional ":COUNT") makes the
// program's file writes fail from the Nth on, as on a full or read-only disk, so that tests
// run from outside see what such a disk does to a run; the figures go to stderr at the end.
// QUARLO_FAULT_FLUSH does the same for the flushes of the destination before each save.
int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const char* faults = std::getenv("QUARLO_FAULT_WRITES");
    if (faults != nullptr) {
        if (quarlo::Status armed = quarlo::armWriteFault(faults); !armed) {
            std::cerr << "quarlo-cli: " << armed.message() << "\n";
            return 2;
        }
    }
    if (const char* flushFaults = std::getenv("QUARLO_FAULT_FLUSH")) {
        if (quarlo::Status armed = quarlo::armFlushFault(flushFaults); !armed) {
            std::cerr << "quarlo-cli: " << armed.message() << "\n";
            return 2;
        }
    }
    if (const char* seconds = std::getenv("QUARLO_CHECKPOINT_SECONDS")) {
        if (!setCheckpointSeconds(seconds)) {
            std::cerr << "quarlo-cli: QUARLO_CHECKPOINT_SECONDS \"" << seconds
                      << "\" is not a whole number of seconds from 1 on\n";
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
