// The component's extract. Every entry is written below ExtractDirectory through folder
// descriptors opened without following links, so no entry name and no link found in the
// target can send a file elsewhere; each file is written to a temporary name and renamed
// into place.

#include "archive/ZipComponent.h"
#include "archive/ZipHandle.h"
#include "archive/ZipNames.h"
#include "platform/FileUtil.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

namespace quarlo {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

std::vector<std::string> segmentsOf(const std::string& path) {
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start && path.compare(start, end - start, ".") != 0)
            segments.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return segments;
}

} // namespace

class ZipExtractor {
public:
    explicit ZipExtractor(ZipComponent& zip) : m_zip(zip) {}
    int run();

private:
    enum class Outcome { Written, Skipped, Failed, Cancelled };
    Outcome extractEntry(ZipHandle& archive, const ZipEntryInfo& info);
    // The folder of the segments below the root, created when missing; -1 when a segment is
    // a link or not a folder.
    int openFolder(const std::vector<std::string>& segments, std::size_t count);
    bool mayReplace(int folder, const std::string& name, const std::string& shownPath,
                    const ZipEntryInfo& info, Outcome& outcome);
    Outcome writeFile(ZipHandle& archive, int folder, const std::string& name,
                      const ZipEntryInfo& info);

    ZipComponent& m_zip;
    Descriptor m_root;
    bool m_overwriteAll = false;
    int m_error = ZipResult::Success;

    // The result code of a failed write into the extract folder, its kind noted.
    int writeFailure(int error) {
        const int code =
            error == ENOSPC || error == EDQUOT ? ZipResult::DiskFull : ZipResult::CannotAccess;
        return m_zip.fail(code, errorCodeOfErrno(error));
    }
};

int ZipExtractor::openFolder(const std::vector<std::string>& segments, std::size_t count) {
    int current = ::dup(m_root.get());
    for (std::size_t i = 0; i < count && current >= 0; ++i) {
        const char* name = segments[i].c_str();
        int next = ::openat(current, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && ::mkdirat(current, name, 0755) == 0)
            next = ::openat(current, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(current);
        current = next;
    }
    return current;
}

bool ZipExtractor::mayReplace(int folder, const std::string& name, const std::string& shownPath,
                              const ZipEntryInfo& info, Outcome& outcome) {
    struct stat existing {};
    if (::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0)
        return true;
    if (!S_ISREG(existing.st_mode)) {
        outcome = Outcome::Skipped; // a link, a folder, ...: never written through or over
        return false;
    }
    if (m_zip.Overwrite == ZipOverwrite::xowAlways || m_overwriteAll)
        return true;
    if (m_zip.Overwrite == ZipOverwrite::xowNever) {
        outcome = Outcome::Skipped;
        return false;
    }
    switch (m_zip.events().onReplace(shownPath, info.name)) {
    case ZipReplaceAnswer::Yes:
        return true;
    case ZipReplaceAnswer::All:
        m_overwriteAll = true;
        return true;
    case ZipReplaceAnswer::Cancel:
        outcome = Outcome::Cancelled;
        return false;
    default:
        outcome = Outcome::Skipped;
        return false;
    }
}

ZipExtractor::Outcome ZipExtractor::writeFile(ZipHandle& archive, int folder,
                                              const std::string& name, const ZipEntryInfo& info) {
    std::string temporary;
    Descriptor out;
    for (int n = 0; out.get() < 0; ++n) {
        temporary = "." + name.substr(0, 200) + ".part" + std::to_string(n);
        out.reset(::openat(folder, temporary.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (out.get() < 0 && (errno != EEXIST || n > 1000)) {
            m_error = writeFailure(errno);
            return Outcome::Failed;
        }
    }
    zip_file_t* in = zip_fopen_index(archive.get(), info.index, 0);
    int error = in ? ZipResult::Success : m_zip.failOn(archive);
    char buffer[65536];
    while (error == ZipResult::Success) {
        const zip_int64_t got = zip_fread(in, buffer, sizeof buffer);
        if (got < 0) {
            const zip_error_t* failure = zip_file_get_error(in);
            error = m_zip.fail(zipResultOfError(failure), zipErrorKind(failure));
            break;
        }
        if (got == 0)
            break;
        for (zip_int64_t done = 0; done < got && error == ZipResult::Success;) {
            const ssize_t put = ::write(out.get(), buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR)
                error = writeFailure(errno);
            else if (put > 0)
                done += put;
        }
    }
    if (in != nullptr)
        zip_fclose(in);
    const struct timespec times[2] = {{info.modified, 0}, {info.modified, 0}};
    if (error == ZipResult::Success && (::futimens(out.get(), times), ::fsync(out.get()) != 0))
        error = writeFailure(errno);
    out.reset();
    if (error == ZipResult::Success &&
        ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0)
        error = writeFailure(errno);
    if (error != ZipResult::Success) {
        ::unlinkat(folder, temporary.c_str(), 0);
        m_error = error;
        return Outcome::Failed;
    }
    return Outcome::Written;
}

ZipExtractor::Outcome ZipExtractor::extractEntry(ZipHandle& archive, const ZipEntryInfo& info) {
    if (!isSafeEntryName(info.name))
        return Outcome::Skipped;
    const std::string relative = m_zip.UsePaths ? info.name : entryFileName(info.name);
    const std::vector<std::string> segments = segmentsOf(relative);
    if (segments.empty())
        return Outcome::Skipped;
    if (info.isFolder) {
        if (!m_zip.UsePaths)
            return Outcome::Written;
        Descriptor folder(openFolder(segments, segments.size()));
        return folder.get() < 0 ? Outcome::Skipped : Outcome::Written;
    }
    Descriptor folder(openFolder(segments, segments.size() - 1));
    if (folder.get() < 0)
        return Outcome::Skipped;
    Outcome outcome = Outcome::Written;
    if (!mayReplace(folder.get(), segments.back(),
                    withTrailingSlash(m_zip.ExtractDirectory) + relative, info, outcome))
        return outcome;
    m_zip.events().onExtracting(info);
    return writeFile(archive, folder.get(), segments.back(), info);
}

int ZipExtractor::run() {
    ZipHandle archive;
    if (int opened = archive.open(m_zip.ZipFileName, ZipHandle::Mode::Read); opened != 0)
        return m_zip.fail(opened, archive.failureKind());
    const zip_int64_t total = zip_get_num_entries(archive.get(), 0);
    if (total == 0)
        return ZipResult::EmptyZipFile;
    const std::vector<std::uint64_t> indexes = m_zip.matchingEntries(archive);
    if (indexes.empty())
        return ZipResult::NothingToDo;
    if (m_zip.ExtractDirectory.empty())
        return ZipResult::CannotAccess;
    if (Status made = forceDirectories(m_zip.ExtractDirectory); !made)
        return m_zip.fail(made.code() == ErrorCode::NoSpace ? ZipResult::DiskFull
                                                            : ZipResult::CannotAccess,
                          made.code());
    m_root.reset(::open(m_zip.ExtractDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (m_root.get() < 0)
        return m_zip.fail(ZipResult::CannotAccess, errorCodeOfErrno(errno));
    int skipped = 0;
    std::size_t done = 0;
    for (std::uint64_t index : indexes) {
        ZipEntryInfo info;
        if (!readZipEntryInfo(archive, index, info))
            return m_zip.failOn(archive);
        switch (extractEntry(archive, info)) {
        case Outcome::Written:
            if (!info.isFolder)
                m_zip.m_processed.push_back(info);
            break;
        case Outcome::Skipped:
            ++skipped;
            break;
        case Outcome::Cancelled:
            return ZipResult::UserAbort;
        case Outcome::Failed:
            return m_error;
        }
        m_zip.events().onStatus(static_cast<int>(++done * 100 / indexes.size()));
    }
    return skipped ? ZipResult::FilesSkipped : ZipResult::Success;
}

int ZipComponent::extract() {
    begin("extracting");
    ZipExtractor extractor(*this);
    return finish(extractor.run());
}

} // namespace quarlo
