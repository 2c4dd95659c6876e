#include "archive/ZipNames.h"

#include "platform/TextUtil.h"

#include <fnmatch.h>
#include <vector>

namespace quarlo {

namespace {

std::vector<std::string_view> segmentsOf(std::string_view path, std::string_view separators) {
    std::vector<std::string_view> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of(separators, start);
        if (end == std::string_view::npos)
            end = path.size();
        segments.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return segments;
}

} // namespace

std::string normalizeZipMask(std::string_view mask) {
    std::string result(mask);
    for (char& c : result)
        if (c == '\\')
            c = '/';
    return result;
}

bool hasWildcards(std::string_view text) {
    return text.find_first_of("*?[") != std::string_view::npos;
}

bool zipMaskMatches(std::string_view rawMask, std::string_view entry) {
    const std::string mask = normalizeZipMask(rawMask);
    if (entry == rawMask || entry == mask)
        return true; // names holding "[" or "*" still match themselves
    if (mask.size() >= 3 && mask.compare(mask.size() - 3, 3, "*.*") == 0) {
        const std::string_view folder = std::string_view(mask).substr(0, mask.size() - 3);
        if (!hasWildcards(folder))
            return entry.substr(0, folder.size()) == folder;
    }
    if (!hasWildcards(mask)) {
        if (!mask.empty() && mask.back() == '/')
            return entry.substr(0, mask.size()) == mask;
        return entry == mask;
    }
    return ::fnmatch(mask.c_str(), std::string(entry).c_str(), 0) == 0;
}

bool isSafeEntryName(std::string_view entry) {
    if (entry.empty() || entry.front() == '/' || entry.front() == '\\')
        return false;
    if (entry.find('\0') != std::string_view::npos)
        return false;
    if (entry.size() >= 2 && entry[1] == ':')
        return false;
    for (std::string_view segment : segmentsOf(entry, "/\\"))
        if (segment == "..")
            return false;
    return true;
}

std::string entryFileName(std::string_view entry) {
    if (!entry.empty() && entry.back() == '/')
        entry.remove_suffix(1);
    const std::size_t slash = entry.rfind('/');
    return std::string(slash == std::string_view::npos ? entry : entry.substr(slash + 1));
}

std::string entryFolder(std::string_view entry) {
    const std::size_t slash = entry.rfind('/');
    return slash == std::string_view::npos ? std::string()
                                           : std::string(entry.substr(0, slash + 1));
}

std::string normalizedPath(std::string_view path) {
    std::vector<std::string_view> kept;
    for (std::string_view segment : segmentsOf(path, "/")) {
        if (segment.empty() || segment == ".")
            continue;
        if (segment == "..") {
            if (!kept.empty())
                kept.pop_back();
            continue;
        }
        kept.push_back(segment);
    }
    std::string result;
    for (std::string_view segment : kept) {
        result += '/';
        result += segment;
    }
    return result.empty() ? "/" : result;
}

bool hasStoredExtension(std::string_view fileName, std::string_view storedExtensions) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string_view extension = fileName.substr(dot);
    for (std::string_view item : segmentsOf(storedExtensions, ";")) {
        item = trimBlanks(item);
        if (!item.empty() && equalsNoCase(item, extension))
            return true;
    }
    return false;
}

} // namespace quarlo
