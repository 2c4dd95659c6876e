#include "model/ActiveTasks.h"

#include "platform/FileLock.h"
#include "platform/TextUtil.h"

#include "platform/FileUtil.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

namespace {

// Paths in the list are compared without regard to (ASCII) case.
bool samePath(const std::string& a, const std::string& b) {
    return equalsNoCase(a, b);
}

std::vector<std::string> parseList(const std::string& text) {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            paths.push_back(std::move(line));
        start = end + 1;
    }
    return paths;
}

std::string formatList(const std::vector<std::string>& paths) {
    std::string text;
    for (const auto& path : paths)
        text += path + "\r\n";
    return text;
}

} // namespace

ActiveTasks::ActiveTasks(std::string listFile) : m_file(std::move(listFile)) {}

std::vector<std::string> ActiveTasks::paths() const {
    // The list is replaced by rename, so a plain read sees a whole version of it.
    auto text = readFile(m_file);
    return text ? parseList(*text) : std::vector<std::string>{};
}

bool ActiveTasks::contains(const std::string& taskPath) const {
    const auto list = paths();
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& path) { return samePath(path, taskPath); });
}

Status ActiveTasks::add(const std::string& taskPath) {
    Status failed = Status::failure("Cannot create file " + m_file);
    if (taskPath.empty())
        return {};
    (void)forceDirectories(folderOf(m_file));
    FileLock lock(m_file + ".lock");
    if (!lock.held())
        return failed;
    auto list = paths();
    for (const auto& path : list)
        if (samePath(path, taskPath))
            return {};
    list.push_back(taskPath);
    return writeFileAtomic(m_file, formatList(list), 0600) ? Status() : failed;
}

Status ActiveTasks::remove(const std::string& taskPath) {
    if (!fileExists(m_file))
        return {};
    FileLock lock(m_file + ".lock");
    if (!lock.held())
        return Status::failure("Cannot create file " + m_file);
    auto list = paths();
    const auto kept = std::remove_if(list.begin(), list.end(), [&](const std::string& path) {
        return samePath(path, taskPath);
    });
    if (kept == list.end())
        return {};
    list.erase(kept, list.end());
    if (!writeFileAtomic(m_file, formatList(list), 0600))
        return Status::failure("Cannot create file " + m_file);
    return {};
}

long long ActiveTasks::stamp() const {
    struct stat info {};
    if (::stat(m_file.c_str(), &info) != 0)
        return 0;
    // Every change renames a new file into place: a new inode, a new time and usually a new
    // size. Mixing all three makes an unchanged stamp after a change practically impossible.
    const long long nanoseconds =
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    return nanoseconds ^ (static_cast<long long>(info.st_ino) << 20) ^
           static_cast<long long>(info.st_size);
}

} // namespace quarlo
