#include "html/LinkPasses.h"

#include <array>

namespace quarlo {

namespace {

// The movie parameter of an embedded player is matched as this whole attribute text, quotes
// included, so only <PARAM NAME="MOVIE" VALUE=...> qualifies.
constexpr std::string_view kMovieParam = "NAME=\"MOVIE\" VALUE";

constexpr std::array<LinkPass, 15> kPasses{{
    {1, "SCRIPT", ">", "SRC", false},
    {2, "LINK", ">", "HREF", false},
    {3, "FRAME", ">", "SRC", false},
    {4, "A", ">", "HREF", false},
    {5, "IMG", ">", "SRC", false},
    {6, "INPUT", ">", "SRC", false},
    {7, "META", ">", "URL", false},
    {8, "BODY", ">", "BACKGROUND", false},
    {9, "BGSOUND", ">", "SRC", false},
    {10, "AREA", ">", "HREF", false},
    {11, "APPLET", ">", "CODE", false},
    {12, "EMBED", ">", "SRC", false},
    {13, "PARAM", ">", kMovieParam, false},
    {14, "'", "'", "", true},
    {15, "\"", "\"", "", true},
}};

using enum LinkValueKind;
constexpr std::array<LinkPass, 11> kAddedPasses{{
    {16, "IMG", ">", "SRCSET", false, Srcset},
    {17, "SOURCE", ">", "SRCSET", false, Srcset},
    {18, "SOURCE", ">", "SRC", false, Address},
    {19, "VIDEO", ">", "SRC", false, Address},
    {20, "VIDEO", ">", "POSTER", false, Address},
    {21, "AUDIO", ">", "SRC", false, Address},
    {22, "TRACK", ">", "SRC", false, Address},
    {23, "OBJECT", ">", "DATA", false, Address},
    {24, "IFRAME", ">", "SRC", false, Address},
    {25, "STYLE", ">", "", false, StyleBlock},
    {26, "", ">", "STYLE", false, StyleAttribute},
}};

constexpr LinkPass kStylesheetPass{27, "", "", "", false, Stylesheet};

} // namespace

bool LinkPass::added() const {
    return number >= kAddedPassesFrom;
}

std::span<const LinkPass> addedLinkPasses() {
    return kAddedPasses;
}

const LinkPass& stylesheetPass() {
    return kStylesheetPass;
}

std::span<const LinkPass> linkPassTable() {
    return kPasses;
}

namespace {

std::vector<const LinkPass*> passesFor(int aggressiveParser) {
    std::vector<const LinkPass*> passes;
    for (const LinkPass& pass : kPasses) {
        bool run = pass.quoted ? aggressiveParser != 0 : aggressiveParser != 2;
        if (run) {
            passes.push_back(&pass);
        }
    }
    for (const LinkPass& pass : kAddedPasses) {
        passes.push_back(&pass);
    }
    return passes;
}

} // namespace

// Three lists serve every value: 0, 2, and any other.
const std::vector<const LinkPass*>& linkPassesFor(int aggressiveParser) {
    static const std::vector<const LinkPass*> lists[] = {passesFor(0), passesFor(2), passesFor(1)};
    return lists[aggressiveParser == 0 ? 0 : aggressiveParser == 2 ? 1 : 2];
}

int linkPassMode(const LinkPass& pass, int aggressiveParser) {
    return pass.quoted ? aggressiveParser : 0;
}

} // namespace quarlo
