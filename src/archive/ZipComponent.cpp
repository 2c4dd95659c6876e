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

int ZipComponent::finish(int result) {
    FilesToProcess.clear();
    m_events->onStatus(100);
    return result;
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
    m_processed.clear();
    entries = 0;
    ZipHandle archive;
    if (int opened = archive.open(ZipFileName, ZipHandle::Mode::Read); opened != 0)
        return finish(opened);
    entries = zip_get_num_entries(archive.get(), 0);
    return finish(ZipResult::Success);
}

int ZipComponent::list() {
    m_processed.clear();
    ZipHandle archive;
    if (int opened = archive.open(ZipFileName, ZipHandle::Mode::Read); opened != 0)
        return finish(opened);
    if (zip_get_num_entries(archive.get(), 0) == 0)
        return finish(ZipResult::EmptyZipFile);
    const std::vector<std::uint64_t> indexes = matchingEntries(archive);
    for (std::uint64_t index : indexes) {
        ZipEntryInfo info;
        if (!readZipEntryInfo(archive, index, info))
            return finish(archive.lastError());
        m_events->onListing(info);
    }
    return finish(indexes.empty() ? ZipResult::NothingToDo : ZipResult::Success);
}

int ZipComponent::entryInfo(std::uint64_t index, ZipEntryInfo& info) {
    m_processed.clear();
    ZipHandle archive;
    if (int opened = archive.open(ZipFileName, ZipHandle::Mode::Read); opened != 0)
        return finish(opened);
    if (index >= static_cast<std::uint64_t>(zip_get_num_entries(archive.get(), 0)))
        return finish(ZipResult::OtherError);
    if (!readZipEntryInfo(archive, index, info))
        return finish(archive.lastError());
    return finish(ZipResult::Success);
}

int ZipComponent::remove() {
    m_processed.clear();
    ZipHandle archive;
    if (int opened = archive.open(ZipFileName, ZipHandle::Mode::Change); opened != 0)
        return finish(opened);
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
            return finish(archive.lastError());
        m_events->onDeleting(info.name);
        if (zip_delete(archive.get(), index) != 0)
            return finish(archive.lastError());
        removed.push_back(std::move(info));
    }
    if (int committed = archive.commit(); committed != 0)
        return finish(committed);
    m_processed = std::move(removed);
    return finish(ZipResult::Success);
}

} // namespace quarlo
