// The component's add: the listed files gathered with their entry names, filtered by the add
// action, staged in the archive and committed in one write.

#include "archive/ZipComponent.h"
#include "archive/ZipHandle.h"
#include "archive/ZipNames.h"
#include "platform/FileUtil.h"
#include "platform/TextUtil.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace quarlo {

namespace {

struct SourceFile {
    std::string given; // as listed (or found below a listed folder)
    std::string path;  // absolute
    std::string entry;
    std::time_t modified = 0;
    std::int64_t size = 0;
};

std::string currentFolder() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

bool readable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

constexpr std::size_t kMaxComment = 255;

} // namespace

class ZipAdder {
public:
    explicit ZipAdder(ZipComponent& zip)
        : m_zip(zip),
          m_base(normalizedPath(zip.BaseDirectory.empty() ? currentFolder() : zip.BaseDirectory)) {}

    int run();

private:
    void gather(const std::string& given);
    void gatherFolder(const std::string& folder, const std::string& pattern, bool recurse);
    void take(const std::string& path, const struct stat& info);
    std::string entryNameOf(const std::string& absolutePath) const;
    int stage(ZipHandle& archive, const SourceFile& file);
    bool wanted(ZipHandle& archive, const SourceFile& file, bool& exists);
    void readBack();

    ZipComponent& m_zip;
    std::string m_base;
    struct stat m_archiveFile {};
    bool m_archiveExists = false;
    std::vector<SourceFile> m_files;
    std::set<std::string> m_seenPaths;
    std::vector<std::string> m_written;
    int m_unreadable = 0;
    int m_skipped = 0;
};

std::string ZipAdder::entryNameOf(const std::string& absolutePath) const {
    if (!m_zip.UsePaths)
        return entryFileName(absolutePath);
    const std::string prefix = m_base == "/" ? "/" : m_base + "/";
    if (absolutePath.compare(0, prefix.size(), prefix) == 0)
        return absolutePath.substr(prefix.size());
    return absolutePath.substr(1);
}

void ZipAdder::take(const std::string& path, const struct stat& info) {
    if (m_archiveExists && info.st_dev == m_archiveFile.st_dev &&
        info.st_ino == m_archiveFile.st_ino)
        return; // never the archive into itself
    if (!m_seenPaths.insert(path).second)
        return;
    SourceFile file;
    file.given = path;
    file.path = path;
    file.entry = entryNameOf(path);
    file.modified = info.st_mtime;
    file.size = static_cast<std::int64_t>(info.st_size);
    m_files.push_back(std::move(file));
}

void ZipAdder::gatherFolder(const std::string& folder, const std::string& pattern, bool recurse) {
    const int hidden = m_zip.IncludeHiddenFiles ? 0 : FNM_PERIOD;
    for (const std::string& name : listFiles(folder + "/")) {
        struct stat info {};
        const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
        if (::fnmatch(pattern.c_str(), name.c_str(), hidden) != 0)
            continue;
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            take(path, info);
        else
            ++m_unreadable;
    }
    if (!recurse)
        return;
    for (const std::string& name : listFolders(folder + "/")) {
        if (!m_zip.IncludeHiddenFiles && name.front() == '.')
            continue;
        const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
        struct stat link {};
        if (::lstat(path.c_str(), &link) == 0 && S_ISDIR(link.st_mode)) // links are not followed
            gatherFolder(path, pattern, true);
    }
}

void ZipAdder::gather(const std::string& given) {
    const std::string spec = normalizeZipMask(given);
    const std::string absolute = normalizedPath(spec.front() == '/' ? spec : m_base + "/" + spec);
    const std::string last = entryFileName(spec);
    if (hasWildcards(last)) {
        const std::string folder = normalizedPath(absolute + "/..");
        gatherFolder(folder, last == "*.*" ? "*" : last, m_zip.Recurse);
        return;
    }
    struct stat info {};
    const bool found = ::stat(absolute.c_str(), &info) == 0;
    if (found && S_ISDIR(info.st_mode)) {
        if (m_zip.Recurse)
            gatherFolder(absolute, "*", true);
        else
            ++m_skipped;
    } else if (found && S_ISREG(info.st_mode)) {
        const std::size_t before = m_files.size();
        take(absolute, info);
        if (m_files.size() > before)
            m_files.back().given = given;
    } else {
        ++m_unreadable; // missing, not readable, or neither a file nor a folder
    }
}

bool ZipAdder::wanted(ZipHandle& archive, const SourceFile& file, bool& exists) {
    const zip_int64_t index = zip_name_locate(archive.get(), file.entry.c_str(), 0);
    exists = index >= 0;
    switch (m_zip.AddAction) {
    case ZipAddAction::Freshen:
        return exists;
    case ZipAddAction::Update: {
        if (!exists)
            return true;
        ZipEntryInfo entry;
        // Entry times keep even seconds only: a file counts as newer from 2 s on.
        return !readZipEntryInfo(archive, static_cast<std::uint64_t>(index), entry) ||
               file.modified - entry.modified >= 2;
    }
    default:
        return true;
    }
}

int ZipAdder::stage(ZipHandle& archive, const SourceFile& file) {
    bool exists = false;
    if (!wanted(archive, file, exists))
        return ZipResult::Success;
    if (!readable(file.path)) {
        ++m_unreadable;
        return ZipResult::Success;
    }
    zip_t* za = archive.get();
    std::string comment;
    if (exists) {
        const zip_int64_t old = zip_name_locate(za, file.entry.c_str(), 0);
        zip_uint32_t length = 0;
        if (const char* text = zip_file_get_comment(za, static_cast<zip_uint64_t>(old), &length, 0))
            comment.assign(text, length);
    }
    ZipEntryInfo info;
    info.name = file.entry;
    info.size = file.size;
    info.modified = file.modified;
    if (exists)
        m_zip.events().onUpdating(info);
    else
        m_zip.events().onAdding(info);
    zip_source_t* source = zip_source_file(za, file.path.c_str(), 0, 0);
    if (source == nullptr) {
        ++m_unreadable;
        return ZipResult::Success;
    }
    const zip_int64_t index =
        zip_file_add(za, file.entry.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return m_zip.failOn(archive);
    }
    const auto at = static_cast<zip_uint64_t>(index);
    const bool stored = m_zip.Compression <= 0 ||
                        hasStoredExtension(entryFileName(file.entry), m_zip.StoredExtensions);
    const int level = m_zip.Compression > 9 ? 9 : m_zip.Compression;
    if (zip_set_file_compression(za, at, stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 stored ? 0 : static_cast<zip_uint32_t>(level)) != 0 ||
        zip_file_set_mtime(za, at, file.modified, 0) != 0)
        return m_zip.failOn(archive);
    const std::string oldComment = comment;
    m_zip.events().onFileComment(file.given, file.entry, comment);
    comment = std::string(cutUtf8(comment, kMaxComment));
    // A replaced entry keeps its comment; setting the same one again trips libzip 1.7.
    if (comment != oldComment &&
        zip_file_set_comment(za, at, comment.empty() ? nullptr : comment.data(),
                             static_cast<zip_uint16_t>(comment.size()), ZIP_FL_ENC_UTF_8) != 0)
        return m_zip.failOn(archive);
    m_written.push_back(file.entry);
    return ZipResult::Success;
}

// The records of what was written, read from the committed archive.
void ZipAdder::readBack() {
    ZipHandle archive;
    if (archive.open(m_zip.ZipFileName, ZipHandle::Mode::Read) != 0)
        return;
    for (const std::string& name : m_written) {
        const zip_int64_t index = zip_name_locate(archive.get(), name.c_str(), 0);
        ZipEntryInfo info;
        if (index >= 0 && readZipEntryInfo(archive, static_cast<std::uint64_t>(index), info))
            m_zip.m_processed.push_back(std::move(info));
    }
}

int ZipAdder::run() {
    m_archiveExists = ::stat(m_zip.ZipFileName.c_str(), &m_archiveFile) == 0;
    for (const std::string& given : m_zip.FilesToProcess)
        if (!given.empty())
            gather(given);
    std::set<std::string> names;
    for (const SourceFile& file : m_files)
        if (!names.insert(file.entry).second)
            return ZipResult::NamesRepeated;
    if (m_files.empty())
        return m_unreadable ? ZipResult::CannotAccess
                            : (m_skipped ? ZipResult::FilesSkipped : ZipResult::NothingToDo);
    ZipHandle archive;
    if (int opened = archive.open(m_zip.ZipFileName, ZipHandle::Mode::CreateOrOpen); opened != 0)
        return m_zip.fail(opened, archive.failureKind());
    zip_register_progress_callback_with_state(
        archive.get(), 0.05,
        [](zip_t*, double done, void* events) {
            static_cast<ZipEvents*>(events)->onStatus(static_cast<int>(done * 100));
        },
        nullptr, &m_zip.events());
    for (const SourceFile& file : m_files)
        if (int staged = stage(archive, file); staged != 0)
            return staged;
    if (m_written.empty()) {
        archive.discard();
        return m_unreadable ? ZipResult::CannotAccess : ZipResult::NothingToDo;
    }
    if (int committed = archive.commit(); committed != 0)
        return m_zip.fail(committed, archive.failureKind());
    readBack();
    if (m_unreadable)
        return ZipResult::CannotAccess;
    return m_skipped ? ZipResult::FilesSkipped : ZipResult::Success;
}

int ZipComponent::add() {
    begin("adding");
    ZipAdder adder(*this);
    return finish(adder.run());
}

} // namespace quarlo
