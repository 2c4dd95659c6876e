#include "platform/AppendingFile.h"

#include "platform/FileUtil.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quarlo {

AppendingFile::~AppendingFile() {
    close();
}

Status AppendingFile::append(const std::string& path, std::string_view data) {
    if (m_fd >= 0 && path != m_path)
        close();
    if (m_fd < 0) {
        m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (m_fd < 0)
            return writeFailure(path, errno);
        m_path = path;
    }
    errno = 0;
    if (writeAll(m_fd, data.data(), data.size()))
        return {};
    const int error = errno != 0 ? errno : EIO;
    close();
    return writeFailure(path, error);
}

void AppendingFile::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

} // namespace quarlo
