#include "archive/ZipCopies.h"

#include "platform/FileUtil.h"

#include <zip.h>

namespace quarlo {

ZipCopies::ZipCopies(std::string tempFolder, std::string archivePath,
                     std::map<std::string, ZipEntryInfo> entries, std::set<std::string> staged)
    : m_tempFolder(withTrailingSlash(std::move(tempFolder))), m_archivePath(std::move(archivePath)),
      m_entries(std::move(entries)), m_staged(std::move(staged)) {}

// "" for a file outside the Temp folder, which no entry stands for.
std::string ZipCopies::entryName(const std::string& localFile) const {
    if (localFile.size() <= m_tempFolder.size() ||
        localFile.compare(0, m_tempFolder.size(), m_tempFolder) != 0)
        return std::string();
    return localFile.substr(m_tempFolder.size());
}

bool ZipCopies::holds(const std::string& localFile) {
    const std::string name = entryName(localFile);
    return !name.empty() && (m_staged.count(name) != 0 || m_entries.count(name) != 0);
}

// A staged file is newer than its entry; any other page is read where it already is.
std::optional<std::string> ZipCopies::read(const std::string& localFile) {
    const std::string name = entryName(localFile);
    if (name.empty())
        return std::nullopt;
    if (m_staged.count(name) != 0)
        return readFile(localFile);
    return readEntry(name);
}

std::optional<std::string> ZipCopies::readEntry(const std::string& name) {
    const auto entry = m_entries.find(name);
    if (entry == m_entries.end())
        return std::nullopt;
    if (!m_archive && m_archive.open(m_archivePath, ZipHandle::Mode::Read) != 0)
        return std::nullopt;
    zip_file_t* in = zip_fopen_index(m_archive.get(), entry->second.index, 0);
    if (in == nullptr)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    zip_int64_t got = 0;
    while ((got = zip_fread(in, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    zip_fclose(in);
    if (got < 0)
        return std::nullopt;
    return text;
}

// The Temp folder may have lost the page's file (and its folder) since an earlier commit.
Status ZipCopies::replace(const TQLQItem& page, const std::string& localFile,
                          const std::string& text) {
    const std::string name = entryName(localFile);
    if (name.empty())
        return Status::failure("Not in the Temp folder: " + localFile);
    if (Status made = forceDirectories(folderOf(localFile)); !made)
        return made;
    if (Status written = replacePageText(localFile, text); !written)
        return written;
    if (m_staged.insert(name).second)
        m_replaced.push_back({localFile, std::make_unique<TQLQItem>(page)});
    return {};
}

} // namespace quarlo
