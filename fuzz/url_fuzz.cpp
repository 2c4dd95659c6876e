// Runs the URL functions on arbitrary link/base pairs. Finds crashes, hangs, local names
// outside the save folder and unusable site short names.
#include "FuzzSupport.h"

#include "html/FileNames.h"
#include "html/FileTypes.h"
#include "html/LocalNames.h"
#include "html/TextSearch.h"
#include "html/UrlFunctions.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarlo;
    const std::string input(reinterpret_cast<const char*>(data), size);
    // A NUL byte splits the input into the link and the page's base.
    const std::size_t split = input.find('\0');
    const std::string link = input.substr(0, split);
    const std::string base =
        split == std::string::npos ? "http://h.test/a/" : input.substr(split + 1);
    const FileTypes& types = fuzz::defaultFileTypes();
    const std::string saveFolder = "/save/";

    TbrURL parts;
    parts.SetURL(link);
    const std::string resolved = ResolveURL(link, URLDirectory(base));
    const std::string linkUrl = ResolveLink(link, URLDirectory(base));
    std::string typed = link;
    (void)NormalizeURL(typed);
    (void)ValidateURL(typed);
    (void)RelativePath(resolved, base);
    (void)AncestorURL(resolved, size % 7);
    (void)LocalLink(types, resolved, URLDirectory(base));
    (void)types.URLFileType(resolved);
    (void)EscapeLocalPath(link);
    (void)FindText(base, link, 1 + size % 5, true);
    (void)FindTextBack(base, link, size % 9, true);

    fuzz::expectInside(saveFolder, LocalName(types, saveFolder, resolved));
    fuzz::expectInside(saveFolder, LocalName(types, saveFolder, link));
    if (!linkUrl.empty())
        fuzz::expectInside(saveFolder, LocalName(types, saveFolder, linkUrl));

    const std::string shortName = SiteShortName(link);
    if (shortName.empty() || shortName == "." || shortName == ".." ||
        shortName.find('/') != std::string::npos || shortName.find('\0') != std::string::npos)
        std::abort();
    return 0;
}
