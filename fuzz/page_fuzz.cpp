// Scans an arbitrary page with every pass, resolving, testing and converting its links, as
// the parse thread does. Finds crashes, hangs, and followed links whose local file would lie
// outside the save folder.
#include "FuzzSupport.h"

#include "html/LocalNames.h"
#include "html/PageLinks.h"
#include "model/TQLProfile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarlo;
    if (size < 1)
        return 0;
    const FileTypes& types = fuzz::defaultFileTypes();
    // The first byte chooses the profile: aggressive mode, conversions, locations.
    const std::uint8_t choice = data[0];
    TQLProfile profile = TQLProfile::defaults();
    profile.setAggressiveParser(choice % 3);
    profile.setConvertFollowedLinks((choice >> 2) & 1);
    profile.setConvertUnfollowedLinks((choice >> 3) % 3);
    profile.setPageLocation((choice >> 5) % 3);
    profile.setResourceLocation(2);

    std::string page(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string saveFolder = "/save/";
    PageLinks links(types, profile, "http://h.test/a/b.html", 1, "http://h.test/a/");
    links.takeBase(page);
    links.scanPage(page, [&](const FoundLink& found) {
        if (found.followed && !found.url.empty())
            fuzz::expectInside(saveFolder, LocalName(types, saveFolder, found.url));
    });
    return 0;
}
