#pragma once

#include "archive/ZipComponent.h"
#include "archive/ZipTree.h"
#include "platform/Result.h"

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quarlo {

class TQLApp;

// One row of the entry list.
struct ZipListRow {
    std::string name; // file name
    std::string path; // folder inside the archive, "" or ending with "/"
    std::int64_t size = 0;
    std::int64_t packed = 0;
    int ratio = 0;
    std::time_t modified = 0;
    std::string comment;

    std::string entry() const { return path + name; }
};

// A page of the "Pages" tab: its label and the entry's full path.
struct ZipPage {
    std::string text;
    std::string entry;
};

// What the views of the Zip browser are told. Every handler has a default that does nothing.
class ZipBrowserListener {
public:
    virtual ~ZipBrowserListener() = default;
    virtual void nodeAdded(ZipNode&) {}
    virtual void nodeRemoving(ZipNode&) {} // still in the tree
    virtual void nodeChanged(ZipNode&) {}  // its text
    virtual void selectionChanged(ZipNode*) {}
    virtual void rowsChanged() {}
    virtual void pagesChanged() {}
    virtual void summaryChanged(const std::string& /*summary*/) {}
    // An archive joined the recent Zip files (from empty) or was renamed.
    virtual void recentFileChanged(const std::string& /*oldPath*/, const std::string& /*newPath*/) {
    }
    // The Replace question while extracting with xowAsk; the answer goes back to the library.
    virtual ZipReplaceAnswer askReplace(const std::string& /*question*/) {
        return ZipReplaceAnswer::No;
    }
};

// The Zip browser without its widgets: the open archives with their trees, the entry list
// and pages of the selection, the status texts, and every archive operation of the browser,
// run through its one Zip component. Status lines, messages and "show in browser" go through
// the application's UiHooks; the views follow through the listener. Main thread only.
class ZipBrowserModel : private ZipEvents {
public:
    enum class Operation { Idle, Opening, Adding, Updating, Extracting, Deleting };
    enum class Listing { None, Tree, Folder, Pages };
    enum class Focus { None, Tree, Pages, List };

    explicit ZipBrowserModel(TQLApp& app);
    ~ZipBrowserModel() override;

    void setListener(ZipBrowserListener* listener);
    ZipComponent& component() { return m_zip; }
    TQLApp& app() { return m_app; }

    // Opens an archive (a missing one is empty until its first add); one already open is
    // only selected. Returns its archive node.
    ZipNode* openArchive(const std::string& path);
    // A node for an archive without listing it: its folder created, made current, selected.
    ZipNode* newArchiveNode(const std::string& path);
    TZipObj* findArchive(const std::string& path) const;
    const std::vector<std::unique_ptr<TZipObj>>& archives() const { return m_archives; }
    TZipObj* currentArchive() const { return m_current; }
    ZipNode* selected() const { return m_selected; }
    // Selects a node (nullptr: nothing); false when refused (busy, or another archive while
    // the zip timer is adding).
    bool select(ZipNode* node);
    // Closes the selected archive.
    void closeArchive();

    const std::vector<ZipListRow>& rows() const { return m_rows; }
    const std::vector<ZipPage>& pages() const { return m_pages; }
    void folderListing();
    void pagesListing();
    std::string summaryText() const;
    std::string selectionText(const std::vector<std::size_t>& rows) const;

    // Unpacks the whole archive into the Temp folder once per opening.
    bool unpackForBrowsing(TZipObj& archive);
    // Extracts one entry with its path; status "Unzipped: <entry>.".
    int extractEntry(const std::string& folder, const std::string& entry, ZipOverwrite mode);
    // Extracts what the specs match into the folder; the result reported with "extracting".
    int extractTo(const std::string& folder, const std::vector<std::string>& specs, bool usePaths,
                  ZipOverwrite mode);
    // Shows the selection in the browser (the Downloads folder when nothing is selected);
    // returns what was shown, or "".
    std::string showSelection(Focus focus, const ZipPage* page = nullptr);
    // The entry that Browse acts on for the focus: the node's spec or the first page, the
    // focused row's entry; "" for nothing.
    std::string browseEntry(Focus focus, const ZipListRow* focusedRow) const;
    // Browse: a page unpacks the archive, anything else is extracted alone; then the file in
    // the Temp folder is shown (or opened with its program). Returns the file, or "".
    std::string browse(const std::string& entry, bool openWithProgram);

    // Interactive add of files and folders with the component's settings.
    int addFiles(const std::vector<std::string>& files);
    // Unattended add of one file of the Temp folder to the current archive, with comment.
    int addTaskFile(const std::string& path, const std::string& comment);
    // The same for an archive given by path, kept until commitTaskFiles() writes every
    // staged file in one add (staging for another archive commits what was staged first).
    void stageTaskFile(const std::string& archivePath, const std::string& path,
                       const std::string& comment);
    int commitTaskFiles();
    std::int64_t stagedBytes() const { return m_stagedBytes; }
    bool hasStagedFiles() const { return !m_staged.empty(); }

    // Deletes the entries of list rows, entries or masks of the current archive, or a file
    // or folder node's spec, removing their nodes.
    int deleteRows(const std::vector<std::size_t>& rows);
    int deleteEntries(const std::vector<std::string>& specs);
    int deleteNode(ZipNode* node);
    // The confirmation asked before deleting a tree node.
    std::string deleteQuestion(const ZipNode& node) const;
    // Renames an archive within its folder to a unique name; the error text on failure.
    Status renameArchive(ZipNode* archiveNode, const std::string& newName);

    Operation operation() const { return m_operation; }
    Listing listing() const { return m_listing; }
    bool idle() const { return m_operation == Operation::Idle && m_listing == Listing::None; }
    void setTimerAdding(bool on) { m_timerAdding = on; }
    bool timerAdding() const { return m_timerAdding; }
    bool interactive() const { return m_interactive; }

    // The library's result reported through the result table with the verb.
    void report(int result, const std::string& verb);

private:
    void onListing(const ZipEntryInfo& info) override;
    void onAdding(const ZipEntryInfo& info) override;
    void onUpdating(const ZipEntryInfo& info) override;
    void onExtracting(const ZipEntryInfo& info) override;
    void onDeleting(const std::string& name) override;
    ZipReplaceAnswer onReplace(const std::string& existing, const std::string& entry) override;
    void onFileComment(const std::string& file, const std::string& entry,
                       std::string& comment) override;
    void onStatus(int percent) override;

    void makeCurrent(TZipObj* archive);
    void treeListing(TZipObj& archive);
    void listInto(TZipObj* archive, const std::string& spec);
    void addRow(const ZipEntryInfo& info);
    void addNodes(TZipObj& archive, const std::vector<ZipEntryInfo>& entries);
    void removeNode(ZipNode* node);
    void emitSummary();
    void status(const std::string& text, int progress = -1);
    std::string tempFolder();
    std::string relativeToTemp(const std::string& path);

    TQLApp& m_app;
    ZipComponent m_zip;
    ZipBrowserListener m_noListener;
    ZipBrowserListener* m_listener = &m_noListener;
    std::vector<std::unique_ptr<TZipObj>> m_archives;
    TZipObj* m_current = nullptr;
    ZipNode* m_selected = nullptr;
    std::vector<ZipListRow> m_rows;
    std::vector<ZipPage> m_pages;
    std::int64_t m_entryCount = 0;
    std::int64_t m_listedSize = 0;
    std::int64_t m_listedPacked = 0;

    Operation m_operation = Operation::Idle;
    Listing m_listing = Listing::None;
    bool m_timerAdding = false;
    bool m_interactive = false;
    std::int64_t m_listedSoFar = 0;
    TZipObj* m_listingArchive = nullptr; // where a tree listing puts its nodes
    std::string m_pendingComment;
    std::map<std::string, std::string> m_stagedComments; // entry -> comment
    std::vector<std::string> m_staged;                   // paths relative to the Temp folder
    std::string m_stagedArchive;
    std::int64_t m_stagedBytes = 0;
};

} // namespace quarlo
