#pragma once

#include "platform/TextUtil.h"

#include <cstddef>
#include <string>

namespace quarlo {

// Answers fileExists() for many files of a few folders: a folder asked about often is listed
// once, and its names answer instead of a stat per file. A listing is not read again: for a
// moment in which nothing else adds files to those folders.
class FolderListings {
public:
    // A regular file (or a link to one).
    bool holdsFile(const std::string& path);

private:
    using Names = TextMap<unsigned char>;
    struct Folder {
        std::size_t asked = 0;
        bool listed = false;
        bool unlistable = false;
        Names types; // the type of each entry, as the listing gives it
    };

    static bool list(const std::string& folder, Names& types);

    TextMap<Folder> m_folders;
};

} // namespace quarlo
