#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quarlo {

// The banner a saved page gets: a "Saved with Quarlo" strip in the report colours. Its page
// is our own self-contained data: URL, so a saved copy never contacts a server the user did
// not choose.

// The banner page as a data: URL (percent-encoded: no quote, blank or angle bracket in it).
const std::string& bannerPageUrl();

// Block one, inserted right after the BODY start tag: a line break and a script that, only
// when the browser reports that it is online, writes a full-width table whose one cell holds
// the hidden 60-pixel inline layer that block two moves onto and, for browsers without
// layers, a 60-pixel inline frame showing the banner page.
const std::string& bannerTopBlock();
// Block two, inserted right before the BODY end tag: a hidden positioned layer, 600 pixels
// wide, that loads the banner page and on loading moves onto the place of block one, clips
// itself to 60 pixels and shows itself.
const std::string& bannerLayerBlock();

// Inserts block one after the first BODY start tag that lies outside every script block, and
// block two before the first BODY end tag outside every script block. A page without BODY
// tags gets no banner. True when anything was inserted.
bool InsertBanner(std::string& page);

// A stretch of text inserted into a page: its offset in the page as it was just after the
// insertion before it, and its length.
struct TextInsertion {
    std::size_t offset;
    std::size_t length;
};
// InsertBanner, telling where the blocks went (block one first), for records of the page's
// offsets to follow.
std::vector<TextInsertion> insertBannerBlocks(std::string& page);

} // namespace quarlo
