#pragma once

#include "platform/Result.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quarlo {

class SettingsStore;

// The category of a URL that no category of the table lists.
inline constexpr std::string_view kUnknownFileType = "Unknown";
// The one category whose URLs are pages (compared exactly).
inline constexpr std::string_view kHtmlFileType = "HTML";

// One value of the file-type table: its name and its data, the extensions each with its
// leading dot and each followed by ";" (".gif;.jpg;.jpeg;").
struct FileTypeCategory {
    std::string name;
    std::string extensions;
};

// The ";"-terminated extensions of a category's data, in order; a text after the last ";"
// is not an extension.
std::vector<std::string> splitExtensions(std::string_view data);

// The file-type table, kept in the settings store under kFileTypesKey. An object reads the
// table when it is made and again whenever the store's content moved, so the lookups for
// the links of a page cost no file access; a change written by another process is seen by
// the objects made after it (the engine makes one per page or per queue operation). Values
// that are not strings are passed over. A missing table is not an error: every URL is then
// "Unknown". An object is used by one thread at a time.
class FileTypes {
public:
    explicit FileTypes(SettingsStore& store);

    // The string values of the table in enumeration order.
    std::vector<FileTypeCategory> categories() const;

    // The category of a URL: by its extension (a directory or a query without image marks
    // counts as ".htm"), the first category whose data contains the extension followed by
    // ";"; "Unknown" when none does. A query does not change the category of a document
    // extension filed under another category than "HTML" (keptExtension).
    std::string URLFileType(std::string_view url) const;
    // For a URL with a query, the extension of its document as written when the table files
    // it under a category other than "HTML" ("a.css?v=3" gives ".css"); "" otherwise. Such a
    // URL is not a page, and its local name ends in that extension.
    std::string keptExtension(std::string_view url) const;
    // The category of a local file name by its lower-cased extension, or "" (also for a
    // name without extension).
    std::string FileTypeOfName(std::string_view fileName) const;

    // Lower-cased extensions of server pages that a saved copy renames to ".html": those of
    // the "HTML" category other than .htm and .html; .asp, .shtml, .phtml and .sml when the
    // table has no "HTML" category.
    const std::vector<std::string>& serverPageExtensions() const;

    // The file type dialog. The data of a category, empty when it does not exist.
    std::string extensionsOf(std::string_view category) const;
    // Writes a category; ";" is appended to data that does not end with one. Empty data is
    // written too. Names must not be empty; neither may hold control characters.
    Status writeCategory(std::string_view name, std::string_view extensions);
    // Removes a category; the protected ones are refused.
    Status deleteCategory(std::string_view name);
    // Removes one extension with its ";" from a category's data; protected ones are refused.
    Status deleteExtension(std::string_view category, std::string_view extension);

    // "HTML" and "Images", and .htm .html .shtm .shtml .asp .gif .jpg .jpeg, may not be
    // deleted (compared without regard to case).
    static bool isProtectedCategory(std::string_view name);
    static bool isProtectedExtension(std::string_view extension);

private:
    std::string categoryOfExtension(const std::string& extension) const;
    // The table as the store holds it now.
    const std::vector<FileTypeCategory>& table() const;

    SettingsStore* m_store;
    mutable std::vector<FileTypeCategory> m_table;
    mutable std::vector<std::string> m_serverExtensions; // derived from m_table
    // The answers of categoryOfExtension for m_table: a page asks for few extensions often.
    mutable std::unordered_map<std::string, std::string> m_categoryOfExtension;
    mutable std::uint64_t m_generation = 0;
    mutable bool m_loaded = false;
};

} // namespace quarlo
