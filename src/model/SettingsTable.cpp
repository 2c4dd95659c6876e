#include "model/SettingsTable.h"

#include "platform/SettingsStore.h"
#include "platform/TextUtil.h"

#include <strings.h>

namespace quarlo {

namespace {
using T = KnownSetting::Type;
} // namespace

const std::vector<KnownSetting>& knownSettings() {
    static const std::vector<KnownSetting> table = {
        {kSettingsKey, "Downloads Folder", T::Text, "folder of the Zip results"},
        {kSettingsKey, "Local Intranet Folder", T::Text, "root of the Personal Intranet"},
        {kSettingsKey, "Temp Folder", T::Text, "folder of temporary files (deleted at exit)"},
        {kSettingsKey, "Last Category", T::Text, "category new tasks go into"},
        {kSettingsKey, "Last Task", T::Text, "task or category last selected"},
        {kSettingsKey, "Save Mode", T::Integer, "0 Zip mode, 1 Personal Intranet mode"},
        {kSettingsKey, "Show Summary On Completion", T::Boolean, "show the summary after a run"},
        {kSettingsKey, "Beep On Completion", T::Boolean, "beep when a task completes"},
        {kSettingsKey, "Zip Properties First", T::Boolean, "show the task screen at start-up"},
        {kSettingsKey, "Connections", T::Integer, "transfers side by side (1-16)"},
        {kSettingsKey, "Priority", T::Integer, "balance of pages and media (0-10)"},
        {kSettingsKey, "Dispatch Pause", T::Integer, "pacing of dispatch in ms (0: no pause)"},
        {kSettingsKey, "Use Proxy", T::Boolean, "transfers go through the proxy below"},
        {kSettingsKey, "Proxy Address", T::Text, "proxy host"},
        {kSettingsKey, "Proxy Port", T::Text, "proxy port"},
        {kSettingsKey, "Proxy Authorization", T::Text, "proxy user:password"},
        {kSettingsKey, "Language", T::Text, "user-interface language"},
        {kSettingsKey, "Skin", T::Text, "skin folder name"},
        {kSettingsKey, "No Ads", T::Boolean, "no banner in saved pages"},
        {kSettingsKey, "Max URL History", T::Integer, "length of the recent URL list"},
        {kSettingsKey, "Max File History", T::Integer, "length of the recent file list"},
        {kSettingsKey, "User Agent", T::Text, "agent identity sent to servers"},
        {kSettingsKey, "Zip Last", T::Boolean, "zip only after the download completed"},
        {kSettingsKey, "Zip Folder", T::Text, "start folder of the zip wizard"},
        {kSettingsKey, "Unzip Folder", T::Text, "folder archives are extracted to"},
        {kSettingsKey, "Last Zip Folder", T::Boolean, "remember the last zip folder"},
        {kSettingsKey, "Last Unzip Folder", T::Boolean, "remember the last unzip folder"},
        {kSettingsKey, "Compression", T::Integer, "compression level 0-9"},
        {kSettingsKey, "Use Paths", T::Boolean, "store path names in archives"},
        {kSettingsKey, "Action", T::Integer, "zip wizard action: 0 add, 1 freshen, 2 update"},
        {kSettingsKey, "Extract Use Paths", T::Boolean, "extract with path names"},
        {kSettingsKey, "Extract Overwrite", T::Boolean, "overwrite existing files on extract"},
        {kSettingsKey, "HOME URL", T::Text, "address of the home page"},
        {kSettingsKey, "Connections Per Host", T::Integer,
         "transfers to one host at once (0-16; 0: as Connections)"},
        {kSettingsKey, "Max Rate", T::Integer, "cap on all transfers together in KB/s (0: none)"},
        {kProductKey, "Version", T::Text, "version of the last first-run setup"},
        {kFormKey, "Left", T::Integer, "main window position"},
        {kFormKey, "Top", T::Integer, "main window position"},
        {kFormKey, "Width", T::Integer, "main window size"},
        {kFormKey, "Height", T::Integer, "main window size"},
    };
    return table;
}

std::optional<KnownSetting> findKnownSetting(std::string_view name) {
    for (const auto& setting : knownSettings())
        if (setting.name.size() == name.size() &&
            ::strncasecmp(setting.name.data(), name.data(), name.size()) == 0)
            return setting;
    return std::nullopt;
}

bool isSecretSetting(std::string_view name) {
    const std::string lower = asciiLower(name);
    for (const char* word : {"password", "authorization", "secret", "token"})
        if (lower.find(word) != std::string::npos)
            return true;
    return false;
}

std::string maskedSecret(std::string_view value) {
    return value.empty() ? "(none)" : "(set)";
}

std::string maskedSecret(const RegValue& value) {
    return value.type == RegValue::Type::Dword ? maskedSecret("set") : maskedSecret(value.text);
}

} // namespace quarlo
