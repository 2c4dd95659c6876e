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

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Whole UTF-8 characters only: no stray continuation byte, overlong form, surrogate or
// code point beyond U+10FFFF.
bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = 0;
        char32_t point = 0;
        if (lead < 0x80) {
            length = 1;
            point = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            point = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            point = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            point = (point << 6) | (next & 0x3F);
        }
        const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
        if (overlong || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

std::string displaySegment(std::string_view segment) {
    std::string decoded;
    for (std::size_t i = 0; i < segment.size(); ++i) {
        if (segment[i] == '%' && i + 2 < segment.size() && hexDigit(segment[i + 1]) >= 0 &&
            hexDigit(segment[i + 2]) >= 0) {
            decoded += static_cast<char>(hexDigit(segment[i + 1]) * 16 + hexDigit(segment[i + 2]));
            i += 2;
        } else {
            decoded += segment[i];
        }
    }
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
