#include "archive/ZipRecovery.h"

#include "archive/ZipComponent.h"
#include "engine/Queue.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <mutex>
#include <sys/stat.h>

namespace quarlo {

namespace {

// Entry times keep even seconds only: a file counts as newer from 2 s on.
constexpr std::time_t kEntryTimeSlack = 2;

bool isDone(const TQLQItem& item) {
    return item.Status >= QueueStatus::Saved && !item.waitsForParsing();
}

void putBack(TQLQItem& item) {
    SetStatus(item, QueueStatus::None);
    item.Message = kTransferIncomplete;
    StoreItem(item);
}

} // namespace

Result<std::map<std::string, ZipEntryInfo>> archiveEntriesOnDisk(const std::string& path) {
    class Entries : public ZipEvents {
    public:
        void onListing(const ZipEntryInfo& info) override { entries[info.name] = info; }
        std::map<std::string, ZipEntryInfo> entries;
    } listing;
    if (!fileExists(path))
        return listing.entries;
    ZipComponent zip;
    zip.setEvents(&listing);
    zip.ZipFileName = path;
    if (const int result = zip.list(); zipResultSeverity(result) == 2)
        return Status::failure(zipResultMessage(result, "listing") + " " + path);
    return listing.entries;
}

ZipAccount accountForZipEntries(TQLTask& task, const std::map<std::string, ZipEntryInfo>& archive,
                                const std::string& tempFolder, ZipEntryMatch match) {
    const std::string folder = withTrailingSlash(tempFolder);
    ZipAccount account;
    std::lock_guard lock(task.mutex());
    for (std::size_t i = 0; i < task.queue().size(); ++i) {
        std::unique_ptr<TQLQItem> item = LoadItem(task, i);
        if (!item || item->Status < QueueStatus::Saved)
            continue;
        const std::string local = LocalName(*item);
        if (local.compare(0, folder.size(), folder) != 0 || local.size() == folder.size())
            continue;
        struct stat file {};
        const bool inTemp = ::stat(local.c_str(), &file) == 0 && S_ISREG(file.st_mode);
        const auto entry = archive.find(local.substr(folder.size()));
        const bool inArchive = entry != archive.end();
        if (!isDone(*item)) {
            if (!inTemp) {
                putBack(*item);
                ++account.fetchAgain;
            }
            continue;
        }
        if (inTemp) {
            const bool zipped =
                inArchive && (match == ZipEntryMatch::Name ||
                              (entry->second.size == file.st_size &&
                               file.st_mtime - entry->second.modified < kEntryTimeSlack));
            if (!zipped) {
                task.zipList().push_back({local, std::move(item)});
                ++account.toZip;
            }
        } else if (!inArchive) {
            putBack(*item);
            ++account.fetchAgain;
        }
    }
    return account;
}

void fetchAgain(TQLTask& task, const std::vector<std::string>& urls) {
    std::lock_guard lock(task.mutex());
    for (const std::string& url : urls) {
        const std::optional<std::size_t> entry = task.queue().find(url);
        std::unique_ptr<TQLQItem> item = entry ? LoadItem(task, *entry) : nullptr;
        if (item && item->Status >= QueueStatus::Saved)
            putBack(*item);
    }
}

} // namespace quarlo
