#include "reports/GifSize.h"

#include <array>
#include <cstdint>
#include <fstream>

namespace quarlo {

namespace {

constexpr std::size_t kHeaderBytes = 13;
constexpr std::size_t kDescriptorBytes = 10;
constexpr char kImageSeparator = 0x2C;

int littleEndian16(const char* bytes) {
    return static_cast<unsigned char>(bytes[0]) | (static_cast<unsigned char>(bytes[1]) << 8);
}

} // namespace

ImageSize gifSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::array<char, kHeaderBytes + 1> header{};
    // One byte more than the header: a file of the header alone is too short.
    if (!in.read(header.data(), header.size()))
        return {};
    if (header[0] != 'G' || header[1] != 'I' || header[2] != 'F')
        return {};
    std::streamoff next = kHeaderBytes;
    const auto flags = static_cast<unsigned char>(header[10]);
    if ((flags & 0x80) != 0)
        next += 3 * (std::streamoff{1} << ((flags & 7) + 1));
    in.seekg(next);
    char byte = 0;
    while (in.get(byte)) {
        if (byte != kImageSeparator)
            continue;
        std::array<char, kDescriptorBytes> descriptor{};
        if (!in.read(descriptor.data(), descriptor.size()))
            return {};
        return {littleEndian16(&descriptor[4]), littleEndian16(&descriptor[6])};
    }
    return {};
}

} // namespace quarlo
