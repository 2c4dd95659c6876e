#include "FuzzSupport.h"

#include "html/FileTypes.h"
#include "platform/SettingsStore.h"

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

} // namespace quarlo::fuzz
