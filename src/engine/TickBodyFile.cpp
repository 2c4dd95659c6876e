#include "engine/TickBodyFile.h"

#include "engine/WinInetErrors.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarlo {

namespace {

constexpr std::string_view kPartSuffix = ".quarlo-part";
constexpr std::size_t kMaxNameBytes = 255;

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

bool TickBodyFile::targetExists() const {
    struct stat info;
    return ::stat(m_target.c_str(), &info) == 0;
}

int32_t TickBodyFile::open() {
    discard();
    m_fd = ::open(m_part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return m_fd >= 0 ? kTickOk : kTickCantOpenFile;
}

int32_t TickBodyFile::write(std::string_view block) {
    if (m_fd < 0)
        return kTickWriteFailed;
    while (!block.empty()) {
        const ssize_t written = ::write(m_fd, block.data(), block.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return kTickWriteFailed;
        block.remove_prefix(static_cast<std::size_t>(written));
    }
    return kTickOk;
}

int32_t TickBodyFile::commit() {
    if (m_fd < 0)
        return kTickCantOpenFile;
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        ::unlink(m_part.c_str());
        return kTickWriteFailed;
    }
    if (std::rename(m_part.c_str(), m_target.c_str()) != 0) {
        ::unlink(m_part.c_str());
        return kTickCantOpenFile;
    }
    return kTickOk;
}

void TickBodyFile::discard() {
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_part.c_str());
}

} // namespace quarlo
