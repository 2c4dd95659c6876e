#include "cli/ProfileOptions.h"

#include "model/CommaText.h"
#include "model/TQLProfile.h"

namespace quarlo::cli {

namespace {

// The largest size limit in KB the profile file holds.
constexpr long long kMaxSizeLimit = 2147483647;

constexpr std::pair<std::string_view, std::uint8_t> kLocations[] = {
    {"dir", TQLProfile::WithinDirectory},
    {"site", TQLProfile::WithinSite},
    {"anywhere", TQLProfile::Anywhere},
};

Result<std::uint8_t> locationCode(const std::string& option, const std::string& text) {
    for (const auto& [word, code] : kLocations)
        if (text == word)
            return code;
    return Status::failure(option + " takes dir, site or anywhere, not \"" + text + "\"");
}

// ".gif,.jpg" or "gif jpg": each entry gets its leading dot.
std::vector<std::string> fileTypeList(const std::string& text) {
    std::vector<std::string> types;
    for (std::string type : fromCommaText(text)) {
        if (type.empty())
            continue;
        if (type[0] != '.')
            type.insert(type.begin(), '.');
        types.push_back(type);
    }
    return types;
}

} // namespace

std::string_view locationWord(int code) {
    for (const auto& [word, known] : kLocations)
        if (code == known)
            return word;
    return "anywhere";
}

Status applyProfileOptions(Args& args, TQLProfile& profile, bool* changed) {
    bool any = false;
    if (auto depth = args.intOption("--depth")) {
        if (*depth < -1 || *depth > 1000000)
            return Status::failure("--depth takes -1 (all levels) or a number of levels");
        profile.setDepth(static_cast<std::int32_t>(*depth));
        any = true;
    }
    for (const auto& [option, setter] : {std::pair{"--pages", &TQLProfile::setPageLocation},
                                         std::pair{"--media", &TQLProfile::setResourceLocation}}) {
        if (auto text = args.option(option)) {
            auto code = locationCode(option, *text);
            if (!code)
                return code.status();
            (profile.*setter)(*code);
            any = true;
        }
    }
    if (auto types = args.option("--types")) {
        profile.setFileTypes(fileTypeList(*types));
        any = true;
    }
    if (auto include = args.options("--include"); !include.empty()) {
        profile.setUrlFiltersInclude(include);
        any = true;
    }
    if (auto exclude = args.options("--exclude"); !exclude.empty()) {
        profile.setUrlFiltersExclude(exclude);
        any = true;
    }
    if (auto aggressive = args.intOption("--aggressive")) {
        if (*aggressive < 0 || *aggressive > 2)
            return Status::failure("--aggressive takes 0, 1 or 2");
        profile.setAggressiveParser(static_cast<std::uint8_t>(*aggressive));
        any = true;
    }
    for (const auto& [option, setter] :
         {std::pair{"--max-page-size", &TQLProfile::setPageFileSizeMax},
          std::pair{"--max-media-size", &TQLProfile::setResourceFileSizeMax}}) {
        if (auto size = args.intOption(option)) {
            if (*size < 0 || *size > kMaxSizeLimit)
                return Status::failure(std::string(option) + " takes a size in KB (0: no limit)");
            (profile.*setter)(static_cast<std::int32_t>(*size));
            any = true;
        }
    }
    if (args.flag("--no-convert")) {
        profile.setConvertFollowedLinks(0);
        profile.setConvertUnfollowedLinks(0);
        any = true;
    }
    if (changed != nullptr)
        *changed = any;
    return {};
}

} // namespace quarlo::cli
