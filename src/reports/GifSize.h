#pragma once

#include <string>

namespace quarlo {

struct ImageSize {
    int width = 0;
    int height = 0;

    bool operator==(const ImageSize&) const = default;
};

// The width and height of a GIF image, read from the first image descriptor: after the
// 13-byte header and the global colour table (when the header's flags announce one), the
// first 0x2C byte is taken as the image separator, and the 16-bit little-endian values at
// offsets 4 and 6 of the 10 bytes after it are the width and height. Anything else (no
// such file, fewer than 14 bytes, no "GIF" signature, no separator, fewer than 10 bytes
// after it) gives 0 x 0.
ImageSize gifSize(const std::string& path);

} // namespace quarlo
