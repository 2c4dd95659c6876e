#pragma once

#include "archive/ZipEvents.h"
#include "archive/ZipHandle.h"
#include "engine/LinkRepair.h"
#include "model/TQLQItem.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quarlo {

// The copies of a Zip-mode run at its final commit, for the repair of its recorded links:
// the archive's entries and the files staged for the commit, named as below the Temp folder.
// A corrected page is written to its file in the Temp folder and waits, with its item, to be
// staged for the same commit.
class ZipCopies : public SavedCopies {
public:
    ZipCopies(std::string tempFolder, std::string archivePath,
              std::map<std::string, ZipEntryInfo> entries, std::set<std::string> staged);

    bool holds(const std::string& localFile) override;
    std::optional<std::string> read(const std::string& localFile) override;
    Status replace(const TQLQItem& page, const std::string& localFile,
                   const std::string& text) override;
    // The commit that follows makes the pages durable; the log copes with either form.
    Status settle() override { return {}; }

    // The corrected pages that were not staged yet.
    std::vector<ZipListEntry> takeReplaced() { return std::move(m_replaced); }

private:
    std::string entryName(const std::string& localFile) const;
    std::optional<std::string> readEntry(const std::string& name);

    std::string m_tempFolder; // with its trailing "/"
    std::string m_archivePath;
    std::map<std::string, ZipEntryInfo> m_entries;
    std::set<std::string> m_staged;
    ZipHandle m_archive; // opened for the first page read from it
    std::vector<ZipListEntry> m_replaced;
};

} // namespace quarlo
