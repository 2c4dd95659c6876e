#include "model/MainWindowRules.h"

#include "model/UiTexts.h"
#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"
#include "platform/TextUtil.h"
#include "schedule/Schedule.h"

#include <algorithm>
#include <charconv>

namespace quarlo {

namespace {

int readNumber(const SettingsStore& settings, const char* name, int def) {
    const std::string text = settings.readText(kFormKey, name, std::to_string(def));
    int value = def;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : def;
}

bool hasExtension(const std::string& path, std::string_view extension) {
    return path.size() > extension.size() &&
           equalsNoCase(std::string_view(path).substr(path.size() - extension.size()), extension);
}

} // namespace

WindowPlacement readWindowPlacement(const SettingsStore& settings) {
    WindowPlacement placement;
    placement.left = std::max(readNumber(settings, "Left", 0), 0);
    placement.top = std::max(readNumber(settings, "Top", 0), 0);
    placement.width = readNumber(settings, "Width", 640);
    placement.height = readNumber(settings, "Height", 480);
    if (placement.width < 600)
        placement.width = 640;
    if (placement.height < 400)
        placement.height = 480;
    return placement;
}

void storeWindowPlacement(SettingsStore& settings, const WindowPlacement& placement) {
    settings.writeText(kFormKey, "Left", std::to_string(placement.left));
    settings.writeText(kFormKey, "Top", std::to_string(placement.top));
    settings.writeText(kFormKey, "Width", std::to_string(placement.width));
    settings.writeText(kFormKey, "Height", std::to_string(placement.height));
}

LaunchRequest classifyLaunchParameter(const std::string& parameter, bool secondStart) {
    const std::string lower = asciiLower(parameter);
    if (lower.starts_with("http://") || lower.starts_with("https://"))
        return secondStart ? LaunchRequest::None : LaunchRequest::NewTask;
    if (hasExtension(parameter, ".qlt"))
        return LaunchRequest::AddTask;
    if (hasExtension(parameter, ".zip"))
        return LaunchRequest::OpenZip;
    return LaunchRequest::None;
}

std::string saveModeHint(bool intranetMode, const std::string& folder) {
    const int first = intranetMode ? 684 : 687;
    std::string hint;
    for (int n = first; n < first + 3; ++n)
        hint += uiText(n) + "\n";
    return hint + folder;
}

std::string dailyArchivePath(const std::string& downloadsFolder, DateTime day) {
    std::string date = shortDateText(day);
    std::replace(date.begin(), date.end(), '/', '-');
    return downloadsFolder + uiText(725) + date + ".zip";
}

std::string dailyArchiveCaption(DateTime day) {
    return uiText(723) + shortDateText(day);
}

std::vector<std::string> downloadsMenuArchives(const std::string& downloadsFolder) {
    std::vector<std::string> names = listFiles(downloadsFolder, ".zip");
    if (names.size() > kDownloadsMenuLimit)
        names.resize(kDownloadsMenuLimit);
    return names;
}

} // namespace quarlo
