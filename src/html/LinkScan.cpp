#include "html/LinkScan.h"

#include "html/AttributeText.h"
#include "html/PageScanner.h"
#include "html/ScriptBlocks.h"
#include "html/TagReading.h"
#include "html/TextSearch.h"

namespace quarlo {

bool isLinkCandidate(const std::string& value) {
    if (value.empty() || value.front() == '#') {
        return false;
    }
    // No "mailto:" without a ":".
    return (value.find(':') == std::string::npos || FindText(value, "mailto:", 1, true) == 0) &&
           value.find('\'') == std::string::npos;
}

std::string LinkCandidate::link() const {
    return ToSlashes(value());
}

void scanLinks(std::string& page, const LinkPass& pass, int aggressiveParser,
               const LinkVisitor& visit) {
    PageScanner(page).scanPass(pass, aggressiveParser, visit);
}

void scanAllLinks(std::string& page, int aggressiveParser, const LinkVisitor& visit) {
    PageScanner(page).scanAll(aggressiveParser, visit);
}

std::string pageTitle(const std::string& page) {
    return CleanText(TextBetween(page, "<TITLE>", "</TITLE>"));
}

std::string decodedTitle(std::string_view title) {
    const AttributeText read(title);
    std::string out;
    bool space = false;
    for (const char c : read.text()) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r') {
            space = true;
            continue;
        }
        if (space && !out.empty())
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

BaseTag findBaseTag(const std::string& page) {
    BaseTag base;
    const TagBounds tag = findTag(page, "BASE", 0);
    if (tag.found()) {
        TagValue href = readTagValue(page, tag.start, tag.end, "HREF");
        // Inside a script block the value is taken as it stands, as for links.
        if (href.decoded && ScriptBlockIndex(page).contains(tag.start)) {
            href = readTagValue(page, tag.start, tag.end, "HREF", true);
        }
        base.href = std::move(href.text);
        base.tagStart = tag.start + 1;
        base.tagEnd = tag.end == std::string::npos ? 0 : tag.end + 1;
    }
    return base;
}

std::string removeBaseTag(std::string& page) {
    BaseTag base = findBaseTag(page);
    if (!base.href.empty()) {
        page.erase(base.tagStart - 1, base.tagEnd - base.tagStart + 1);
    }
    return base.href;
}

} // namespace quarlo
