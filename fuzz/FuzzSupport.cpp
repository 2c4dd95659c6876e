#include "FuzzSupport.h"

#include "html/FileTypes.h"
#include "platform/SettingsStore.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace quarlo::fuzz {

const FileTypes& defaultFileTypes() {
    static std::unique_ptr<SettingsStore> store;
    static std::unique_ptr<FileTypes> types;
    if (!types) {
        char folder[] = "/tmp/quarlo-fuzz-XXXXXX";
        if (::mkdtemp(folder) == nullptr)
            std::abort();
        store = std::make_unique<SettingsStore>(std::string(folder) + "/settings.reg");
        if (!store->importRegFile(QUARLO_SOURCE_DATA "/FTypes.reg").ok())
            std::abort();
        types = std::make_unique<FileTypes>(*store);
    }
    return *types;
}

void expectInside(std::string_view saveFolder, std::string_view localPath) {
    if (localPath.empty())
        return;
    const std::string normal =
        std::filesystem::path(std::string(localPath)).lexically_normal().string();
    if (normal.compare(0, saveFolder.size(), saveFolder) != 0 ||
        localPath.compare(0, saveFolder.size(), saveFolder) != 0) {
        std::fprintf(stderr, "local path outside the save folder: %.*s\n",
                     static_cast<int>(localPath.size()), localPath.data());
        std::abort();
    }
}

void expectLinkInside(std::string_view saveFolder, std::string_view pageFile,
                      std::string_view link) {
    link = link.substr(0, link.find('#'));
    std::string decoded;
    for (std::size_t i = 0; i < link.size(); ++i) {
        if (link[i] == '%' && i + 2 < link.size() &&
            std::isxdigit(static_cast<unsigned char>(link[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(link[i + 2]))) {
            decoded +=
                static_cast<char>(std::stoi(std::string(link.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            decoded += link[i];
        }
    }
    const std::string folder(pageFile.substr(0, pageFile.rfind('/') + 1));
    const std::string opened = std::filesystem::path(folder + decoded).lexically_normal().string();
    if (opened.compare(0, saveFolder.size(), saveFolder) != 0) {
        std::fprintf(stderr, "converted link %.*s leaves the save folder: %s\n",
                     static_cast<int>(link.size()), link.data(), opened.c_str());
        std::abort();
    }
}

} // namespace quarlo::fuzz
