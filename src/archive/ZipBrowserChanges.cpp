// The Zip browser's changes to archives: adds (interactive, and the task's unattended and
// staged adds), deletes and renames, each followed by the tree.

#include "archive/ZipBrowserModel.h"
#include "archive/ZipNames.h"
#include "archive/ZipTexts.h"
#include "html/FileNames.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"

#include <cstdio>
#include <sys/stat.h>

namespace quarlo {

namespace {

// The task's adds set paths, recursion and action for themselves only: the user's choices
// stay for the next interactive add.
class UnattendedSettings {
public:
    UnattendedSettings(ZipComponent& zip, const std::string& base)
        : m_zip(zip), m_usePaths(zip.UsePaths), m_recurse(zip.Recurse), m_action(zip.AddAction),
          m_base(zip.BaseDirectory) {
        zip.UsePaths = true;
        zip.Recurse = false;
        zip.AddAction = ZipAddAction::AddAndReplace;
        zip.BaseDirectory = base;
    }
    ~UnattendedSettings() {
        m_zip.UsePaths = m_usePaths;
        m_zip.Recurse = m_recurse;
        m_zip.AddAction = m_action;
        m_zip.BaseDirectory = m_base;
    }

private:
    ZipComponent& m_zip;
    bool m_usePaths;
    bool m_recurse;
    ZipAddAction m_action;
    std::string m_base;
};

bool within(const ZipNode* node, const ZipNode* ancestor) {
    for (; node != nullptr; node = node->parent)
        if (node == ancestor)
            return true;
    return false;
}

} // namespace

void ZipBrowserModel::addNodes(TZipObj& archive, const std::vector<ZipEntryInfo>& entries) {
    for (const ZipEntryInfo& info : entries) {
        const bool known = archive.entries.count(info.name) != 0;
        std::vector<ZipNode*> added;
        ZipNode* node = archive.entryNode(info, &added);
        for (ZipNode* each : added)
            m_listener->nodeAdded(*each);
        if (known && node)
            m_listener->nodeChanged(*node);
    }
}

void ZipBrowserModel::removeNode(ZipNode* node) {
    node->archive->removeNode(node, [this](ZipNode& gone) {
        if (within(m_selected, &gone)) {
            m_selected = gone.parent;
            m_listener->selectionChanged(m_selected);
        }
        m_listener->nodeRemoving(gone);
    });
}

int ZipBrowserModel::addFiles(const std::vector<std::string>& files) {
    if (m_current == nullptr)
        return ZipResult::NothingToDo;
    m_interactive = true;
    m_zip.ZipFileName = m_current->archivePath;
    m_zip.FilesToProcess = files;
    const int result = m_zip.add();
    m_operation = Operation::Idle;
    report(result, "adding");
    addNodes(*m_current, m_zip.processedEntries());
    folderListing();
    return result;
}

// The path below the Temp folder; "" for the folder itself; any other path unchanged.
std::string ZipBrowserModel::relativeToTemp(const std::string& path) {
    const std::string folder = withoutTrailingSlash(tempFolder());
    const std::string file = withoutTrailingSlash(path);
    if (file == folder)
        return {};
    if (file.compare(0, folder.size() + 1, folder + "/") == 0)
        return file.substr(folder.size() + 1);
    return path;
}

int ZipBrowserModel::addTaskFile(const std::string& path, const std::string& comment) {
    const std::string relative = relativeToTemp(path);
    if (m_current == nullptr || relative.empty())
        return ZipResult::NothingToDo;
    m_interactive = false;
    UnattendedSettings unattended(m_zip, tempFolder());
    m_pendingComment = comment;
    m_zip.ZipFileName = m_current->archivePath;
    m_zip.FilesToProcess = {relative};
    const int result = m_zip.add();
    m_pendingComment.clear();
    m_operation = Operation::Idle;
    report(result, "adding");
    addNodes(*m_current, m_zip.processedEntries());
    return result;
}

void ZipBrowserModel::stageTaskFile(const std::string& archivePath, const std::string& path,
                                    const std::string& comment) {
    const std::string relative = relativeToTemp(path);
    if (relative.empty())
        return;
    // A failed commit is shown to the user by commitTaskFiles itself.
    if (!m_staged.empty() && archivePath != m_stagedArchive)
        ignoreFailure(commitTaskFiles());
    m_stagedArchive = archivePath;
    if (m_stagedComments.count(relative) == 0)
        m_staged.push_back(relative);
    m_stagedComments[relative] = comment;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        m_stagedBytes += info.st_size;
}

int ZipBrowserModel::commitTaskFiles() {
    if (m_staged.empty())
        return ZipResult::Success;
    m_interactive = false;
    UnattendedSettings unattended(m_zip, tempFolder());
    m_zip.ZipFileName = m_stagedArchive;
    m_zip.FilesToProcess = std::move(m_staged);
    const int result = m_zip.add();
    m_staged.clear();
    m_stagedComments.clear();
    m_stagedBytes = 0;
    m_zip.ZipFileName = m_current ? m_current->archivePath : std::string();
    m_operation = Operation::Idle;
    report(result, "adding");
    if (TZipObj* archive = findArchive(m_stagedArchive))
        addNodes(*archive, m_zip.processedEntries());
    return result;
}

int ZipBrowserModel::deleteRows(const std::vector<std::size_t>& rows) {
    std::vector<std::string> entries;
    for (std::size_t index : rows)
        if (index < m_rows.size())
            entries.push_back(m_rows[index].entry());
    return deleteEntries(entries);
}

int ZipBrowserModel::deleteEntries(const std::vector<std::string>& specs) {
    if (m_current == nullptr || specs.empty())
        return ZipResult::NothingToDo;
    m_zip.ZipFileName = m_current->archivePath;
    m_zip.FilesToProcess = specs;
    const int result = m_zip.remove();
    m_operation = Operation::Idle;
    report(result, "deleting");
    for (const ZipEntryInfo& info : m_zip.processedEntries())
        if (auto found = m_current->entries.find(info.name); found != m_current->entries.end())
            removeNode(found->second);
    folderListing();
    return result;
}

int ZipBrowserModel::deleteNode(ZipNode* node) {
    if (node == nullptr || node->kind == ZipNode::Kind::Archive)
        return ZipResult::NothingToDo;
    m_zip.ZipFileName = node->archive->archivePath;
    m_zip.FilesToProcess = {node->spec()};
    const int result = m_zip.remove();
    m_operation = Operation::Idle;
    report(result, "deleting");
    if (!m_zip.processedEntries().empty())
        removeNode(node);
    folderListing();
    return result;
}

std::string ZipBrowserModel::deleteQuestion(const ZipNode& node) const {
    if (node.kind == ZipNode::Kind::Folder)
        return zipUiText(703) + node.text + "?";
    return zipUiText(701) + node.text + zipUiText(702);
}

Status ZipBrowserModel::renameArchive(ZipNode* archiveNode, const std::string& newName) {
    if (archiveNode == nullptr)
        return Status::failure("No archive is selected.");
    TZipObj* archive = archiveNode->archive;
    const std::string oldPath = archive->archivePath;
    std::string newPath = folderOf(oldPath) + newName;
    if (newPath == oldPath)
        return {};
    newPath = UniqueFileName(newPath);
    const bool invalid = newName.empty() || newName.find('/') != std::string::npos ||
                         newName == "." || newName == "..";
    if (invalid || (fileExists(oldPath) && std::rename(oldPath.c_str(), newPath.c_str()) != 0)) {
        const std::string message =
            "Unable to rename file to: " + newPath + "\n" +
            "A file may not contain any of the following characters: " + "\n" + "\\/:*?\"<>|";
        m_app.hooks().showMessage(UiHooks::MessageKind::Error, message);
        return Status::failure(message);
    }
    archive->archivePath = newPath;
    archiveNode->text = fileNameOf(newPath);
    if (m_current == archive)
        m_zip.ZipFileName = newPath;
    if (m_stagedArchive == oldPath)
        m_stagedArchive = newPath;
    m_listener->nodeChanged(*archiveNode);
    m_listener->recentFileChanged(oldPath, newPath);
    return {};
}

} // namespace quarlo
