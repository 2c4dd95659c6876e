#pragma once

#include "platform/Result.h"

#include <string>

struct zip;
struct zip_error;

namespace quarlo {

// The libzip error of a failed call turned into the component's result code.
int zipResultOfError(int zipError, int systemError);
int zipResultOfError(const zip_error* error);
// The kind of a libzip error: a missing archive NotFound, a damaged one Corrupt, a read-only
// one ReadOnly, a cancelled operation Cancelled; for file errors the kind of the system
// error (no space, permission, ...).
ErrorCode zipErrorKind(int zipError, int systemError);
ErrorCode zipErrorKind(const zip_error* error);

// An advisory lock on an existing archive file for the length of one operation: shared for
// readers, exclusive for writers. libzip replaces the archive by renaming a new file over
// it, so after taking the lock the holder checks that the path still names the locked
// file and takes it again when it does not. A missing archive needs no lock.
class ArchiveLock {
public:
    ArchiveLock() = default;
    ~ArchiveLock();
    ArchiveLock(const ArchiveLock&) = delete;
    ArchiveLock& operator=(const ArchiveLock&) = delete;

    // 0, or ArchiveLocked when another process holds a conflicting lock.
    int acquire(const std::string& path, bool exclusive);
    void release();

private:
    int m_fd = -1;
};

// Owns one open archive: discarded unless committed.
class ZipHandle {
public:
    enum class Mode {
        Read,         // the archive must exist
        Change,       // the archive must exist
        CreateOrOpen, // a missing archive is created by the first commit
    };

    ZipHandle() = default;
    ~ZipHandle();
    ZipHandle(const ZipHandle&) = delete;
    ZipHandle& operator=(const ZipHandle&) = delete;

    // Opens the archive (and locks it); a result code, 0 on success.
    int open(const std::string& path, Mode mode);
    zip* get() const { return m_zip; }
    explicit operator bool() const { return m_zip != nullptr; }

    // Writes the changes (libzip writes a new archive and renames it into place; an archive
    // left without entries is removed). The handle is closed whatever the outcome.
    int commit();
    // Closes without writing anything.
    void discard();
    // The result code of the last failed call on the open archive.
    int lastError() const;
    // The kind of the last failure of open(), commit() or lastError().
    ErrorCode failureKind() const { return m_failureKind; }

private:
    int openEmpty();
    // The result code of a libzip error; notes its kind.
    int failed(int zipError, int systemError) const;
    int failed(const zip_error* error) const;

    zip* m_zip = nullptr;
    ArchiveLock m_lock;
    mutable ErrorCode m_failureKind = ErrorCode::None;
};

} // namespace quarlo
