#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace quarlo {

// What to do with a file that already exists where an entry is extracted.
enum class ZipOverwrite { xowAsk, xowNever, xowAlways };

// The answers to the Replace question.
enum class ZipReplaceAnswer { Yes, No, Cancel, All };

// What an add does with the listed files: add every one (replacing entries of the same
// name), replace only entries already in the archive, or replace an entry only with a newer
// file and add the files it lacks.
enum class ZipAddAction { AddAndReplace = 0, Freshen = 1, Update = 2 };

// The statistics record of one entry.
struct ZipEntryInfo {
    std::uint64_t index = 0;
    std::string name; // with its path inside the archive, "/"-separated
    std::int64_t size = 0;
    std::int64_t packed = 0;
    int ratio = 0; // the saving in percent: 100 - packed / size * 100, 0 when nothing is saved
    std::time_t modified = 0;
    std::string comment;   // at most 255 bytes
    bool isFolder = false; // a folder entry ("name/")
};

// The component's events. Every handler has a default that does nothing (Replace answers No).
class ZipEvents {
public:
    virtual ~ZipEvents() = default;
    virtual void onListing(const ZipEntryInfo&) {}
    virtual void onAdding(const ZipEntryInfo&) {}
    virtual void onUpdating(const ZipEntryInfo&) {}
    virtual void onExtracting(const ZipEntryInfo&) {}
    virtual void onDeleting(const std::string&) {}
    // An extraction would write over an existing file.
    virtual ZipReplaceAnswer onReplace(const std::string& /*existingFile*/,
                                       const std::string& /*newFile*/) {
        return ZipReplaceAnswer::No;
    }
    // Fills in the comment of the file being added (its path as given and its entry name).
    virtual void onFileComment(const std::string& /*file*/, const std::string& /*entry*/,
                               std::string& /*comment*/) {}
    // Progress of the operation, 0..100.
    virtual void onStatus(int /*percent*/) {}
};

} // namespace quarlo
