// Scans an arbitrary page with every pass, resolving, testing and converting its links, as
// the parse thread does (its PagePasses over one PageScanner). Finds crashes, hangs, followed
// links whose local file would lie outside the save folder, and any page on which the page
// scanner finds, queues or rewrites otherwise than the reference parser; and conversions
// whose link would open a file outside the save folder.
#include "FuzzSupport.h"

#include "html/LinkConversion.h"
#include "html/LinkOptions.h"
#include "html/LinkPasses.h"
#include "html/LinkRecords.h"
#include "html/LocalNames.h"
#include "html/PagePasses.h"
#include "html/PageScanner.h"
#include "support/RandomPages.h"

#include <cstdio>
#include <cstdlib>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarlo;
    if (size < 1)
        return 0;
    const FileTypes& types = fuzz::defaultFileTypes();
    // The first byte chooses the link options: aggressive mode, conversions, locations.
    const std::uint8_t choice = data[0];
    LinkOptions options;
    options.aggressiveParser = choice % 3;
    options.convertFollowedLinks = (choice >> 2) & 1;
    options.convertUnfollowedLinks = (choice >> 3) % 3;
    options.pageLocation = (choice >> 5) % 3;
    options.resourceLocation = LinkOptions::Anywhere;

    const std::string content(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string pageUrl = "http://h.test/a/b.html";
    const test::ParseOutcome scanned =
        parsePageWith(test::Parser::PageScanner, types, options, pageUrl, 1, choice % 3, content);
    const test::ParseOutcome reference =
        parsePageWith(test::Parser::Reference, types, options, pageUrl, 1, choice % 3, content);
    if (const std::string difference = test::outcomeDifference(scanned, reference);
        !difference.empty()) {
        std::fprintf(stderr, "page scanner and reference differ: %s\n", difference.c_str());
        std::abort();
    }

    // The passes as the parse thread runs them, written values skipped and CODEBASE applied.
    std::string page = content;
    const std::string saveFolder = "/save/";
    PagePasses links(types, options, pageUrl, 1, "http://h.test/a/", {});
    links.takeBase(page);
    PageScanner scanner(page);
    const std::string pageFile = LocalName(types, saveFolder, pageUrl);
    const PageLocalLinks local(types, pageUrl);
    for (const LinkPass* pass : linkPassesFor(options.aggressiveParser)) {
        links.scanPass(scanner, *pass, [&](const FoundLink& found) {
            if (found.followed && !found.url.empty())
                fuzz::expectInside(saveFolder, LocalName(types, saveFolder, found.url));
            // What a conversion wrote opens a file inside the save folder (an applet's CODE
            // is written relative to its codebase instead).
            if (found.converted && !pass->usesCodebase())
                fuzz::expectLinkInside(saveFolder, pageFile, local.linkTo(found.url));
        });
    }

    // The recorded rewrites are where the page holds them: pointing every one at its address
    // and back gives the converted page again.
    std::vector<RecordedLink> recorded = links.rewrites().links(page);
    const std::size_t count = recorded.size();
    std::string relinked = page;
    relinkText(relinked, recorded, [](const RecordedLink&) { return false; });
    relinkText(relinked, recorded, [](const RecordedLink&) { return true; });
    if (recorded.size() != count || relinked != page) {
        std::fprintf(stderr, "recorded rewrites do not match the page\n");
        std::abort();
    }
    return 0;
}
