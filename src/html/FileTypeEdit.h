#pragma once

#include "platform/Result.h"

#include <string>
#include <string_view>

namespace quarlo {

class FileTypes;

// The extensions as the table keeps them: each lower-cased, with its leading dot and
// followed by ";" (".mp3;.wav" gives ".mp3;.wav;"). Blanks around an entry, empty entries
// and repeats are dropped; a missing dot is added. Links are looked up by their lower-cased
// extension followed by ";", so anything else could never match.
std::string normalizeExtensions(std::string_view text);

// The file type dialog without its window: "New File Type", or "Edit File Type" for a
// category of the table with its extensions filled in.
class FileTypeEdit {
public:
    static FileTypeEdit forNew();
    static FileTypeEdit forEdit(const FileTypes& table, std::string category);

    std::string_view caption() const;
    static std::string_view prompt();
    bool editing() const { return !m_original.empty(); }

    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    const std::string& extensions() const { return m_extensions; }
    void setExtensions(std::string extensions) { m_extensions = std::move(extensions); }
    // OK needs a name.
    bool okEnabled() const;

    // Writes the category (also with no extensions). A category renamed in edit mode
    // replaces the old one, unless that is a built-in one, which stays.
    Status save(FileTypes& table) const;

private:
    FileTypeEdit(std::string original, std::string extensions);

    std::string m_original;
    std::string m_name;
    std::string m_extensions;
};

} // namespace quarlo
