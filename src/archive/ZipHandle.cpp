#include "archive/ZipHandle.h"

#include "archive/ZipResult.h"
#include "platform/WriteFault.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace quarlo {

namespace {

bool diskFull(int systemError) {
    return systemError == ENOSPC || systemError == EDQUOT;
}

// The codes libzip gives for an archive whose contents cannot be trusted.
bool damagedArchive(int zipError) {
    switch (zipError) {
    case ZIP_ER_NOZIP:
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_EOF:
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
        return true;
    default:
        return false;
    }
}

} // namespace

int zipResultOfError(int zipError, int systemError) {
    if (damagedArchive(zipError))
        return ZipResult::Corrupted;
    switch (zipError) {
    case ZIP_ER_OK:
        return ZipResult::Success;
    case ZIP_ER_NOENT:
        return ZipResult::ArchiveNotFound;
    case ZIP_ER_MULTIDISK:
        return 410;
    case ZIP_ER_MEMORY:
        return ZipResult::OutOfMemory;
    case ZIP_ER_TMPOPEN:
    case ZIP_ER_RENAME:
        return diskFull(systemError) ? ZipResult::DiskFull : ZipResult::TempFileProblem;
    case ZIP_ER_WRITE:
    case ZIP_ER_CLOSE:
        return diskFull(systemError) ? ZipResult::DiskFull : ZipResult::CannotAccess;
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL:
    case ZIP_ER_REMOVE:
        return systemError == ENOENT ? ZipResult::ArchiveNotFound : ZipResult::CannotAccess;
    default:
        return ZipResult::OtherError;
    }
}

int zipResultOfError(const zip_error* error) {
    auto* e = const_cast<zip_error_t*>(error);
    return zipResultOfError(zip_error_code_zip(e), zip_error_code_system(e));
}

ErrorCode zipErrorKind(int zipError, int systemError) {
    if (damagedArchive(zipError))
        return ErrorCode::Corrupt;
    switch (zipError) {
    case ZIP_ER_OK:
        return ErrorCode::None;
    case ZIP_ER_NOENT:
        return ErrorCode::NotFound;
    case ZIP_ER_RDONLY:
        return ErrorCode::ReadOnly;
    case ZIP_ER_CANCELLED:
        return ErrorCode::Cancelled;
    case ZIP_ER_TMPOPEN:
    case ZIP_ER_RENAME:
    case ZIP_ER_WRITE:
    case ZIP_ER_CLOSE:
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK:
    case ZIP_ER_TELL:
    case ZIP_ER_REMOVE: {
        const ErrorCode kind = errorCodeOfErrno(systemError);
        return kind == ErrorCode::None ? ErrorCode::Other : kind;
    }
    default:
        return ErrorCode::Other;
    }
}

ArchiveLock::~ArchiveLock() {
    release();
}

void ArchiveLock::release() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int ArchiveLock::acquire(const std::string& path, bool exclusive) {
    release();
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            return ZipResult::Success; // nothing there to lock (yet)
        if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            ::close(fd);
            return ZipResult::ArchiveLocked;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_fd = fd;
            return ZipResult::Success;
        }
        ::close(fd); // replaced meanwhile: lock the new file
    }
    return ZipResult::ArchiveLocked;
}

ZipHandle::~ZipHandle() {
    discard();
}

int ZipHandle::open(const std::string& path, Mode mode) {
    discard();
    m_failureKind = ErrorCode::None;
    if (int locked = m_lock.acquire(path, mode != Mode::Read); locked != 0) {
        m_failureKind = ErrorCode::Other;
        return locked;
    }
    int flags = ZIP_CHECKCONS;
    if (mode == Mode::Read)
        flags |= ZIP_RDONLY;
    else if (mode == Mode::CreateOrOpen)
        flags |= ZIP_CREATE;
    // An empty file is an archive without entries (libzip calls it no archive at all).
    struct stat existing {};
    const bool emptyFile =
        ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) && existing.st_size == 0;
    if (emptyFile && mode == Mode::Read)
        return openEmpty();
    if (emptyFile)
        flags |= ZIP_TRUNCATE;
    int error = 0;
    errno = 0;
    m_zip = zip_open(path.c_str(), flags, &error);
    if (m_zip == nullptr) {
        const int systemError = errno;
        m_lock.release();
        return failed(error, systemError);
    }
    return ZipResult::Success;
}

int ZipHandle::openEmpty() {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (source != nullptr) {
        m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (m_zip == nullptr)
            zip_source_free(source);
    }
    const int result = m_zip ? ZipResult::Success : failed(&error);
    zip_error_fini(&error);
    if (m_zip == nullptr)
        m_lock.release();
    return result;
}

int ZipHandle::commit() {
    if (m_zip == nullptr)
        return ZipResult::Success;
    int result = ZipResult::Success;
    // A write failure asked for by the tests leaves the archive as it was, as libzip does.
    if (const int fault = writeFaultNow(); fault != 0) {
        result = failed(ZIP_ER_WRITE, fault);
        zip_discard(m_zip);
    } else if (zip_close(m_zip) != 0) {
        result = lastError();
        zip_discard(m_zip);
    }
    m_zip = nullptr;
    m_lock.release();
    return result;
}

void ZipHandle::discard() {
    if (m_zip != nullptr)
        zip_discard(m_zip);
    m_zip = nullptr;
    m_lock.release();
}

int ZipHandle::lastError() const {
    return m_zip == nullptr ? ZipResult::Success : failed(zip_get_error(m_zip));
}

int ZipHandle::failed(int zipError, int systemError) const {
    m_failureKind = zipErrorKind(zipError, systemError);
    return zipResultOfError(zipError, systemError);
}

int ZipHandle::failed(const zip_error* error) const {
    auto* e = const_cast<zip_error_t*>(error);
    return failed(zip_error_code_zip(e), zip_error_code_system(e));
}

ErrorCode zipErrorKind(const zip_error* error) {
    auto* e = const_cast<zip_error_t*>(error);
    return zipErrorKind(zip_error_code_zip(e), zip_error_code_system(e));
}

} // namespace quarlo
