#include "engine/TickBodyFile.h"

#include "engine/WinInetErrors.h"
#include "platform/FileUtil.h"
#include "platform/WriteFault.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

namespace {

constexpr std::string_view kPartSuffix = ".quarlo-part";
constexpr std::size_t kMaxNameBytes = 255;
// A folder made for the file can vanish again before the file is created in it, when another
// transfer that made it too fails and removes it: the file is then tried again.
constexpr int kOpenAttempts = 3;

// The length of the longest prefix of text of at most limit bytes that does not end inside
// a UTF-8 character.
std::size_t utf8Cut(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text.size();
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return cut;
}

} // namespace

TickBodyFile::TickBodyFile(std::string target)
    : m_target(std::move(target)), m_part(partName(m_target)) {}

TickBodyFile::~TickBodyFile() {
    discard();
}

std::string TickBodyFile::partName(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string_view name(target.data() + nameStart, target.size() - nameStart);
    name = name.substr(0, utf8Cut(name, kMaxNameBytes - kPartSuffix.size()));
    return target.substr(0, nameStart) + std::string(name) + std::string(kPartSuffix);
}

bool TickBodyFile::isPartName(std::string_view name) {
    return name.size() > kPartSuffix.size() && name.ends_with(kPartSuffix);
}

bool TickBodyFile::targetExists() const {
    struct stat info;
    return ::stat(m_target.c_str(), &info) == 0;
}

int32_t TickBodyFile::failed(int32_t code) {
    m_error = errno != 0 ? errno : EIO;
    return isOutputFault(m_error) ? kTickDiskFault : code;
}

std::string TickBodyFile::failureText() const {
    return "Unable to write to " + m_target + ": " + std::strerror(m_error);
}

bool TickBodyFile::makeFolders() {
    std::vector<std::string> missing;
    for (std::string folder = withoutTrailingSlash(folderOf(m_target));
         !folder.empty() && folder != "/" && !directoryExists(folder);
         folder = withoutTrailingSlash(folderOf(folder)))
        missing.push_back(folder);
    if (missing.empty())
        return true;
    const Status made = forceDirectories(folderOf(m_target));
    const int error = errno;
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder)
        if (directoryExists(*folder))
            m_madeFolders.push_back(*folder);
    errno = error;
    return made.ok();
}

// Only empty folders go: one that received another file stays.
void TickBodyFile::removeMadeFolders() {
    for (auto folder = m_madeFolders.rbegin(); folder != m_madeFolders.rend(); ++folder)
        ::rmdir(folder->c_str());
    m_madeFolders.clear();
}

int32_t TickBodyFile::open() {
    discard();
    // The folder is there already for most files: it is looked for only when the file cannot
    // be created for want of it.
    for (int attempt = 0;; ++attempt) {
        m_fd = ::open(m_part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (m_fd >= 0)
            return kTickOk;
        if (errno != ENOENT || attempt == kOpenAttempts)
            break;
        // A full or read-only disk shows in the folder's error, not in the open's ENOENT.
        if (!makeFolders() && errno != ENOENT)
            break;
    }
    const int32_t code = failed(kTickCantOpenFile);
    removeMadeFolders();
    return code;
}

int32_t TickBodyFile::write(std::string_view block) {
    if (m_fd < 0)
        return kTickWriteFailed;
    if (writeFaultNow() != 0)
        return failed(kTickWriteFailed);
    while (!block.empty()) {
        errno = 0;
        const ssize_t written = ::write(m_fd, block.data(), block.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return failed(kTickWriteFailed);
        block.remove_prefix(static_cast<std::size_t>(written));
    }
    return kTickOk;
}

int32_t TickBodyFile::commit() {
    if (m_fd < 0)
        return kTickCantOpenFile;
    const int closed = ::close(m_fd);
    m_fd = -1;
    int32_t code = kTickOk;
    if (closed != 0)
        code = failed(kTickWriteFailed);
    else if (std::rename(m_part.c_str(), m_target.c_str()) != 0)
        code = failed(kTickCantOpenFile);
    if (code != kTickOk) {
        ::unlink(m_part.c_str());
        removeMadeFolders();
        return code;
    }
    m_madeFolders.clear();
    return kTickOk;
}

void TickBodyFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_part.c_str());
    }
    removeMadeFolders();
}

} // namespace quarlo
