#include "model/MainWindowRules.h"

#include "model/ScheduleValues.h"
#include "model/UiTexts.h"
#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace quarlo {

namespace {

constexpr const char* kPlacementNames[] = {"Left", "Top", "Width", "Height"};
constexpr const char* kDockLayoutName = "Dock Layout";
constexpr int kMinWidth = 600;
constexpr int kMinHeight = 400;

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
    if (placement.width < kMinWidth)
        placement.width = 640;
    if (placement.height < kMinHeight)
        placement.height = 480;
    return placement;
}

Status storeWindowPlacement(SettingsStore& settings, const WindowPlacement& placement) {
    const std::pair<const char*, int> values[] = {{"Left", placement.left},
                                                  {"Top", placement.top},
                                                  {"Width", placement.width},
                                                  {"Height", placement.height}};
    for (const auto& [name, value] : values) {
        if (Status written = settings.writeText(kFormKey, name, std::to_string(value)); !written)
            return written; // the next value would fail the same way
    }
    return {};
}

bool isFirstWindowPlacement(const SettingsStore& settings) {
    return std::none_of(
        std::begin(kPlacementNames), std::end(kPlacementNames),
        [&](const char* name) { return settings.readValue(kFormKey, name).has_value(); });
}

WindowPlacement firstStartPlacement(const WindowPlacement& available) {
    WindowPlacement placement;
    placement.width = std::max(kMinWidth, available.width * 4 / 5);
    placement.height = std::max(kMinHeight, available.height * 4 / 5);
    placement.left = available.left + std::max(0, (available.width - placement.width) / 2);
    placement.top = available.top + std::max(0, (available.height - placement.height) / 2);
    return placement;
}

std::string readDockLayout(const SettingsStore& settings) {
    return settings.readText(kFormKey, kDockLayoutName, "");
}

Status storeDockLayout(SettingsStore& settings, const std::string& layout) {
    return settings.writeText(kFormKey, kDockLayoutName, layout);
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
