#include "model/TQLApp.h"

#include "model/Names.h"
#include "platform/FileUtil.h"

#include <cstdlib>
#include <sys/stat.h>

namespace quarlo {

namespace {

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool quarloHomeSet() {
    const char* home = std::getenv("QUARLO_HOME");
    return home != nullptr && *home != '\0';
}

} // namespace

// Pages wait in the Temp folder before they are zipped: they are the user's business alone.
void TQLApp::createPrivateFolder(const std::string& folder) {
    if (directoryExists(folder))
        return;
    if (createFolder(folder))
        ::chmod(withoutTrailingSlash(folder).c_str(), 0700);
}

std::string TQLApp::tasksFolder() const {
    return m_folders.dataFolder + "Tasks/";
}

std::string TQLApp::profilesFolder() const {
    return m_folders.dataFolder + "Profiles/";
}

std::string TQLApp::defaultSkinFolder() const {
    return m_folders.resourceFolder + "Skins/Default/";
}

std::string TQLApp::skinFolder() const {
    // A skin name comes from the settings file; one that would leave the Skins folder falls
    // back to the default skin rather than reading files from elsewhere.
    if (!checkItemName(m_skin, "skin"))
        return defaultSkinFolder();
    return m_folders.resourceFolder + "Skins/" + m_skin + "/";
}

std::string TQLApp::skinFile(const std::string& name) const {
    std::string current = skinFolder() + name;
    if (fileExists(current))
        return current;
    return defaultSkinFolder() + name;
}

std::string TQLApp::exportFolder() const {
    return m_folders.dataFolder + "temp/";
}

std::string TQLApp::readFolderSetting(const char* name, const std::string& def) {
    std::string folder = m_settings.readText(kSettingsKey, name, "");
    if (folder.empty()) {
        // The default is stored at first use, so the settings file shows where files go.
        folder = def;
        writeSetting(name, folder);
    }
    // A folder that cannot be made is reported here; the writes into it fail on their own.
    ignoreFailure(createFolder(folder));
    return folder;
}

std::string TQLApp::downloadsFolder() {
    return readFolderSetting("Downloads Folder", m_folders.dataFolder + "Downloads/");
}

Status TQLApp::setDownloadsFolder(const std::string& folder) {
    const std::string value =
        folder.empty() ? m_folders.dataFolder + "Downloads/" : withTrailingSlash(folder);
    return writeTextSetting("Downloads Folder", value);
}

std::string TQLApp::intranetFolder() {
    return readFolderSetting("Local Intranet Folder", m_folders.defaultIntranetFolder);
}

Status TQLApp::setIntranetFolder(const std::string& folder) {
    const std::string value =
        folder.empty() ? m_folders.defaultIntranetFolder : withTrailingSlash(folder);
    return writeTextSetting("Local Intranet Folder", value);
}

std::string TQLApp::storedFolder(const char* name, const std::string& def) const {
    const std::string folder = m_settings.readText(kSettingsKey, name, "");
    return folder.empty() ? def : folder;
}

std::string TQLApp::configuredTempFolder() const {
    return storedFolder("Temp Folder", m_folders.defaultTempFolder);
}

std::string TQLApp::tempFolder() {
    std::string folder = configuredTempFolder();
    if (folder == m_folders.defaultTempFolder && !quarloHomeSet()) {
        // The default lies in the shared temporary folder, where another user could have
        // planted a link or a folder of their own under the same name.
        std::string problem;
        if (prepareDefaultTempFolder(m_folders.defaultTempFolder, &problem))
            return m_folders.defaultTempFolder;
        std::string fallback = m_folders.dataFolder + "scratch/Quarlo/";
        if (!m_tempWarningShown.exchange(true))
            hooks().showMessage(UiHooks::MessageKind::Warning,
                                "The temporary folder " + m_folders.defaultTempFolder +
                                    " cannot be used (" + problem + "); using " + fallback);
        createPrivateFolder(fallback);
        return fallback;
    }
    createPrivateFolder(folder);
    return folder;
}

Status TQLApp::setTempFolder(const std::string& folder) {
    if (folder.empty())
        return {};
    // The whole folder is deleted at exit, so it must be a folder of the program's own.
    std::string value = withTrailingSlash(folder);
    if (asciiLower(value).find("quarlo") == std::string::npos)
        value += "Quarlo/";
    return writeTextSetting("Temp Folder", value);
}

} // namespace quarlo
