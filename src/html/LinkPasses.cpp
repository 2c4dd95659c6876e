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

} // namespace

std::span<const LinkPass> linkPassTable() {
    return kPasses;
}

std::vector<const LinkPass*> linkPassesFor(int aggressiveParser) {
    std::vector<const LinkPass*> passes;
    for (const LinkPass& pass : kPasses) {
        bool run = pass.quoted ? aggressiveParser != 0 : aggressiveParser != 2;
        if (run) {
            passes.push_back(&pass);
        }
    }
    return passes;
}

int linkPassMode(const LinkPass& pass, int aggressiveParser) {
    return pass.quoted ? aggressiveParser : 0;
}

} // namespace quarlo
