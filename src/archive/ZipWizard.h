#pragma once

#include "archive/ZipEvents.h"
#include "platform/Result.h"

#include <string>
#include <vector>

namespace quarlo {

class SettingsStore;
class ZipBrowserModel;

// The archive name typed on the wizard's first page: it needs a folder and a file name that
// is more than an extension. A name without extension gets ".zip" appended, also when the
// check fails ("backup/site" gives "backup/site.zip").
struct ZipNameCheck {
    std::string name;
    Status status; // the error text (736, a line feed, 737) when refused
};
ZipNameCheck checkZipName(const std::string& typed);

// The file zip wizard without its pages: the archive chosen, the add action, the file list
// and the options, read from and stored to the settings.
class ZipWizard {
public:
    // Reads "Action", "Use Paths", "Compression" and "Zip Folder"; the name starts as the
    // browser's current archive, or the current folder followed by "/".
    ZipWizard(SettingsStore& settings, const std::string& currentArchive);

    // "Create a new Zip file": only the first action stays available. An existing file of
    // that name is replaced when the wizard's work is applied, so that Cancel keeps it.
    void chooseNewArchive(const std::string& path);
    // "Open an existing Zip file".
    void chooseExistingArchive(const std::string& path);
    void setFileName(const std::string& name) { m_fileName = name; }
    const std::string& fileName() const { return m_fileName; }
    bool existingArchive() const { return m_existing; }
    void setExistingArchive(bool on) { m_existing = on; }
    bool actionsEnabled() const { return m_actionsEnabled; }

    // The file list: sorted, duplicates ignored. A folder shows "Recurse Folders", ticked.
    void addFiles(const std::vector<std::string>& paths);
    void removeFiles(const std::vector<std::size_t>& rows);
    const std::vector<std::string>& files() const { return m_files; }
    // A list row: the file's name and folder; a folder has an empty name and its path.
    std::pair<std::string, std::string> fileRow(std::size_t row) const;
    // Files dropped on the main window: the list preset and the caption telling how many.
    void presetDropped(const std::vector<std::string>& paths);
    std::string caption() const;
    // The Next button: 738 on the last page (the third), 740 before.
    static std::string nextButtonText(int page);

    // Next on the first page: the name checked and completed; false keeps the page.
    Status acceptFileName();

    ZipAddAction action = ZipAddAction::AddAndReplace;
    bool usePaths = false;
    bool recurse = false;
    bool recurseShown = false;
    int compression = 0;
    std::string zipFolder; // where the file dialogs start

    // Finish: the component takes compression, paths and recursion; "Compression", "Use
    // Paths" and "Action" are stored.
    void finish(ZipBrowserModel& browser);
    // After OK: the archive opened (an existing one) or given a new node, then the file list
    // added interactively. A file chosen with "Create a new Zip file" is deleted first (and
    // closed when open), unless the browser refuses to select it. The add's result.
    int apply(ZipBrowserModel& browser);

private:
    bool replaceChosenFile(ZipBrowserModel& browser);

    SettingsStore& m_settings;
    std::string m_fileName;
    bool m_existing = false;
    bool m_actionsEnabled = true;
    std::string m_replacing; // chosen with "Create a new Zip file"
    std::vector<std::string> m_files;
    std::size_t m_dropped = 0;
};

// The unzip dialog's choices.
struct ExtractSettings {
    bool usePaths = false;       // "Extract Use Paths"
    bool overwrite = false;      // "Extract Overwrite"
    std::string folder;          // "Unzip Folder"
    bool rememberFolder = false; // "Last Unzip Folder"
    bool allFiles = true;        // "All Files" or "Selected Files"
    // What "Selected Files" extracts; when empty, the selected node's spec.
    std::vector<std::string> selection;

    static ExtractSettings read(SettingsStore& settings);
    // Unzip pressed: the options stored, and the folder when it is to be remembered.
    Status store(SettingsStore& settings) const; // the first write that failed
    bool canUnzip() const { return !folder.empty(); }
    // Extracts every entry, or the selection, into the folder; xowAlways when
    // overwriting, xowAsk otherwise; the result reported with "extracting".
    int run(ZipBrowserModel& browser) const;
};

} // namespace quarlo
