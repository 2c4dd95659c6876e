#include "platform/Trash.h"

#include "platform/FileUtil.h"
#include "platform/Folders.h"
#include "platform/TextUtil.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quarlo {

namespace {

std::string deletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Claims a name in the trash by creating its info file exclusively, so two deletions at once
// never pick the same name. Returns the name, or "" with errno set.
std::string claimName(const std::string& infoFolder, const std::string& name,
                      const std::string& content) {
    for (int n = 1; n < 10000; ++n) {
        std::string candidate = n == 1 ? name : name + "." + std::to_string(n);
        const std::string info = infoFolder + candidate + ".trashinfo";
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return {};
        }
        const bool written =
            ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        ::close(fd);
        if (!written) {
            ::unlink(info.c_str());
            return {};
        }
        return candidate;
    }
    errno = EEXIST;
    return {};
}

// rename(), or a copy and a removal when the trash lies on another file system.
bool moveItem(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    std::error_code ec;
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        fs::remove_all(to, ec);
        errno = EXDEV;
        return false;
    }
    fs::remove_all(from, ec);
    return !ec;
}

} // namespace

std::string trashFolderOf(const Folders& folders) {
    if (!folders.trashFolder.empty())
        return withTrailingSlash(folders.trashFolder);
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return withTrailingSlash(data) + "Trash/";
    return withTrailingSlash(folders.homeFolder) + ".local/share/Trash/";
}

Result<std::string> moveToTrash(const std::string& path, const std::string& trashFolder) {
    const std::string item = withoutTrailingSlash(path);
    struct stat info {};
    if (::lstat(item.c_str(), &info) != 0)
        return Status::failure("Unable to move " + item + " to the trash: " + std::strerror(errno));
    const std::string files = withTrailingSlash(trashFolder) + "files/";
    const std::string infos = withTrailingSlash(trashFolder) + "info/";
    std::error_code ec;
    fs::create_directories(files, ec);
    fs::create_directories(infos, ec);
    ::chmod(withoutTrailingSlash(trashFolder).c_str(), 0700);
    const std::string content = "[Trash Info]\nPath=" + percentEncode(item, isUnreservedOrSlash) +
                                "\nDeletionDate=" + deletionDate() + "\n";
    const std::string name = claimName(infos, fileNameOf(item), content);
    if (name.empty())
        return Status::failure("Unable to move " + item + " to the trash " + trashFolder + ": " +
                               std::strerror(errno));
    if (!moveItem(item, files + name)) {
        const int error = errno;
        ::unlink((infos + name + ".trashinfo").c_str());
        return Status::failure("Unable to move " + item + " to the trash: " + std::strerror(error));
    }
    return files + name;
}

} // namespace quarlo
