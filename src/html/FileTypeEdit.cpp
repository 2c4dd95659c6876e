#include "html/FileTypeEdit.h"

#include "html/FileTypes.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <vector>

namespace quarlo {

std::string normalizeExtensions(std::string_view text) {
    std::vector<std::string> seen;
    std::string result;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(';'), text.size());
        std::string entry = asciiLower(trimBlanks(text.substr(0, end)));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (entry.empty() || entry == ".")
            continue;
        if (entry.front() != '.')
            entry.insert(entry.begin(), '.');
        if (std::find(seen.begin(), seen.end(), entry) != seen.end())
            continue;
        seen.push_back(entry);
        result += entry + ';';
    }
    return result;
}

FileTypeEdit::FileTypeEdit(std::string original, std::string extensions)
    : m_original(original), m_name(std::move(original)), m_extensions(std::move(extensions)) {}

FileTypeEdit FileTypeEdit::forNew() {
    return FileTypeEdit({}, {});
}

FileTypeEdit FileTypeEdit::forEdit(const FileTypes& table, std::string category) {
    std::string extensions = table.extensionsOf(category);
    return FileTypeEdit(std::move(category), std::move(extensions));
}

std::string_view FileTypeEdit::caption() const {
    return editing() ? "Edit File Type" : "New File Type";
}

std::string_view FileTypeEdit::prompt() {
    return "Enter one or more file extensions separated by semicolons):";
}

bool FileTypeEdit::okEnabled() const {
    return !trimBlanks(m_name).empty();
}

Status FileTypeEdit::save(FileTypes& table) const {
    const std::string name(trimBlanks(m_name));
    if (name.empty())
        return Status::failure("A file type needs a name.");
    if (Status written = table.writeCategory(name, normalizeExtensions(m_extensions)); !written)
        return written;
    // Names are compared without regard to case, so "audio" for "Audio" is the same value.
    if (!editing() || equalsNoCase(name, m_original) || FileTypes::isProtectedCategory(m_original))
        return {};
    const auto categories = table.categories();
    const bool oldExists =
        std::any_of(categories.begin(), categories.end(),
                    [&](const FileTypeCategory& c) { return equalsNoCase(c.name, m_original); });
    return oldExists ? table.deleteCategory(m_original) : Status();
}

} // namespace quarlo
