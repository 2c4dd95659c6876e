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
        const std::string page = random.page();
        const TQLProfile profile = random.profile();
        const std::string url = random.pageUrl();
        const int level = random.number(3);
        const int mode = random.number(3);
        const test::ParseOutcome scanned =
            test::parsePageWith(test::Parser::PageScanner, types, profile, url, level, mode, page);
        const test::ParseOutcome reference =
            test::parsePageWith(test::Parser::Reference, types, profile, url, level, mode, page);
        links += static_cast<long>(scanned.found.size());
        if (const std::string difference = test::outcomeDifference(scanned, reference);
            !difference.empty() && ++differing == 1) {
            std::printf("page %d differs: %s\n", i, difference.c_str());
        }
    }
    std::printf("parser comparison: %d random pages, %ld links, %d differing, %.1f s\n", kPages,
                links, differing, secondsSince(start));
    return differing;
}

} // namespace quarlo::bench
