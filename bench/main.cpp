#include "EngineBench.h"
#include "ParseBench.h"
#include "ParseCompare.h"
#include "SiteBench.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

int main(int argc, char** argv) {
    const char* which = argc > 1 ? argv[1] : "all";
    try {
        if (std::strcmp(which, "all") == 0 || std::strcmp(which, "download") == 0)
            quarlo::bench::benchListDownload();
        if (std::strcmp(which, "all") == 0 || std::strcmp(which, "dispatch") == 0)
            quarlo::bench::benchDispatchCost();
        if (std::strcmp(which, "all") == 0 || std::strcmp(which, "parse") == 0)
            quarlo::bench::benchParse(argc > 2 ? std::atoi(argv[2]) : 7);
        if (std::strcmp(which, "all") == 0 || std::strcmp(which, "site") == 0)
            quarlo::bench::benchSite();
        if (std::strcmp(which, "all") == 0 || std::strcmp(which, "parse-compare") == 0)
            if (quarlo::bench::benchParseCompare() != 0)
                return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quarlo_bench: %s\n", e.what());
        return 2;
    }
    return 0;
}
