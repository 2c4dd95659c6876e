#pragma once

#include "model/TQLProfile.h"
#include "model/TaskDate.h"
#include "platform/Result.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quarlo {

class TQLApp;
class TQLTask;

// The task editor's numbered messages: 782 a scheme other than http(s), 784 no task name,
// 785 the task file exists, 786-787 a Zip file without folder or name, 788-789 an intranet
// folder without folder part. Empty for a number it does not hold.
std::string taskEditorText(int number);
inline constexpr const char* kUrlRequiredMessage = "A valid Internet address (URL) is required";

// The three callers of the editor, told apart by the title.
enum class EditorMode { EditTask, AddTask, CreateNewTask };
std::string editorTitle(EditorMode mode);
// The "At:" box's form of a time: short date, a blank, hours and minutes.
std::string editorTimeText(DateTime when);

enum class LevelChoice { ThisPageOnly, ThisPageAnd, AllLevels };
enum class EditorSchedule { Now, At, None };

// The profile's controls as the editor shows them.
struct ProfileControls {
    std::string profileName; // the profile list's text; empty: custom
    bool useStartPageTitle = true;
    std::vector<std::string> fileTypes; // empty: "All"
    std::vector<std::string> include;
    std::vector<std::string> exclude;
    int pageLocation = TQLProfile::WithinSite;
    int resourceLocation = TQLProfile::Anywhere;
    LevelChoice levelChoice = LevelChoice::AllLevels;
    int levels = 1; // the levels box, kept while another level choice is made
    bool aggressive = true;
    bool aggressiveWholePage = false; // the second choice; else SCRIPT tags only
    bool obeyRobots = true;
    int convertFollowed = 1;
    int convertUnfollowed = 1;
    // Size limits in KB; 0: none.
    int pageSizeMin = 0;
    int pageSizeMax = 0;
    int mediaSizeMin = 0;
    int mediaSizeMax = 0;
};

// Every control the profile's values go into; the location and level choices, the levels
// box, "All", the file-type marks, the aggressive parser and its choices, the Zip renaming
// and adding a URL filter make the profile custom, the rest keep the selected name.
enum class ProfileControl {
    PageLocation,
    ResourceLocation,
    LevelChoice,
    Levels,
    AllFileTypes,
    FileTypeMark,
    AggressiveParser,
    AggressiveChoice,
    ObeyRobots,
    UseStartPageTitle,
    AddUrlFilter,
    EditUrlFilter,
    RemoveUrlFilter,
    ConvertFollowed,
    ConvertUnfollowed,
};
bool makesProfileCustom(ProfileControl control);
// Which filter command changed the lists: a list that grew was added to.
ProfileControl urlFilterChange(const ProfileControls& before,
                               const std::vector<std::string>& include,
                               const std::vector<std::string>& exclude);

ProfileControls profileControls(const TQLProfile& profile);
// The controls' values into the profile (name, codes, lists and sizes; path kept).
void storeProfileControls(const ProfileControls& controls, TQLProfile& profile);

// Everything the dialog shows, page by page.
struct TaskEditorValues {
    std::string taskName;
    std::string category;
    // "Download URLs"
    bool urlList = false; // the URL-list choice; else the start page
    std::string url = "http://";
    std::vector<std::string> urls;
    std::string listUrl = "http://";
    bool requiresPassword = false;
    std::string account; // the account dialog
    std::string password;
    bool acceptAnyCertificate = false; // "Advanced"
    // "Save to"
    bool intranet = false;
    std::string folder;
    std::string zipFile;
    // "Download Method" and the pages below it
    ProfileControls profile;
    // "Schedule"
    EditorSchedule schedule = EditorSchedule::None;
    std::string atText;
};

// Why OK was refused: the message to show (none when the user answered a question No).
struct EditorRefusal {
    enum class Kind { Error, Warning, Quiet };
    Kind kind = Kind::Error;
    std::string message;
};
using AskYesNo = std::function<bool(const std::string& question)>;

// The task editor without its dialog: the values of the controls, read from the task,
// checked and stored back into it.
class TaskEditor {
public:
    TaskEditor(TQLApp& app, TQLTask& task, EditorMode mode);

    EditorMode mode() const { return m_mode; }
    TaskEditorValues& values() { return m_values; }
    const TaskEditorValues& values() const { return m_values; }

    // The categories (sub-folders of the Tasks folder) and the profile list (an empty
    // entry, then the named profiles).
    std::vector<std::string> categories() const;
    std::vector<std::string> profileEntries() const;

    // The task's stored values into the controls (also "Re&set").
    void show();
    // The profile list's choice: the named profile's values (the defaults for the empty
    // entry or a name whose file is gone). Nothing is written.
    void applyProfileEntry(const std::string& name);
    // While values are put into the controls, their changes do not count.
    bool loading() const { return m_loading; }
    void setLoading(bool on) { m_loading = on; }
    // A control of the profile changed; true when this selected the empty (custom) entry.
    bool profileControlChanged(ProfileControl control);

    // " " + profile name + " --> " + node for a node below the top level under a named
    // profile, else " " + node.
    std::string titleBar(const std::string& nodeText, bool topLevel) const;

    // The user typed in the task name, start URL or category box. Outside "Edit Task" a
    // changed URL or category names the Zip file and (unless the name was typed first) the
    // task after the site.
    void taskNameTyped(const std::string& name);
    void startUrlTyped(const std::string& url);
    void categoryTyped(const std::string& category);

    // "New Zip File" chose this file; an existing one is deleted when the task is saved
    // with it, not before, since the editor may still be cancelled.
    void newZipFileChosen(const std::string& path);
    // The schedule dialog's OK: the "At:" box shows its time, which becomes the next run.
    void scheduleChosen(DateTime nextRun);
    void scheduleNowChosen();

    // The checks of OK and "&Run Now!" in their order; nothing when the task may be saved.
    // Completes the URL and the Zip file name in the values.
    std::optional<EditorRefusal> validate(const AskYesNo& ask);
    // Stores the values into the task and saves it; "&Run Now!" chooses "Now" first.
    Status save(bool runNow);

    // Results for the callers.
    bool anotherCategory() const { return m_anotherCategory; }
    bool overwriteConfirmed() const { return m_overwriteConfirmed; }
    bool wroteFile() const { return m_wroteFile; }

private:
    void showProfile();
    void fillAutomaticNames();
    std::optional<EditorRefusal> checkUrl();
    std::optional<EditorRefusal> checkNames(const AskYesNo& ask);
    std::optional<EditorRefusal> checkDestination();
    Status placeTask();
    void storeValues();
    void storeSchedule();

    TQLApp& m_app;
    TQLTask& m_task;
    EditorMode m_mode;
    TaskEditorValues m_values;
    std::string m_originalName;
    std::string m_originalPath;
    std::string m_originalCategory;
    bool m_loading = false;
    bool m_typedNameFirst = false;
    bool m_anotherCategory = false;
    bool m_overwriteConfirmed = false;
    bool m_wroteFile = false;
    std::string m_zipToReplace;
    std::optional<DateTime> m_chosenNextRun;
};

} // namespace quarlo
