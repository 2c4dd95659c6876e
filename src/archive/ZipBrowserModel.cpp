#include "archive/ZipBrowserModel.h"

#include "archive/ZipNames.h"
#include "archive/ZipTexts.h"
#include "html/FileTypes.h"
#include "model/TQLApp.h"
#include "platform/FileUtil.h"

#include <algorithm>

namespace quarlo {

ZipBrowserModel::ZipBrowserModel(TQLApp& app) : m_app(app) {
    m_zip.setEvents(this);
    m_zip.Compression = app.settings().readInt(kSettingsKey, "Compression", 6);
    m_zip.UsePaths = app.settings().readBool(kSettingsKey, "Use Paths", true);
    m_zip.StoredExtensions = ".ZIP;.LZH;.ARC;.ARJ;.ZOO";
    m_zip.UseTempFile = false;
}

ZipBrowserModel::~ZipBrowserModel() = default;

void ZipBrowserModel::setListener(ZipBrowserListener* listener) {
    m_listener = listener ? listener : &m_noListener;
}

void ZipBrowserModel::status(const std::string& text, int progress) {
    m_app.hooks().setStatusLine(text, progress);
}

void ZipBrowserModel::report(int result, const std::string& verb) {
    const std::string message = zipResultMessage(result, verb);
    if (!message.empty())
        m_app.hooks().showMessage(zipResultIsInformation(result) ? UiHooks::MessageKind::Information
                                                                 : UiHooks::MessageKind::Error,
                                  message);
}

std::string ZipBrowserModel::tempFolder() {
    return withTrailingSlash(m_app.tempFolder());
}

TZipObj* ZipBrowserModel::findArchive(const std::string& path) const {
    for (const auto& archive : m_archives)
        if (archive->archivePath == path)
            return archive.get();
    return nullptr;
}

ZipNode* ZipBrowserModel::newArchiveNode(const std::string& path) {
    // A folder that cannot be made is reported; adding to the archive then fails on its own.
    ignoreFailure(m_app.createFolder(folderOf(path)));
    m_archives.push_back(std::make_unique<TZipObj>(path));
    TZipObj* archive = m_archives.back().get();
    m_listener->nodeAdded(*archive->root);
    makeCurrent(archive);
    m_selected = archive->root.get();
    m_listener->selectionChanged(m_selected);
    return archive->root.get();
}

ZipNode* ZipBrowserModel::openArchive(const std::string& path) {
    if (TZipObj* open = findArchive(path)) {
        select(open->root.get());
        return open->root.get();
    }
    status(zipUiText(704) + fileNameOf(path));
    ZipNode* node = newArchiveNode(path);
    m_operation = Operation::Opening;
    m_listener->recentFileChanged("", path);
    m_entryCount = 0;
    // A damaged or unreadable archive is reported here, once; its listings below stay empty.
    if (fileExists(path)) {
        if (const int counted = m_zip.count(m_entryCount); zipResultSeverity(counted) >= 2)
            report(counted, "opening");
    }
    treeListing(*node->archive);
    m_operation = Operation::Idle;
    pagesListing();
    return node;
}

void ZipBrowserModel::makeCurrent(TZipObj* archive) {
    m_current = archive;
    m_zip.ZipFileName = archive ? archive->archivePath : std::string();
}

bool ZipBrowserModel::select(ZipNode* node) {
    if (!idle())
        return false;
    if (node && m_timerAdding && node->archive != m_current)
        return false;
    m_selected = node;
    m_listener->selectionChanged(node);
    if (node && node->archive != m_current) {
        makeCurrent(node->archive);
        pagesListing();
    }
    folderListing();
    return true;
}

void ZipBrowserModel::closeArchive() {
    if (m_selected == nullptr)
        return;
    TZipObj* archive = m_selected->archive;
    m_listener->nodeRemoving(*archive->root);
    m_selected = nullptr;
    makeCurrent(nullptr);
    m_archives.erase(std::find_if(m_archives.begin(), m_archives.end(),
                                  [archive](const auto& a) { return a.get() == archive; }));
    m_listener->selectionChanged(nullptr);
    m_rows.clear();
    m_pages.clear();
    m_listener->rowsChanged();
    m_listener->pagesChanged();
    emitSummary();
}

// Every entry of the archive: its folder and file nodes, the totals and the list rows.
void ZipBrowserModel::treeListing(TZipObj& archive) {
    m_listing = Listing::Tree;
    m_rows.clear();
    m_listedSize = m_listedPacked = m_listedSoFar = 0;
    m_listingArchive = &archive;
    if (fileExists(archive.archivePath)) {
        m_zip.ZipFileName = archive.archivePath;
        m_zip.FilesToProcess = {"*.*"};
        // What cannot be listed stays out of the tree; opening the archive said why.
        ignoreFailure(m_zip.list());
        m_zip.ZipFileName = m_current ? m_current->archivePath : std::string();
    }
    m_listingArchive = nullptr;
    m_listener->rowsChanged();
    emitSummary();
    m_listing = Listing::None;
}

void ZipBrowserModel::listInto(TZipObj* archive, const std::string& spec) {
    m_rows.clear();
    m_listedSize = m_listedPacked = 0;
    m_entryCount = 0;
    if (archive && fileExists(archive->archivePath)) {
        m_zip.ZipFileName = archive->archivePath;
        // Likewise: an archive that cannot be read lists nothing, as opening it said.
        ignoreFailure(m_zip.count(m_entryCount));
        m_zip.FilesToProcess = {spec};
        ignoreFailure(m_zip.list());
    }
}

void ZipBrowserModel::folderListing() {
    m_listing = Listing::Folder;
    if (m_selected)
        listInto(m_selected->archive, m_selected->spec());
    else
        listInto(nullptr, {});
    m_listener->rowsChanged();
    emitSummary();
    m_listing = Listing::None;
}

void ZipBrowserModel::pagesListing() {
    m_listing = Listing::Pages;
    m_pages.clear();
    if (m_current && fileExists(m_current->archivePath)) {
        m_zip.FilesToProcess = {"*.*"};
        ignoreFailure(m_zip.list()); // likewise
    }
    m_listener->pagesChanged();
    m_listing = Listing::None;
}

void ZipBrowserModel::addRow(const ZipEntryInfo& info) {
    ZipListRow row;
    row.name = entryFileName(info.name);
    row.path = entryFolder(info.name);
    row.size = info.size;
    row.packed = info.packed;
    row.ratio = info.ratio;
    row.modified = info.modified;
    row.comment = info.comment;
    m_listedSize += info.size;
    m_listedPacked += info.packed;
    m_rows.push_back(std::move(row));
}

void ZipBrowserModel::onListing(const ZipEntryInfo& info) {
    if (info.isFolder && m_listing != Listing::Tree)
        return;
    switch (m_listing) {
    case Listing::Tree: {
        std::vector<ZipNode*> added;
        m_listingArchive->entryNode(info, &added);
        for (ZipNode* node : added)
            m_listener->nodeAdded(*node);
        if (info.isFolder)
            return;
        addRow(info);
        if (m_operation == Operation::Opening)
            status(zipUiText(699),
                   static_cast<int>(m_entryCount > 0 ? ++m_listedSoFar * 100 / m_entryCount : 100));
        break;
    }
    case Listing::Folder:
        addRow(info);
        break;
    case Listing::Pages:
        if (FileTypes(m_app.settings()).FileTypeOfName(entryFileName(info.name)) == kHtmlFileType)
            m_pages.push_back({zipNodeText(info.name, info.comment), info.name});
        break;
    default:
        break;
    }
}

std::string ZipBrowserModel::summaryText() const {
    return zipSummaryText(static_cast<std::int64_t>(m_rows.size()), m_listedSize, m_listedPacked,
                          m_entryCount);
}

std::string ZipBrowserModel::selectionText(const std::vector<std::size_t>& rows) const {
    std::int64_t size = 0, packed = 0, count = 0;
    for (std::size_t index : rows) {
        if (index >= m_rows.size())
            continue;
        size += m_rows[index].size;
        packed += m_rows[index].packed;
        ++count;
    }
    return zipSelectionText(count, size, packed);
}

void ZipBrowserModel::emitSummary() {
    m_listener->summaryChanged(summaryText());
}

} // namespace quarlo
