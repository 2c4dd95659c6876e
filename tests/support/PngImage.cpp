#include "support/PngImage.h"

#include <png.h>

#include <cstring>

namespace quarlo::test {

std::uint32_t RgbaImage::pixel(int x, int y) const {
    const std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
    return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}

std::optional<RgbaImage> readPng(const std::string& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return std::nullopt;
    image.format = PNG_FORMAT_RGBA;
    RgbaImage out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return out;
}

double equalPixelShare(const RgbaImage& a, const RgbaImage& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty())
        return 0;
    std::size_t equal = 0;
    for (std::size_t i = 0; i < a.pixels.size(); i += 4)
        equal += std::memcmp(&a.pixels[i], &b.pixels[i], 4) == 0;
    return static_cast<double>(equal) / static_cast<double>(a.pixels.size() / 4);
}

int pixelsOfColour(const RgbaImage& image, std::uint32_t colour) {
    int count = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            count += image.pixel(x, y) == colour;
    return count;
}

} // namespace quarlo::test
