#include "model/TQLApp.h"

#include "platform/FileUtil.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quarlo {

namespace {

namespace fs = std::filesystem;

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The real location of a folder: links resolved as far as the path exists, no trailing "/".
std::string realFolder(const std::string& folder) {
    std::error_code ec;
    fs::path real = fs::weakly_canonical(fs::path(withoutTrailingSlash(folder)), ec);
    if (ec)
        real = fs::path(withoutTrailingSlash(folder)).lexically_normal();
    std::string text = real.string();
    return text.size() > 1 ? withoutTrailingSlash(text) : text;
}

bool isSameOrInside(const std::string& inner, const std::string& outer) {
    if (inner == outer || outer == "/")
        return true;
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 &&
           inner[outer.size()] == '/';
}

} // namespace

Status TQLApp::deleteTempFolder() {
    const std::string folder = configuredTempFolder();
    const std::string refused = "The Temp folder " + folder + " is not deleted: ";
    if (asciiLower(folder).find("quarlo") == std::string::npos)
        return Status::failure(refused + "its path does not contain \"quarlo\"");

    struct stat info {};
    if (::lstat(withoutTrailingSlash(folder).c_str(), &info) != 0)
        return {}; // nothing there, nothing to delete
    if (S_ISLNK(info.st_mode))
        return Status::failure(refused + "it is a symbolic link");
    if (!S_ISDIR(info.st_mode))
        return Status::failure(refused + "it is not a folder");
    if (info.st_uid != ::geteuid())
        return Status::failure(refused + "it belongs to another user");

    // Whatever the Temp folder setting says, the delete must never take the user's data.
    const std::string temp = realFolder(folder);
    const std::vector<std::pair<const char*, std::string>> kept = {
        {"the data folder", m_folders.dataFolder},
        {"the settings folder", m_folders.configFolder},
        {"the home folder", m_folders.homeFolder},
        {"the Tasks folder", tasksFolder()},
        {"the Profiles folder", profilesFolder()},
        {"the program's resource folder", m_folders.resourceFolder},
        {"the Personal Intranet folder", m_settings.readText(kSettingsKey, "Local Intranet Folder",
                                                             m_folders.defaultIntranetFolder)},
        {"the Downloads folder", m_settings.readText(kSettingsKey, "Downloads Folder",
                                                     m_folders.dataFolder + "Downloads/")},
    };
    for (const auto& [what, path] : kept) {
        if (path.empty())
            continue;
        if (isSameOrInside(realFolder(path), temp))
            return Status::failure(refused + "it is or contains " + what + " " + path);
    }

    if (!removeTree(folder))
        return Status::failure("Cannot delete the Temp folder " + folder);
    return {};
}

} // namespace quarlo
