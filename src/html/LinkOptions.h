#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarlo {

// What the link scanner, the link test and the link conversion read of a task's profile.
struct LinkOptions {
    // Where a followed page or resource may lie.
    enum Location : std::uint8_t { WithinDirectory = 0, WithinSite = 1, Anywhere = 2 };

    std::vector<std::string> fileTypes; // extensions with their dot; empty: any type
    std::vector<std::string> urlFiltersExclude;
    std::vector<std::string> urlFiltersInclude;
    std::int32_t depth = -1; // -1: no limit
    std::uint8_t pageLocation = WithinDirectory;
    std::uint8_t resourceLocation = WithinDirectory;
    std::uint8_t aggressiveParser = 0;
    std::uint8_t convertFollowedLinks = 0;   // 1: rewritten to the local copy
    std::uint8_t convertUnfollowedLinks = 0; // 1: those within the site, 2: all

    bool operator==(const LinkOptions&) const = default;
};

} // namespace quarlo
