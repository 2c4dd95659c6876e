#include "platform/InstanceLock.h"

#include "platform/FileUtil.h"
#include "platform/TextUtil.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace quarlo {

namespace {

constexpr const char* kLockFileName = "quarlo.lock";

// The record is three lines; a line break inside a field would shift the others.
std::string field(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

bool parseRecord(std::string_view text, InstanceLock::Holder& holder) {
    bool havePid = false, haveFrontEnd = false, haveTask = false;
    for (std::string_view line : splitLines(text)) {
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, equals);
        const std::string_view value = line.substr(equals + 1);
        if (name == "pid" && !havePid) {
            havePid = std::from_chars(value.data(), value.data() + value.size(), holder.pid).ec ==
                      std::errc();
        } else if (name == "frontend" && !haveFrontEnd) {
            holder.frontEnd = std::string(value);
            haveFrontEnd = true;
        } else if (name == "task" && !haveTask) {
            holder.currentTask = std::string(value);
            haveTask = true;
        }
    }
    return havePid && haveFrontEnd && haveTask;
}

} // namespace

InstanceLock::InstanceLock(std::string dataFolder) : m_dataFolder(std::move(dataFolder)) {}

InstanceLock::~InstanceLock() {
    release();
}

std::string InstanceLock::lockFilePath() const {
    return withTrailingSlash(m_dataFolder) + kLockFileName;
}

bool InstanceLock::tryAcquire(const std::string& frontEnd) {
    if (held())
        return true;
    // A data folder that cannot be made cannot hold the lock file either.
    if (!forceDirectories(m_dataFolder))
        return false;
    const int fd = ::open(lockFilePath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_frontEnd = frontEnd;
    m_currentTask.clear();
    writeRecord();
    return true;
}

void InstanceLock::release() {
    if (!held())
        return;
    // The file stays: removing it would let a newcomer lock a new file while an older
    // process still waits on the old one. An empty record says nobody runs; a record that
    // cannot be cut names a process that no longer holds the lock, which readers take for
    // nobody as well.
    ignoreFailure(::ftruncate(m_fd, 0));
    ::close(m_fd); // releases the lock
    m_fd = -1;
}

void InstanceLock::setCurrentTask(const std::string& taskPath) {
    m_currentTask = taskPath;
    if (held())
        writeRecord();
}

void InstanceLock::writeRecord() {
    const std::string record = "pid=" + std::to_string(::getpid()) +
                               "\nfrontend=" + field(m_frontEnd) +
                               "\ntask=" + field(m_currentTask) + "\n";
    // Written over the old record first and cut afterwards, so that a reader never finds
    // the file empty while the lock is held. Readers take the first value of each field, so
    // a tail of an older record that cannot be cut off misleads nobody.
    if (::pwrite(m_fd, record.data(), record.size(), 0) == static_cast<ssize_t>(record.size()))
        ignoreFailure(::ftruncate(m_fd, static_cast<off_t>(record.size())));
}

std::optional<InstanceLock::Holder> InstanceLock::currentHolder(const std::string& dataFolder) {
    const std::string path = withTrailingSlash(dataFolder) + kLockFileName;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    // Whoever holds the lock keeps a shared one from being taken; a file left by a killed
    // holder is not locked by anyone.
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        ::close(fd);
        return std::nullopt;
    }
    const bool locked = errno == EWOULDBLOCK;
    ::close(fd);
    if (!locked)
        return std::nullopt;
    Holder holder;
    // The holder may be rewriting its record right now: read again a few times.
    for (int attempt = 0; attempt < 20; ++attempt) {
        const auto record = readFile(path);
        if (record && parseRecord(*record, holder))
            break;
        holder = Holder{};
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return holder;
}

} // namespace quarlo
