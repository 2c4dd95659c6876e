#include "html/Banner.h"

#include "html/TagReading.h"
#include "html/TextSearch.h"
#include "platform/TextUtil.h"

#include <cstddef>
#include <string_view>

namespace quarlo {

namespace {

// The strip itself, in the report colours: gold bold Arial on the report blue.
constexpr std::string_view kBannerPage =
    "<html><head><title>Quarlo</title></head>"
    "<body style=\"margin:0;background:#336699\">"
    "<div style=\"height:60px;line-height:60px;text-align:center;"
    "font-family:Arial,sans-serif;font-size:10pt;font-weight:bold;color:#FFC000\">"
    "Saved with Quarlo</div></body></html>";

// Every byte but letters and digits is encoded, so the address can stand inside quoted
// attribute values and script strings alike.
bool keptInBannerAddress(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9');
}

struct TagSpan {
    std::size_t start = 0; // the "<", from 1; 0 when there is no such tag
    std::size_t end = 0;   // its ">"
};

// The first tag from the start of the page whose name begins with `tag` and that lies outside
// every script block: one walk over the page's "<"s. A tag is inside a block when the last
// "<script" before it is closed (the first "/script" from that "<script" on) only after it;
// a "<script" never closed holds nothing.
TagSpan findOutsideScripts(const std::string& page, std::string_view tag) {
    constexpr std::size_t npos = std::string_view::npos;
    std::size_t open = npos;
    std::size_t close = npos;
    bool closeKnown = false;
    const char first = upperAscii(tag.front());
    for (std::size_t lt = page.find('<'); lt != npos; lt = page.find('<', lt + 1)) {
        // Most tags are told apart by the byte after their "<".
        const char next = lt + 1 < page.size() ? upperAscii(page[lt + 1]) : '\0';
        if (next == 'S' && startsWithNoCase(std::string_view(page).substr(lt), "<script")) {
            open = lt;
            closeKnown = false;
            continue;
        }
        if (next == first) {
            // Without gap bytes the name starts right after the "<": "</B" leaves "</P" out.
            if (tag.size() > 1 && lt + 2 < page.size() &&
                upperAscii(page[lt + 2]) != upperAscii(tag[1]))
                continue;
        } else if (!isTagGap(next)) {
            continue;
        }
        if (!tagNameAt(page, tagNamePosition(page, lt), tag))
            continue;
        const std::size_t gt = page.find('>', lt);
        if (gt == npos)
            return {};
        if (open != npos && !closeKnown) {
            const std::size_t found = FindText(page, "/script", open + 1, true);
            close = found == 0 ? npos : found - 1;
            closeKnown = true;
        }
        if (open == npos || close == npos || close < lt)
            return {lt + 1, gt + 1};
    }
    return {};
}

} // namespace

// The blocks are made once: every saved page gets the same.
const std::string& bannerPageUrl() {
    static const std::string url =
        "data:text/html;charset=utf-8," + percentEncode(kBannerPage, keptInBannerAddress);
    return url;
}

const std::string& bannerTopBlock() {
    const std::string& page = bannerPageUrl();
    static const std::string block =
        "\r\n<br>\r\n"
        "<script type=\"text/javascript\">\r\n"
        "if (navigator.onLine) {\r\n"
        "document.write('<' + '!-- Quarlo banner insert --' + '>');\r\n"
        "document.write('<table width=\"100%\" border=\"0\" cellpadding=\"0\" "
        "cellspacing=\"0\"><tr><td>');\r\n"
        "document.write('<ilayer id=\"quarloBannerPlace\" height=\"60\" "
        "visibility=\"hide\"></ilayer>');\r\n"
        "document.write('<nolayer><iframe src=\"" +
        page +
        "\" width=\"100%\" height=\"60\" frameborder=\"0\" marginwidth=\"0\" "
        "marginheight=\"0\" scrolling=\"no\"></iframe></nolayer>');\r\n"
        "document.write('</td></tr></table>');\r\n"
        "document.write('<' + '!-- Quarlo banner insert end --' + '>');\r\n"
        "}\r\n"
        "</script>\r\n";
    return block;
}

const std::string& bannerLayerBlock() {
    static const std::string block =
        "<layer id=\"quarloBanner\" src=\"" + bannerPageUrl() +
        "\" width=\"600\" visibility=\"hide\" "
        "onload=\"moveToAbsolute(quarloBannerPlace.pageX, quarloBannerPlace.pageY); "
        "clip.height = 60; visibility = 'show';\"></layer>\r\n";
    return block;
}

bool InsertBanner(std::string& page) {
    return !insertBannerBlocks(page).empty();
}

std::vector<TextInsertion> insertBannerBlocks(std::string& page) {
    std::vector<TextInsertion> inserted;
    if (const TagSpan body = findOutsideScripts(page, "BODY"); body.start != 0) {
        const std::string& block = bannerTopBlock();
        page.insert(body.end, block);
        inserted.push_back({body.end, block.size()});
    }
    if (const TagSpan end = findOutsideScripts(page, "/BODY"); end.start != 0) {
        const std::string& block = bannerLayerBlock();
        page.insert(end.start - 1, block);
        inserted.push_back({end.start - 1, block.size()});
    }
    return inserted;
}

} // namespace quarlo
