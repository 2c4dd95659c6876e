// The Zip browser's reading side: unpacking for browsing, extracting one entry, showing the
// selection and Browse; and the component's events turned into status lines.

#include "archive/ZipBrowserModel.h"
#include "archive/ZipNames.h"
#include "archive/ZipTexts.h"
#include "html/FileTypes.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"

namespace quarlo {

bool ZipBrowserModel::unpackForBrowsing(TZipObj& archive) {
    if (archive.unpacked || m_timerAdding)
        return archive.unpacked;
    if (!fileExists(archive.archivePath))
        return false;
    m_zip.ZipFileName = archive.archivePath;
    m_zip.FilesToProcess = {"*.*"};
    m_zip.ExtractDirectory = tempFolder();
    m_zip.UsePaths = true;
    m_zip.Overwrite = ZipOverwrite::xowAlways;
    const int result = m_zip.extract();
    m_zip.ZipFileName = m_current ? m_current->archivePath : std::string();
    m_operation = Operation::Idle;
    report(result, "extracting");
    if (zipResultSeverity(result) == 2)
        return false;
    archive.unpacked = true;
    status("All files extracted successfully.");
    return true;
}

int ZipBrowserModel::extractTo(const std::string& folder, const std::vector<std::string>& specs,
                               bool usePaths, ZipOverwrite mode) {
    if (m_current == nullptr)
        return ZipResult::NothingToDo;
    m_zip.ZipFileName = m_current->archivePath;
    m_zip.FilesToProcess = specs;
    m_zip.ExtractDirectory = folder;
    m_zip.UsePaths = usePaths;
    m_zip.Overwrite = mode;
    const int result = m_zip.extract();
    m_operation = Operation::Idle;
    report(result, "extracting");
    return result;
}

int ZipBrowserModel::extractEntry(const std::string& folder, const std::string& entry,
                                  ZipOverwrite mode) {
    const int result = extractTo(folder, {entry}, true, mode);
    status("Unzipped: " + entry + ".");
    return result;
}

std::string ZipBrowserModel::showSelection(Focus focus, const ZipPage* page) {
    if (m_selected == nullptr) {
        std::string downloads = m_app.downloadsFolder();
        m_app.hooks().showInBrowser(downloads);
        return downloads;
    }
    unpackForBrowsing(*m_selected->archive);
    std::string shown;
    if (focus == Focus::Tree && fileExists(tempFolder() + m_selected->spec()))
        shown = tempFolder() + m_selected->spec();
    else if (focus == Focus::Pages && page != nullptr)
        shown = tempFolder() + page->entry;
    if (!shown.empty())
        m_app.hooks().showInBrowser(shown);
    return shown;
}

std::string ZipBrowserModel::browseEntry(Focus focus, const ZipListRow* focusedRow) const {
    if (focus == Focus::Tree && m_selected != nullptr) {
        if (m_selected->kind != ZipNode::Kind::Archive)
            return m_selected->spec();
        return m_pages.empty() ? std::string() : m_pages.front().entry;
    }
    if (focus == Focus::List && focusedRow != nullptr)
        return focusedRow->entry();
    return {};
}

std::string ZipBrowserModel::browse(const std::string& entry, bool openWithProgram) {
    if (entry.empty() || m_current == nullptr)
        return {};
    if (FileTypes(m_app.settings()).FileTypeOfName(entryFileName(entry)) == kHtmlFileType)
        unpackForBrowsing(*m_current);
    else
        extractEntry(tempFolder(), entry, ZipOverwrite::xowAlways);
    std::string file = tempFolder() + entry;
    if (openWithProgram)
        m_app.hooks().openWithDefaultProgram(file);
    else
        m_app.hooks().showInBrowser(file);
    return file;
}

void ZipBrowserModel::onAdding(const ZipEntryInfo& info) {
    m_operation = Operation::Adding;
    status("Adding: " + info.name);
}

void ZipBrowserModel::onUpdating(const ZipEntryInfo& info) {
    m_operation = Operation::Updating;
    status("Updating: " + info.name);
}

void ZipBrowserModel::onExtracting(const ZipEntryInfo& info) {
    m_operation = Operation::Extracting;
    status("Extracting \"" + info.name + "\".");
}

void ZipBrowserModel::onDeleting(const std::string& name) {
    m_operation = Operation::Deleting;
    status("Deleting: " + name);
}

ZipReplaceAnswer ZipBrowserModel::onReplace(const std::string& existing, const std::string& entry) {
    return m_listener->askReplace(zipReplaceQuestion(existing, entry));
}

void ZipBrowserModel::onFileComment(const std::string& file, const std::string&,
                                    std::string& comment) {
    if (auto staged = m_stagedComments.find(file); staged != m_stagedComments.end())
        comment = staged->second;
    else if (!m_pendingComment.empty())
        comment = m_pendingComment;
}

void ZipBrowserModel::onStatus(int percent) {
    if (m_operation != Operation::Idle)
        status("Ready", percent < 100 ? percent : -1);
}

} // namespace quarlo
