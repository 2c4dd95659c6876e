#include "support/CopiedLinks.h"

#include "platform/TextUtil.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

namespace quarlo::test {

namespace {

struct Pattern {
    std::regex regex;
    bool srcset;
};

const std::vector<Pattern>& patterns() {
    static const std::vector<Pattern> list = {
        {std::regex(R"re(\b(?:src|href|poster|data)\s*=\s*"([^"]*)")re"), false},
        {std::regex(R"re(\bsrcset\s*=\s*"([^"]*)")re"), true},
        {std::regex(R"re(url\(\s*(?:&quot;|['"])?([^'")\s&]*))re"), false},
        {std::regex(R"re(@import\s+['"]([^'"]*))re"), false},
    };
    return list;
}

std::vector<std::string> srcsetParts(const std::string& value, bool wantUrls) {
    std::vector<std::string> parts;
    std::istringstream candidates(value);
    for (std::string candidate; std::getline(candidates, candidate, ',');) {
        std::istringstream words(candidate);
        std::string url, descriptor;
        words >> url >> descriptor;
        parts.push_back(wantUrls ? url : descriptor);
    }
    return parts;
}

} // namespace

std::vector<TextLink> textLinksOf(const std::string& text) {
    std::vector<TextLink> links;
    for (const Pattern& pattern : patterns())
        for (std::sregex_iterator it(text.begin(), text.end(), pattern.regex), end; it != end; ++it)
            links.push_back({static_cast<std::size_t>(it->position(1)),
                             static_cast<std::size_t>(it->length(1)), pattern.srcset,
                             (*it)[1].str()});
    std::sort(links.begin(), links.end(),
              [](const TextLink& a, const TextLink& b) { return a.offset < b.offset; });
    return links;
}

std::string withoutLinkValues(const std::string& text) {
    std::string out;
    std::size_t copied = 0;
    for (const TextLink& link : textLinksOf(text)) {
        if (link.offset < copied)
            continue; // inside one replaced already
        out.append(text, copied, link.offset - copied);
        out += '@';
        copied = link.offset + link.length;
    }
    return out.append(text, copied);
}

std::vector<std::string> candidatesOf(const TextLink& link) {
    return link.srcset ? srcsetParts(link.text, true) : std::vector<std::string>{link.text};
}

std::vector<std::string> descriptorsOf(const TextLink& link) {
    return link.srcset ? srcsetParts(link.text, false) : std::vector<std::string>{};
}

std::string resolvedPath(const std::string& filePath, const std::string& link, bool keepQuery) {
    std::string target = link.substr(0, link.find('#'));
    if (!keepQuery)
        target = percentDecode(target.substr(0, target.find('?')));
    const std::filesystem::path folder = std::filesystem::path("/" + filePath).parent_path();
    return (folder / target).lexically_normal().string().substr(1);
}

} // namespace quarlo::test
