#pragma once

#include "model/TaskDate.h"
#include "platform/Result.h"

#include <string>
#include <vector>

namespace quarlo {

class SettingsStore;

// The main window's bounds as stored under "Settings\FormQuarlo" (decimal texts).
struct WindowPlacement {
    int left = 0;
    int top = 0;
    int width = 640;
    int height = 480;
    bool operator==(const WindowPlacement&) const = default;
};

// The stored bounds, made usable: Left and Top below 0 become 0, a Width below 600 opens
// 640 wide and a Height below 400 opens 480 high.
WindowPlacement readWindowPlacement(const SettingsStore& settings);
Status storeWindowPlacement(SettingsStore& settings, const WindowPlacement& placement);
// A first start: none of the four position keys is stored yet.
bool isFirstWindowPlacement(const SettingsStore& settings);
// The bounds of a first start: 80 % of the screen's available area, centred in it, and never
// below the window's minimum size of 600 x 400.
WindowPlacement firstStartPlacement(const WindowPlacement& available);

// The docked views' arrangement as the desktop program encodes it (Base64 text), kept as
// "Dock Layout" beside the position keys; empty when none is stored.
std::string readDockLayout(const SettingsStore& settings);
Status storeDockLayout(SettingsStore& settings, const std::string& layout);

// What a command-line parameter (or one a second start hands over) asks for.
enum class LaunchRequest { None, NewTask, AddTask, OpenZip };
// An address beginning with "http://" or "https://" (any letter case) starts a new task, but
// not when a second start hands it over; a ".qlt" file is added as a task; a ".zip" file
// opens in the Zip browser.
LaunchRequest classifyLaunchParameter(const std::string& parameter, bool secondStart);

// The hint of a save-mode button: its three text lines, each followed by a line feed, then
// the folder that mode saves into.
std::string saveModeHint(bool intranetMode, const std::string& folder);

// The daily archive: the Downloads folder, text 725, the day's short date with "/" turned
// into "-", and ".zip".
std::string dailyArchivePath(const std::string& downloadsFolder, DateTime day);
// The caption of the daily archive item: text 723 and the day's short date.
std::string dailyArchiveCaption(DateTime day);

// The Downloads menu: at most this many "*.zip" files of the folder, by name.
inline constexpr std::size_t kDownloadsMenuLimit = 25;
std::vector<std::string> downloadsMenuArchives(const std::string& downloadsFolder);

} // namespace quarlo
