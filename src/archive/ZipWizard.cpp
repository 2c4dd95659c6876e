#include "archive/ZipWizard.h"

#include "archive/ZipBrowserModel.h"
#include "archive/ZipTexts.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"

#include <algorithm>
#include <unistd.h>

namespace quarlo {

namespace {

std::string currentFolder() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? withTrailingSlash(buffer) : std::string("/");
}

} // namespace

ZipNameCheck checkZipName(const std::string& typed) {
    ZipNameCheck check{typed, {}};
    const std::string name = fileNameOf(typed);
    if (!name.empty() && extensionOf(name).empty())
        check.name += ".zip";
    const std::string finalName = fileNameOf(check.name);
    const bool onlyExtension = finalName.empty() || finalName.front() == '.';
    if (folderOf(check.name).empty() || onlyExtension)
        check.status = Status::failure(zipUiText(736) + "\n" + zipUiText(737));
    return check;
}

ZipWizard::ZipWizard(SettingsStore& settings, const std::string& currentArchive)
    : m_settings(settings) {
    const int stored = settings.readInt(kSettingsKey, "Action", 0);
    action = stored >= 0 && stored <= 2 ? static_cast<ZipAddAction>(stored)
                                        : ZipAddAction::AddAndReplace;
    usePaths = settings.readBool(kSettingsKey, "Use Paths", false);
    compression = std::clamp(settings.readInt(kSettingsKey, "Compression", 0), 0, 9);
    zipFolder = settings.readText(kSettingsKey, "Zip Folder", "");
    m_fileName = currentArchive.empty() ? currentFolder() : currentArchive;
}

void ZipWizard::chooseNewArchive(const std::string& path) {
    m_replacing = path;
    m_fileName = path;
    m_existing = false;
    action = ZipAddAction::AddAndReplace;
    m_actionsEnabled = false;
}

void ZipWizard::chooseExistingArchive(const std::string& path) {
    m_fileName = path;
    m_existing = true;
    m_actionsEnabled = true;
    m_replacing.clear();
}

void ZipWizard::addFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (path.empty())
            continue;
        auto at = std::lower_bound(m_files.begin(), m_files.end(), path);
        if (at == m_files.end() || *at != path)
            m_files.insert(at, path);
        if (directoryExists(path)) {
            recurseShown = true;
            recurse = true;
        }
    }
}

void ZipWizard::removeFiles(const std::vector<std::size_t>& rows) {
    std::vector<std::size_t> sorted = rows;
    std::sort(sorted.rbegin(), sorted.rend());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (std::size_t row : sorted)
        if (row < m_files.size())
            m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(row));
}

std::pair<std::string, std::string> ZipWizard::fileRow(std::size_t row) const {
    const std::string& path = m_files.at(row);
    if (directoryExists(path))
        return {"", withTrailingSlash(path)};
    return {fileNameOf(path), folderOf(path)};
}

void ZipWizard::presetDropped(const std::vector<std::string>& paths) {
    addFiles(paths);
    m_dropped = paths.size();
}

std::string ZipWizard::caption() const {
    if (m_dropped == 0)
        return "File Zip Wizard";
    return "File Zip Wizard - " + std::to_string(m_dropped) +
           (m_dropped == 1 ? " file dropped." : " files dropped.");
}

std::string ZipWizard::nextButtonText(int page) {
    return zipUiText(page >= 3 ? 738 : 740);
}

Status ZipWizard::acceptFileName() {
    ZipNameCheck check = checkZipName(m_fileName);
    m_fileName = check.name;
    return check.status;
}

void ZipWizard::finish(ZipBrowserModel& browser) {
    ZipComponent& zip = browser.component();
    zip.Compression = compression;
    zip.UsePaths = usePaths;
    zip.Recurse = recurse;
    zip.AddAction = action;
    TQLApp& app = browser.app();
    app.reportSettingsFailure(m_settings.writeInt(kSettingsKey, "Compression", compression));
    app.reportSettingsFailure(m_settings.writeBool(kSettingsKey, "Use Paths", usePaths));
    app.reportSettingsFailure(
        m_settings.writeInt(kSettingsKey, "Action", static_cast<int>(action)));
}

bool ZipWizard::replaceChosenFile(ZipBrowserModel& browser) {
    if (TZipObj* open = browser.findArchive(m_fileName)) {
        if (!browser.select(open->root.get()))
            return false;
        browser.closeArchive();
    }
    if (fileExists(m_fileName))
        deleteFile(m_fileName);
    return true;
}

int ZipWizard::apply(ZipBrowserModel& browser) {
    const bool replacing = !m_existing && !m_replacing.empty() && m_replacing == m_fileName;
    if (replacing && !replaceChosenFile(browser))
        return ZipResult::NothingToDo;
    if (m_existing)
        browser.openArchive(m_fileName);
    else if (TZipObj* open = browser.findArchive(m_fileName))
        browser.select(open->root.get());
    else
        browser.newArchiveNode(m_fileName);
    if (browser.currentArchive() == nullptr || m_files.empty())
        return ZipResult::NothingToDo;
    return browser.addFiles(m_files);
}

ExtractSettings ExtractSettings::read(SettingsStore& settings) {
    ExtractSettings read;
    read.usePaths = settings.readBool(kSettingsKey, "Extract Use Paths", false);
    read.overwrite = settings.readBool(kSettingsKey, "Extract Overwrite", false);
    read.folder = settings.readText(kSettingsKey, "Unzip Folder", "");
    read.rememberFolder = settings.readBool(kSettingsKey, "Last Unzip Folder", false);
    return read;
}

Status ExtractSettings::store(SettingsStore& settings) const {
    if (Status written = settings.writeBool(kSettingsKey, "Extract Use Paths", usePaths); !written)
        return written;
    if (Status written = settings.writeBool(kSettingsKey, "Extract Overwrite", overwrite); !written)
        return written;
    if (rememberFolder)
        return settings.writeText(kSettingsKey, "Unzip Folder", folder);
    return {};
}

int ExtractSettings::run(ZipBrowserModel& browser) const {
    if (!canUnzip() || browser.currentArchive() == nullptr)
        return ZipResult::NothingToDo;
    std::vector<std::string> specs{"*.*"};
    if (!allFiles && !selection.empty())
        specs = selection;
    else if (!allFiles && browser.selected() != nullptr)
        specs = {browser.selected()->spec()};
    return browser.extractTo(folder, specs, usePaths,
                             overwrite ? ZipOverwrite::xowAlways : ZipOverwrite::xowAsk);
}

} // namespace quarlo
