#include "ParseCompare.h"

#include "BenchSupport.h"
#include "html/FileTypes.h"
#include "model/TQLApp.h"
#include "support/RandomPages.h"

#include <cstdio>

namespace quarlo::bench {

int benchParseCompare() {
    constexpr int kPages = 300000;
    ScratchHome home;
    auto app = home.app();
    const FileTypes types(app->settings());
    test::RandomPages random(1);
    const auto start = std::chrono::steady_clock::now();
    int differing = 0;
    long links = 0;
    for (int i = 0; i < kPages; ++i) {
        const test::RandomComparison compared = test::compareOnRandomPage(random, types);
        links += static_cast<long>(compared.links);
        if (!compared.difference.empty() && ++differing == 1) {
            std::printf("page %d differs: %s\non %s\n", i, compared.difference.c_str(),
                        compared.what.c_str());
        }
    }
    std::printf("parser comparison: %d random pages, %ld links, %d differing, %.1f s\n", kPages,
                links, differing, secondsSince(start));
    return differing;
}

} // namespace quarlo::bench
