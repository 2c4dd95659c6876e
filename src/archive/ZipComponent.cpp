#include "archive/ZipComponent.h"

#include "archive/ZipHandle.h"
#include "archive/ZipNames.h"

#include <zip.h>

namespace quarlo {

bool readZipEntryInfo(ZipHandle& archive, std::uint64_t index, ZipEntryInfo& info) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive.get(), index, 0, &stat) != 0 || stat.name == nullptr)
        return false;
    info = ZipEntryInfo();
    info.index = index;
    info.name = stat.name;
    info.isFolder = !info.name.empty() && info.name.back() == '/';
    if (stat.valid & ZIP_STAT_SIZE)
        info.size = static_cast<std::int64_t>(stat.size);
    if (stat.valid & ZIP_STAT_COMP_SIZE)
        info.packed = static_cast<std::int64_t>(stat.comp_size);
    if (stat.valid & ZIP_STAT_MTIME)
        info.modified = stat.mtime;
    if (info.size > 0 && info.packed < info.size)
        info.ratio = static_cast<int>(100 - info.packed * 100 / info.size);
    zip_uint32_t length = 0;
    if (const char* comment = zip_file_get_comment(archive.get(), index, &length, ZIP_FL_ENC_GUESS))
        info.comment.assign(comment, length);
    return true;
}

void ZipComponent::begin(const char* verb) {
    m_processed.clear();
    m_verb = verb;
    m_failureKind = ErrorCode::None;
    m_status = Status();
}

int ZipComponent::fail(int result, ErrorCode kind) {
    m_failureKind = kind;
    return result;
}

int ZipComponent::failOn(const ZipHandle& archive) {
    const int result = archive.lastError(); // notes the kind first
    return fail(result, archive.failureKind());
}

int ZipComponent::finish(int result) {
    FilesToProcess.clear();
    if (zipResultSeverity(result) >= 2) {
        const ErrorCode kind = m_failureKind != ErrorCode::None && m_failureKind != ErrorCode::Other
                                   ? m_failureKind
                                   : zipResultKind(result);
        // A declined Replace question shows no text of its own.
        const std::string text = zipResultMessage(result, m_verb);
        m_status = Status::failure(
            text.empty() ? std::string("Stopped while ") + m_verb + "." : text, kind);
    }
    m_events->onStatus(100);
    return result;
}

ErrorCode zipResultKind(int code) {
    switch (code) {
    case ZipResult::ArchiveNotFound:
        return ErrorCode::NotFound;
    case ZipResult::Corrupted:
    case 160: // damaged beyond what the Fix option mends
        return ErrorCode::Corrupt;
    case ZipResult::DiskFull:
        return ErrorCode::NoSpace;
    case ZipResult::UserAbort:
        return ErrorCode::Cancelled;
    default:
        return zipResultSeverity(code) >= 2 ? ErrorCode::Other : ErrorCode::None;
    }
}

std::vector<std::uint64_t> ZipComponent::matchingEntries(ZipHandle& archive) const {
    std::vector<std::uint64_t> indexes;
    const zip_int64_t total = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < total; ++i) {
        const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
        if (name == nullptr)
            continue;
        bool wanted = FilesToProcess.empty();
        for (const std::string& mask : FilesToProcess)
            wanted = wanted || zipMaskMatches(mask, name);
        if (wanted)
            indexes.push_back(static_cast<std::uint64_t>(i));
    }
    return indexes;
}

int ZipComponent::count(std::int64_t& entries) {
    begin("listing");
    entries = 0;
    ZipHandle archive;
    if (int opened = archive.open(ZipFileName, ZipHandle::Mode::Read); opened != 0)
        return finish(fail(opened, archive.failureKind()));
    entries = zip_get_num_entries(archive.get(), 0);
    return finish(ZipResult::Success);
}

int ZipComponent::list() {
    begin("listing");
    ZipHandle archive;
    if (int opened = archive.open(ZipFileName, ZipHandle::Mode::Read); opened != 0)
        return finish(fail(opened, archive.failureKind()));
    if (zip_get_num_entries(archive.get(), 0) == 0)
        return finish(ZipResult::EmptyZipFile);
    const std::vector<std::uint64_t> indexes = matchingEntries(archive);
    for (std::uint64_t index : indexes) {
        ZipEntryInfo info;
        if (!readZipEntryInfo(archive, index, info))
            return finish(failOn(archive));
        m_events->onListing(info);
    }
    return finish(indexes.empty() ? ZipResult::NothingToDo : ZipResult::Success);
}

int ZipComponent::entryInfo(std::uint64_t index, ZipEntryInfo& info) {
    begin("listing");
    ZipHandle archive;
    if (int opened = archive.open(ZipFileName, ZipHandle::Mode::Read); opened != 0)
        return finish(fail(opened, archive.failureKind()));
    if (index >= static_cast<std::uint64_t>(zip_get_num_entries(archive.get(), 0)))
        return finish(ZipResult::OtherError);
    if (!readZipEntryInfo(archive, index, info))
        return finish(failOn(archive));
    return finish(ZipResult::Success);
}

int ZipComponent::remove() {
    begin("deleting");
    ZipHandle archive;
    if (int opened = archive.open(ZipFileName, ZipHandle::Mode::Change); opened != 0)
        return finish(fail(opened, archive.failureKind()));
    if (zip_get_num_entries(archive.get(), 0) == 0)
        return finish(ZipResult::EmptyZipFile);
    // Nothing listed deletes nothing (never the whole archive by accident).
    const std::vector<std::uint64_t> indexes =
        FilesToProcess.empty() ? std::vector<std::uint64_t>() : matchingEntries(archive);
    if (indexes.empty())
        return finish(ZipResult::NothingToDo);
    std::vector<ZipEntryInfo> removed;
    for (std::uint64_t index : indexes) {
        ZipEntryInfo info;
        if (!readZipEntryInfo(archive, index, info))
            return finish(failOn(archive));
        m_events->onDeleting(info.name);
        if (zip_delete(archive.get(), index) != 0)
            return finish(failOn(archive));
        removed.push_back(std::move(info));
    }
    if (int committed = archive.commit(); committed != 0)
        return finish(fail(committed, archive.failureKind()));
    m_processed = std::move(removed);
    return finish(ZipResult::Success);
}

} // namespace quarlo
