#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarlo::test {

// A picture read from a PNG file, four bytes (red, green, blue, alpha) a pixel, row by row.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint32_t pixel(int x, int y) const; // 0xRRGGBB, alpha left out
};

// Nothing when the file is missing or not a PNG.
std::optional<RgbaImage> readPng(const std::string& path);

// The share (0 to 1) of pixels two pictures of one size hold alike; 0 for different sizes.
double equalPixelShare(const RgbaImage& a, const RgbaImage& b);
// How many pixels have the colour (0xRRGGBB).
int pixelsOfColour(const RgbaImage& image, std::uint32_t colour);

} // namespace quarlo::test
