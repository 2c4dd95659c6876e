// The shipped skins: every image the program loads from a skin folder is there, in the format
// its name promises and at the size the windows and report pages lay it out at.

#include "platform/FileUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace quarlo {
namespace {

const std::string kSkins = QUARLO_SOURCE_DATA "/Skins/";

enum class Format { Bmp, Gif, Jpeg };

struct SkinFile {
    const char* name;
    Format format;
    int width; // 0: any size
    int height;
};

const SkinFile kSkinFiles[] = {
    {"new.bmp", Format::Bmp, 24, 24},
    {"open.bmp", Format::Bmp, 24, 24},
    {"dwnloads.bmp", Format::Bmp, 24, 24},
    {"qlmode.bmp", Format::Bmp, 24, 24},
    {"pimode.bmp", Format::Bmp, 24, 24},
    {"addtocur.bmp", Format::Bmp, 24, 24},
    {"help.bmp", Format::Bmp, 24, 24},
    {"download.bmp", Format::Bmp, 24, 24},
    {"browser_back.bmp", Format::Bmp, 24, 24},
    {"browser_forward.bmp", Format::Bmp, 24, 24},
    {"browser_stop.bmp", Format::Bmp, 24, 24},
    {"browser_refresh.bmp", Format::Bmp, 24, 24},
    {"browser_home.bmp", Format::Bmp, 24, 24},
    {"browser.bmp", Format::Bmp, 24, 24},
    {"browse_quarlohome.bmp", Format::Bmp, 24, 24},
    {"browse_dailynews.bmp", Format::Bmp, 24, 24},
    {"browse_weblinks.bmp", Format::Bmp, 24, 24},
    {"run.bmp", Format::Bmp, 24, 24},
    {"stop.bmp", Format::Bmp, 24, 24},
    {"qlanim.gif", Format::Gif, 0, 0},
    {"screensbar.gif", Format::Gif, 0, 0},
    {"html.gif", Format::Gif, 0, 0},
    {"images.gif", Format::Gif, 0, 0},
    {"www.gif", Format::Gif, 19, 19},
    {"diamond.gif", Format::Gif, 21, 13},
    {"qlbackground.jpg", Format::Jpeg, 0, 0},
};

std::uint32_t littleEndian(const std::string& data, size_t offset, size_t bytes) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(data[offset + i])) << (8 * i);
    return value;
}

// Empty when the data is a whole image of the expected kind and size, else what is wrong.
std::string checkImage(const std::string& data, const SkinFile& file) {
    const auto sizeIs = [&](std::uint32_t w, std::uint32_t h) {
        return file.width == 0 || (int(w) == file.width && int(h) == file.height);
    };
    switch (file.format) {
    case Format::Bmp:
        if (data.size() < 54 || !data.starts_with("BM"))
            return "not a BMP";
        if (littleEndian(data, 2, 4) != data.size())
            return "BMP size field disagrees with the file (truncated?)";
        if (littleEndian(data, 28, 2) != 24)
            return "BMP is not 24 bits per pixel";
        return sizeIs(littleEndian(data, 18, 4), littleEndian(data, 22, 4)) ? "" : "wrong size";
    case Format::Gif:
        if (data.size() < 14 || !data.starts_with("GIF8") || data.back() != ';')
            return "not a whole GIF";
        return sizeIs(littleEndian(data, 6, 2), littleEndian(data, 8, 2)) ? "" : "wrong size";
    case Format::Jpeg:
        if (!data.starts_with("\xFF\xD8") || !data.ends_with("\xFF\xD9"))
            return "not a whole JPEG";
        return "";
    }
    return "unknown format";
}

TEST(SkinFilesTest, EveryShippedSkinHoldsEveryImageWhole) {
    const auto skins = listFolders(kSkins);
    ASSERT_NE(std::find(skins.begin(), skins.end(), "Default"), skins.end());
    // Switching skins must be able to change the look: more than the default is shipped.
    ASSERT_GE(skins.size(), 2u);
    for (const auto& skin : skins) {
        for (const auto& file : kSkinFiles) {
            const auto data = readFile(kSkins + skin + "/" + file.name);
            ASSERT_TRUE(data) << skin << "/" << file.name << " is missing";
            EXPECT_EQ(checkImage(*data, file), "") << skin << "/" << file.name;
        }
    }
}

TEST(SkinFilesTest, SkinsDifferFromTheDefault) {
    for (const auto& skin : listFolders(kSkins)) {
        if (skin == "Default")
            continue;
        int same = 0;
        for (const auto& file : kSkinFiles)
            same += readFile(kSkins + skin + "/" + file.name) ==
                    readFile(kSkins + "Default/" + file.name);
        EXPECT_EQ(same, 0) << skin << " repeats images of the default skin";
    }
}

} // namespace
} // namespace quarlo
