#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace quarlo {

// What the value an added pass reads holds: one address, the candidate list of a SRCSET,
// or style sheet text whose url() and @import addresses are the links.
enum class LinkValueKind : std::uint8_t { Address, Srcset, StyleBlock, StyleAttribute, Stylesheet };

// One extraction pass over a saved page. A tag pass takes the value of one attribute from
// every tag whose name begins with the tag text; a quote pass (the aggressive parser) takes
// quoted strings that look like addresses, the tag and end mark then being the quote.
//
// The passes after the fifteen (numbers from kAddedPassesFrom on) read tags named exactly as
// their tag text (any tag for an empty one), and may find several links in one value.
struct LinkPass {
    int number = 0; // 1 to 15, then the added passes: a page is scanned in this order
    std::string_view tag;
    std::string_view endMark;
    std::string_view attribute; // empty for the quote passes
    bool quoted = false;
    LinkValueKind kind = LinkValueKind::Address;

    bool added() const;
    // Links in style sheet text are resources, whatever their file type: depth never cuts
    // them.
    bool styleText() const {
        return kind == LinkValueKind::StyleBlock || kind == LinkValueKind::StyleAttribute ||
               kind == LinkValueKind::Stylesheet;
    }

    // Links of the FRAME pass make queue items with the frame flag "Y". The test is on the
    // tag text, so FRAMESET tags found by the same pass count as frames too.
    bool isFrame() const { return tag == "FRAME" || tag == "IFRAME"; }
    // Pages found through SRC or URL (frames, refresh targets) are tested for depth at the
    // level of the page they were found on; every other link at that level + 1.
    bool keepsPageLevel() const { return attribute == "SRC" || attribute == "URL"; }
    // The CODE value of an APPLET is resolved against the tag's CODEBASE, when it has one.
    bool usesCodebase() const { return attribute == "CODE"; }
};

// The fixed table: passes 1 to 13 are tag passes, 14 (single quote) and 15 (double quote)
// the quote passes.
std::span<const LinkPass> linkPassTable();

inline constexpr int kAddedPassesFrom = 16;
// The passes that follow the fifteen, for links the table predates: responsive images,
// media, objects, inline frames and style sheet text in pages.
std::span<const LinkPass> addedLinkPasses();
// The one pass over a saved style sheet.
const LinkPass& stylesheetPass();

// The passes a page gets, in order, for the profile's "Aggressive Parser" value: the tag
// passes unless it is 2, the quote passes unless it is 0, then every added pass.
const std::vector<const LinkPass*>& linkPassesFor(int aggressiveParser);

// The scanner mode of a pass: 0 for a tag pass; for a quote pass the "Aggressive Parser"
// value itself (1 limits quoted strings to SCRIPT blocks, anything else takes them anywhere).
int linkPassMode(const LinkPass& pass, int aggressiveParser);

} // namespace quarlo
