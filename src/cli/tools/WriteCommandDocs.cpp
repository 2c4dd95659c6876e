// Writes the manual pages and the bash completion of the programs into a folder, at build
// time, from the command table the programs themselves use.

#include "cli/Completion.h"
#include "cli/ManPages.h"
#include "platform/FileUtil.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = quarlo::withTrailingSlash(argv[1]);
    const std::pair<const char*, std::string> files[] = {
        {"quarlo-cli.1", quarlo::cli::cliManPage()},
        {"quarlo.1", quarlo::cli::desktopManPage()},
        {"quarlo-cli.bash", quarlo::cli::bashCompletion()},
    };
    if (auto made = quarlo::forceDirectories(folder); !made) {
        std::fprintf(stderr, "%s\n", made.message().c_str());
        return 1;
    }
    for (const auto& [name, text] : files) {
        if (auto written = quarlo::writeFileAtomic(folder + name, text, 0644); !written) {
            std::fprintf(stderr, "%s\n", written.message().c_str());
            return 1;
        }
    }
    return 0;
}
