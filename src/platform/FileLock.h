#pragma once

#include <string>

namespace quarlo {

// An exclusive advisory lock (flock) on a lock file, held for the object's lifetime. The
// kernel releases it when the process dies, even on kill -9. The file is created (mode
// 0600) when missing and never deleted, so every process locks the same file.
class FileLock {
public:
    // Waits until the lock is held; held() is false when the file cannot be opened.
    explicit FileLock(const std::string& lockPath);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return m_fd >= 0; }
    // Why the lock is not held (an errno value); 0 when it is.
    int error() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
};

} // namespace quarlo
