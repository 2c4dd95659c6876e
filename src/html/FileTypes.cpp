#include "html/FileTypes.h"

#include "html/TextSearch.h"
#include "html/UrlFunctions.h"
#include "platform/SettingsStore.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <array>

namespace quarlo {

namespace {

constexpr std::array<std::string_view, 2> kProtectedCategories = {"HTML", "Images"};
constexpr std::array<std::string_view, 8> kProtectedExtensions = {
    ".htm", ".html", ".shtm", ".shtml", ".asp", ".gif", ".jpg", ".jpeg"};
constexpr std::array<std::string_view, 4> kFallbackServerExtensions = {".asp", ".shtml", ".phtml",
                                                                       ".sml"};

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 || b == 0x7F;
    });
}

// The extension a URL is filed under: its own, ".htm" for a directory, and for a URL with
// a query the image it seems to serve, else ".htm".
std::string extensionForType(std::string_view url) {
    // Without a "?" there is no query, and the extension is the document's.
    if (url.find('?') == std::string_view::npos) {
        std::string e = URLExtension(url);
        return e.empty() ? ".htm" : e;
    }
    if (URLQuery(url).empty()) {
        return ".html"; // the "?" stands before the path
    }
    if (url.find("=gif") != std::string_view::npos) {
        return ".gif";
    }
    if (url.find("=jpg") != std::string_view::npos) {
        return ".jpg";
    }
    if (url.find(".gif") != std::string_view::npos) {
        return ".gif";
    }
    if (url.find(".jpg") != std::string_view::npos) {
        return ".jpg";
    }
    return ".htm";
}

std::vector<std::string> serverExtensionsOf(const std::vector<FileTypeCategory>& table) {
    for (const auto& category : table) {
        if (category.name != kHtmlFileType) {
            continue;
        }
        std::vector<std::string> result;
        for (const auto& extension : splitExtensions(category.extensions)) {
            std::string lower = asciiLower(extension);
            if (!lower.empty() && lower != ".htm" && lower != ".html") {
                result.push_back(std::move(lower));
            }
        }
        return result;
    }
    return {kFallbackServerExtensions.begin(), kFallbackServerExtensions.end()};
}

} // namespace

std::vector<std::string> splitExtensions(std::string_view data) {
    std::vector<std::string> result;
    for (std::size_t end = data.find(';'); end != std::string_view::npos; end = data.find(';')) {
        result.emplace_back(data.substr(0, end));
        data.remove_prefix(end + 1);
    }
    return result;
}

FileTypes::FileTypes(SettingsStore& store) : m_store(&store) {}

const std::vector<FileTypeCategory>& FileTypes::table() const {
    if (m_loaded && m_generation == m_store->generation()) {
        return m_table;
    }
    // The values are read first: reading may itself move the generation (a reread file).
    auto values = m_store->values(kFileTypesKey);
    m_generation = m_store->generation();
    m_loaded = true;
    m_table.clear();
    for (auto& entry : values) {
        if (entry.value.type == RegValue::Type::String) {
            m_table.push_back({std::move(entry.name), std::move(entry.value.text)});
        }
    }
    m_serverExtensions = serverExtensionsOf(m_table);
    m_categoryOfExtension.clear();
    return m_table;
}

std::vector<FileTypeCategory> FileTypes::categories() const {
    return table();
}

std::string FileTypes::categoryOfExtension(const std::string& extension) const {
    const std::vector<FileTypeCategory>& categories = table();
    if (const auto known = m_categoryOfExtension.find(extension);
        known != m_categoryOfExtension.end()) {
        return known->second;
    }
    const std::string wanted = extension + ";";
    std::string found;
    for (const auto& category : categories) {
        if (category.extensions.find(wanted) != std::string::npos) {
            found = category.name;
            break;
        }
    }
    m_categoryOfExtension.emplace(extension, found);
    return found;
}

std::string FileTypes::keptExtension(std::string_view url) const {
    if (url.find('?') == std::string_view::npos) {
        return {};
    }
    std::string extension = URLDocumentExtension(url);
    if (extension.size() < 2) {
        return {};
    }
    const std::string category = categoryOfExtension(asciiLower(extension));
    return category.empty() || category == kHtmlFileType ? std::string() : extension;
}

std::string FileTypes::URLFileType(std::string_view url) const {
    const std::string kept = keptExtension(url);
    std::string found =
        categoryOfExtension(kept.empty() ? extensionForType(url) : asciiLower(kept));
    return found.empty() ? std::string(kUnknownFileType) : found;
}

std::string FileTypes::FileTypeOfName(std::string_view fileName) const {
    const std::string_view name = fileName.substr(fileName.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == name.size()) {
        return {}; // ";" alone would match the first category
    }
    return categoryOfExtension(asciiLower(name.substr(dot)));
}

const std::vector<std::string>& FileTypes::serverPageExtensions() const {
    table();
    return m_serverExtensions;
}

std::string FileTypes::extensionsOf(std::string_view category) const {
    for (const auto& entry : table()) {
        if (equalsNoCase(entry.name, category)) {
            return entry.extensions;
        }
    }
    return {};
}

Status FileTypes::writeCategory(std::string_view name, std::string_view extensions) {
    if (name.empty()) {
        return Status::failure("A file type needs a name.");
    }
    if (hasControlCharacter(name) || hasControlCharacter(extensions)) {
        return Status::failure("A file type and its extensions must fit on one line.");
    }
    std::string data(extensions);
    if (!data.empty() && data.back() != ';') {
        data += ';';
    }
    if (Status written = m_store->writeText(kFileTypesKey, name, data); !written) {
        return Status::failure("Unable to write the file type table.", written.code());
    }
    return {};
}

Status FileTypes::deleteCategory(std::string_view name) {
    if (isProtectedCategory(name)) {
        return Status::failure("The file type " + std::string(name) + " cannot be deleted.");
    }
    const auto& all = table();
    const bool exists = std::any_of(all.begin(), all.end(), [&](const FileTypeCategory& c) {
        return equalsNoCase(c.name, name);
    });
    if (!exists) {
        return Status::failure("There is no file type " + std::string(name) + ".");
    }
    if (Status written = m_store->deleteValue(kFileTypesKey, name); !written) {
        return Status::failure("Unable to write the file type table.", written.code());
    }
    return {};
}

Status FileTypes::deleteExtension(std::string_view category, std::string_view extension) {
    if (isProtectedExtension(extension)) {
        return Status::failure("The extension " + std::string(extension) + " cannot be deleted.");
    }
    const std::string data = extensionsOf(category);
    std::size_t begin = 0;
    for (std::size_t end = data.find(';'); end != std::string::npos;
         begin = end + 1, end = data.find(';', begin)) {
        if (equalsNoCase(std::string_view(data).substr(begin, end - begin), extension)) {
            const std::string rest = data.substr(0, begin) + data.substr(end + 1);
            if (Status written = m_store->writeText(kFileTypesKey, category, rest); !written) {
                return Status::failure("Unable to write the file type table.", written.code());
            }
            return {};
        }
    }
    return Status::failure("The file type " + std::string(category) + " has no extension " +
                           std::string(extension) + ".");
}

bool FileTypes::isProtectedCategory(std::string_view name) {
    return std::any_of(kProtectedCategories.begin(), kProtectedCategories.end(),
                       [&](std::string_view p) { return equalsNoCase(p, name); });
}

bool FileTypes::isProtectedExtension(std::string_view extension) {
    return std::any_of(kProtectedExtensions.begin(), kProtectedExtensions.end(),
                       [&](std::string_view p) { return equalsNoCase(p, extension); });
}

} // namespace quarlo
