#include "platform/FolderListings.h"

#include "platform/FileUtil.h"

#include <dirent.h>

namespace quarlo {

namespace {

// A folder asked about this often is cheaper listed than stat'ed file by file: a folder asked
// about once or twice is never listed, however large.
constexpr std::size_t kListAfter = 8;

} // namespace

bool FolderListings::holdsFile(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return fileExists(path);
    const std::string_view folderPath = std::string_view(path).substr(0, slash + 1);
    auto found = m_folders.find(folderPath);
    if (found == m_folders.end())
        found = m_folders.emplace(std::string(folderPath), Folder()).first;
    Folder& folder = found->second;
    if (!folder.listed && !folder.unlistable && ++folder.asked >= kListAfter) {
        folder.listed = list(found->first, folder.types);
        folder.unlistable = !folder.listed;
    }
    if (!folder.listed)
        return fileExists(path);
    const auto name = folder.types.find(std::string_view(path).substr(slash + 1));
    if (name == folder.types.end())
        return false;
    // A link, or a file system that does not give types, is asked about the file itself.
    if (name->second == DT_LNK || name->second == DT_UNKNOWN)
        return fileExists(path);
    return name->second == DT_REG;
}

bool FolderListings::list(const std::string& folder, Names& types) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    while (const dirent* entry = ::readdir(dir))
        types.emplace(entry->d_name, entry->d_type);
    ::closedir(dir);
    return true;
}

} // namespace quarlo
