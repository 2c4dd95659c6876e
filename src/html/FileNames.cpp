#include "html/FileNames.h"

#include "html/TextSearch.h"
#include "html/UrlFunctions.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quarlo {

namespace {

constexpr std::size_t kMaxShortName = 200;

bool isUsableName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return c == '/' || b < 0x20 || b == 0x7F;
    });
}

bool pathExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// The name that the host rules give; may be empty or unusable.
std::string shortNameByRules(const std::string& url) {
    const std::size_t www = url.find("www.");
    if (www == std::string::npos) {
        std::string host = URLHost(url);
        if (const std::size_t dot = host.find('.'); dot != std::string::npos) {
            host[dot] = '_';
            host = host.substr(0, host.find('.', dot + 1));
        }
        return host;
    }
    const std::string rest = url.substr(www + 4);
    const std::size_t dot = rest.find('.');
    return dot == std::string::npos ? std::string() : rest.substr(0, dot);
}

std::string displaySegment(std::string_view segment) {
    std::string decoded = percentDecode(segment);
    return isUsableName(decoded) && isValidUtf8(decoded) ? decoded : std::string(segment);
}

} // namespace

std::string displayFileName(std::string_view name) {
    std::string shown;
    std::size_t begin = 0;
    while (true) {
        const std::size_t slash = name.find('/', begin);
        const std::string_view segment = name.substr(begin, slash - begin);
        shown += segment.empty() ? std::string() : displaySegment(segment);
        if (slash == std::string_view::npos)
            return shown;
        shown += '/';
        begin = slash + 1;
    }
}

std::string SiteShortName(std::string_view url) {
    const std::string slashed = ToSlashes(url);
    std::string name = shortNameByRules(slashed);
    if (!isUsableName(name)) {
        name = URLHost(slashed);
        std::replace(name.begin(), name.end(), '.', '_');
        if (!isUsableName(name)) {
            name = "site";
        }
    }
    return std::string(cutUtf8(name, kMaxShortName));
}

std::string FileNameNoExt(std::string_view path) {
    std::string_view name = path.substr(path.rfind('/') + 1);
    return std::string(name.substr(0, name.rfind('.')));
}

std::string UniqueFileName(std::string_view path) {
    const std::size_t nameBegin = path.rfind('/') + 1;
    const std::string_view name = path.substr(nameBegin);
    const std::size_t dot = name.rfind('.');
    const std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot);
    const std::string stem = std::string(path.substr(0, nameBegin)) +
                             std::string(name.substr(0, name.size() - ext.size()));
    std::string candidate(path);
    for (unsigned k = 0; pathExists(candidate); ++k) {
        candidate = stem + "(" + std::to_string(k) + ")" + std::string(ext);
    }
    return candidate;
}

bool CopyFileMakingFolder(const std::string& source, const std::string& target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::path(target).parent_path();
    if (!folder.empty() && !fs::exists(folder, ec)) {
        fs::create_directories(folder, ec);
    }
    ec.clear();
    return fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec) && !ec;
}

} // namespace quarlo
