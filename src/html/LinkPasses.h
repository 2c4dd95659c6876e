#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace quarlo {

// One extraction pass over a saved page. A tag pass takes the value of one attribute from
// every tag whose name begins with the tag text; a quote pass (the aggressive parser) takes
// quoted strings that look like addresses, the tag and end mark then being the quote.
struct LinkPass {
    int number = 0; // 1 to 15: a page is scanned in this order
    std::string_view tag;
    std::string_view endMark;
    std::string_view attribute; // empty for the quote passes
    bool quoted = false;

    // Links of the FRAME pass make queue items with the frame flag "Y". The test is on the
    // tag text, so FRAMESET tags found by the same pass count as frames too.
    bool isFrame() const { return tag == "FRAME"; }
    // Pages found through SRC or URL (frames, refresh targets) are tested for depth at the
    // level of the page they were found on; every other link at that level + 1.
    bool keepsPageLevel() const { return attribute == "SRC" || attribute == "URL"; }
    // The CODE value of an APPLET is resolved against the tag's CODEBASE, when it has one.
    bool usesCodebase() const { return attribute == "CODE"; }
};

// The fixed table: passes 1 to 13 are tag passes, 14 (single quote) and 15 (double quote)
// the quote passes.
std::span<const LinkPass> linkPassTable();

// The passes a page gets, in order, for the profile's "Aggressive Parser" value: the tag
// passes unless it is 2, the quote passes unless it is 0.
std::vector<const LinkPass*> linkPassesFor(int aggressiveParser);

// The scanner mode of a pass: 0 for a tag pass; for a quote pass the "Aggressive Parser"
// value itself (1 limits quoted strings to SCRIPT blocks, anything else takes them anywhere).
int linkPassMode(const LinkPass& pass, int aggressiveParser);

} // namespace quarlo
