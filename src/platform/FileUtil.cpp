#include "platform/FileUtil.h"

#include "platform/WriteFault.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

bool writeAll(int fd, const char* data, std::size_t size) {
    if (writeFaultNow() != 0)
        return false;
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

Status writeFailure(const std::string& path, int error) {
    Status failed = Status::fromErrno(error, "Unable to write to " + path);
    errno = error;
    return failed;
}

namespace {

// Names longer than this get a short temporary name, so that the temporary file of a file
// whose name is already near the 255-byte limit can still be created.
constexpr std::size_t kLongNameLimit = 200;

// Opens the file with the flags, writes the data and closes it, unflushed: 0, or the errno of
// what failed. Tells whether the file was opened at all.
int writeThrough(const std::string& path, int flags, mode_t mode, std::string_view data,
                 bool& opened) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | flags, mode);
    opened = fd >= 0;
    if (fd < 0)
        return errno;
    errno = 0;
    int error = writeAll(fd, data.data(), data.size()) ? 0 : (errno != 0 ? errno : EIO);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

// Makes the rename of a file in the folder durable.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

constexpr std::string_view kTempMarker = ".tmp-";
constexpr std::string_view kTempPattern = "XXXXXX";

// A new, empty temporary file beside the target: its path and an open descriptor.
int createTempBeside(const std::string& target, std::string& tempPath) {
    std::string name = fileNameOf(target);
    if (name.size() > kLongNameLimit)
        name = "quarlo";
    tempPath = folderOf(target) + "." + name + std::string(kTempMarker) + std::string(kTempPattern);
    return ::mkostemp(tempPath.data(), O_CLOEXEC);
}

// Writes a temporary file with `fill`, gives it the mode, flushes it and renames it over
// the target. The temporary file never survives a failure. 0, or the error of the step that
// failed (also left in errno).
template <class Fill> int replaceFile(const std::string& target, unsigned mode, Fill fill) {
    std::string tempPath;
    const int fd = createTempBeside(target, tempPath);
    if (fd < 0)
        return errno;
    int error = 0;
    if (!fill(fd) || ::fchmod(fd, static_cast<mode_t>(mode)) != 0 || ::fsync(fd) != 0)
        error = errno != 0 ? errno : EIO;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(tempPath.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tempPath.c_str());
        errno = error;
        return error;
    }
    syncFolder(folderOf(target));
    return 0;
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    if (suffix.size() > text.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
        auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return lower(a) == lower(b);
    });
}

template <class Keep> std::vector<std::string> listEntries(const std::string& folder, Keep keep) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return names;
    const std::string prefix = withTrailingSlash(folder);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::stat((prefix + name).c_str(), &st) == 0 && keep(name, st))
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

Status forceDirectories(const std::string& path) {
    if (path.empty())
        return Status::failure("Unable to create directory");
    const std::string folder = withoutTrailingSlash(path);
    if (folder == "/" || directoryExists(folder))
        return {};
    const std::string parent = withoutTrailingSlash(folderOf(folder));
    if (!parent.empty() && parent != folder) {
        if (Status made = forceDirectories(parent); !made)
            return made;
    }
    // Another process may create the folder at the same moment: that is a success too.
    if (::mkdir(folder.c_str(), 0777) != 0 && !(errno == EEXIST && directoryExists(folder))) {
        const int error = errno == EEXIST ? ENOTDIR : errno; // a file is in the way
        Status failed = Status::fromErrno(error, "Unable to create directory " + folder);
        errno = error;
        return failed;
    }
    return {};
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool directoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> readFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // Reads ask for one byte more than fstat gives: a plain file read short by exactly that
    // byte has ended, so the usual file takes one read and no second one to meet its end. A
    // small file is read on the stack (no buffer to clear); a large one straight into the
    // text, so that it is not held twice. A file of unknown or growing size goes on to its end.
    constexpr std::size_t kBlock = 65536;
    const auto expected = static_cast<std::size_t>(std::max<off_t>(st.st_size, 0));
    const bool direct = expected >= kBlock;
    char small[kBlock];
    std::string content;
    if (direct)
        content.resize(expected + 1);
    std::size_t size = 0;
    for (;;) {
        if (direct && size == content.size())
            content.resize(size + kBlock);
        char* const into = direct ? content.data() + size : small;
        const std::size_t room = direct ? content.size() - size : kBlock;
        const ssize_t got = ::read(fd, into, room);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        if (!direct)
            content.append(small, static_cast<std::size_t>(got));
        const bool whole = size == 0 && static_cast<std::size_t>(got) == expected;
        size += static_cast<std::size_t>(got);
        if (whole && S_ISREG(st.st_mode))
            break;
    }
    content.resize(size);
    ::close(fd);
    return content;
}

Status writeFileAtomic(const std::string& path, std::string_view data, unsigned mode) {
    if (path.empty() || path.back() == '/') {
        errno = EISDIR;
        return Status::failure("Unable to write to " + path);
    }
    const int error = replaceFile(path, mode, [&](int fd) {
        errno = 0;
        return writeAll(fd, data.data(), data.size());
    });
    return error == 0 ? Status{} : writeFailure(path, error);
}

Status writeFileUnflushed(const std::string& path, std::string_view data, unsigned mode) {
    bool opened = false;
    const int error =
        writeThrough(path, O_CREAT | O_TRUNC, static_cast<mode_t>(mode), data, opened);
    if (error == 0)
        return {};
    if (opened)
        ::unlink(path.c_str());
    return writeFailure(path, error);
}

Status appendFileUnflushed(const std::string& path, std::string_view data) {
    bool opened = false;
    const int error = writeThrough(path, O_CREAT | O_APPEND, 0666, data, opened);
    return error == 0 ? Status{} : writeFailure(path, error);
}

Status flushFileSystem(const std::string& folder) {
    std::string existing = withoutTrailingSlash(folder.empty() ? std::string(".") : folder);
    while (!directoryExists(existing) && existing != "/" && !existing.empty())
        existing = withoutTrailingSlash(folderOf(existing));
    const int fd =
        ::open(existing.empty() ? "." : existing.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    if (error == 0 && (flushFaultNow() != 0 || ::syncfs(fd) != 0))
        error = errno != 0 ? errno : EIO;
    if (fd >= 0)
        ::close(fd);
    if (error == 0)
        return {};
    Status failed = Status::fromErrno(error, "Unable to flush " + folder);
    errno = error;
    return failed;
}

bool isAtomicWriteTempName(std::string_view name) {
    const std::size_t tail = kTempMarker.size() + kTempPattern.size();
    if (name.size() <= tail + 1 || name.front() != '.' ||
        name.substr(name.size() - tail, kTempMarker.size()) != kTempMarker)
        return false;
    return std::all_of(name.end() - static_cast<long>(kTempPattern.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

bool deleteFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    return ::unlink(path.c_str()) == 0;
}

bool moveFile(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty())
        return false;
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    return copyFile(from, to) && deleteFile(from);
}

bool copyFile(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || to.empty() || to.back() == '/') {
        ::close(in);
        return false;
    }
    const bool ok = replaceFile(to, st.st_mode & 07777, [&](int out) {
                        errno = 0;
                        char buffer[65536];
                        for (;;) {
                            const ssize_t got = ::read(in, buffer, sizeof buffer);
                            if (got < 0 && errno == EINTR)
                                continue;
                            if (got <= 0)
                                return got == 0;
                            if (!writeAll(out, buffer, static_cast<std::size_t>(got)))
                                return false;
                        }
                    }) == 0;
    ::close(in);
    return ok;
}

bool removeTree(const std::string& path) {
    if (path.empty())
        return false;
    // Without the trailing "/" a symbolic link names the link itself, not its target.
    const std::string target = withoutTrailingSlash(path);
    std::error_code error;
    std::filesystem::remove_all(target, error);
    struct stat st {};
    return ::lstat(target.c_str(), &st) != 0 && errno == ENOENT;
}

std::vector<std::string> listFiles(const std::string& folder, std::string_view suffix) {
    return listEntries(folder, [&](const std::string& name, const struct stat& st) {
        return S_ISREG(st.st_mode) && endsWithNoCase(name, suffix);
    });
}

std::vector<std::string> listFolders(const std::string& folder) {
    return listEntries(
        folder, [](const std::string&, const struct stat& st) { return S_ISDIR(st.st_mode); });
}

std::string withTrailingSlash(std::string path) {
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string extensionOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

} // namespace quarlo
