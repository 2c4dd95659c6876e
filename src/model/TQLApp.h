#pragma once

#include "model/ActiveTasks.h"
#include "platform/FailureReporter.h"
#include "platform/Folders.h"
#include "platform/Result.h"
#include "platform/SettingsStore.h"
#include "platform/UiHooks.h"

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace quarlo {

class TQLTask;

inline constexpr const char* kProgramVersion = "3.0 Beta 4";

// The one application object: the user's settings (written through to the settings store
// at once), the working folders, the list of active tasks and the current task.
class TQLApp {
public:
    // Reads the settings in their fixed order, loads "ActiveTasks.lst" and resolves the
    // user agent. Creates the data folder but runs neither the start-up check nor the
    // first-run setup (see below). Fails loudly when the resource folder or its FTypes.reg
    // is missing.
    static Result<std::unique_ptr<TQLApp>> create(const Folders& folders);
    ~TQLApp();

    SettingsStore& settings() { return m_settings; }
    const Folders& folders() const { return m_folders; }
    UiHooks& hooks() { return *m_hooks; }
    void setHooks(UiHooks* hooks); // nullptr: no user interface
    // Tells the user about a failure the program carries on after (a setting or a folder
    // that could not be written), once per cause (a file or folder path) and kind.
    void reportFailure(const std::string& cause, const Status& failure);
    // Reports a failed write of the settings file (see reportFailure).
    void reportSettingsFailure(const Status& failure);
    // Creates a folder with its parents; a failure is reported (see reportFailure) and
    // returned.
    Status createFolder(const std::string& folder);

    // Folders, each ending with "/".
    std::string tasksFolder() const;
    std::string profilesFolder() const;
    std::string defaultSkinFolder() const;
    std::string skinFolder() const; // current skin, worked out on every request
    // A skin file: the current skin's, else the default skin's (which may lack it too).
    std::string skinFile(const std::string& name) const;
    std::string resourceFolder() const { return m_folders.resourceFolder; }
    std::string dataFolder() const { return m_folders.dataFolder; }
    // The folder the task-list exports are written to (data folder + "temp/").
    std::string exportFolder() const;

    // The setters of folders and of the user agent return the settings write's outcome (a
    // failure is reported as well, see reportSettingsFailure); the other setters only report.
    std::string downloadsFolder(); // created on demand; default stored at first use
    Status setDownloadsFolder(const std::string& folder);
    std::string intranetFolder(); // "Local Intranet Folder", likewise
    Status setIntranetFolder(const std::string& folder);
    std::string tempFolder();                        // created on demand; its default is not stored
    Status setTempFolder(const std::string& folder); // "" ignored; "Quarlo/" added when needed

    std::string lastCategory() const { return m_lastCategory.empty() ? "General" : m_lastCategory; }
    void setLastCategory(const std::string& category);
    std::string lastTask() const { return m_lastTask.empty() ? "General" : m_lastTask; }
    void setLastTask(const std::string& path);

    int saveMode(); // read each time: 0 Zip mode (also when absent), 1 Personal Intranet
    void setSaveMode(int mode);

    bool showSummaryOnCompletion() const { return m_showSummary; }
    void setShowSummaryOnCompletion(bool on);
    bool beepOnCompletion() const { return m_beep; }
    void setBeepOnCompletion(bool on);
    bool zipPropertiesFirst() const { return m_zipPropertiesFirst; }
    void setZipPropertiesFirst(bool on);
    int connections() const { return m_connections; } // 1..16
    void setConnections(int count);
    int priority() const { return m_priority; } // 0 pages first .. 10 media files first
    void setPriority(int priority);             // also resets the current task's dispatch counters
    bool useProxy() const { return m_useProxy; }
    void setUseProxy(bool on);
    std::string proxyAddress() const { return m_proxyAddress; }
    void setProxyAddress(const std::string& address);
    std::string proxyPort() const { return m_proxyPort; }
    void setProxyPort(const std::string& port);
    std::string proxyAuthorization() const { return m_proxyAuthorization; }
    void setProxyAuthorization(const std::string& authorization);
    // "address:port" every transfer goes through while "Use Proxy" is on; empty while it is
    // off (or no address is set): the environment's proxy variables then apply.
    std::string proxyServer() const;
    // "Connections Per Host" as stored: 0 (as many as "Connections") .. 16.
    int connectionsPerHostSetting() const { return m_connectionsPerHost; }
    void setConnectionsPerHost(int count);
    // The transfers one host may have at once: the setting, never more than connections().
    int connectionsPerHost() const;
    // "Max Rate": the cap on the speeds of all transfers together in KB/s; 0 none.
    int maxRate() const { return m_maxRate; }
    void setMaxRate(int kilobytesPerSecond);
    std::string language() const { return m_language; }
    void setLanguage(const std::string& language);
    std::string skin() const { return m_skin; }
    void setSkin(const std::string& skin);
    bool noAds() const { return m_noAds; }
    void setNoAds(bool on);
    int maxUrlHistory() const { return m_maxUrlHistory; }
    void setMaxUrlHistory(int count);
    int maxFileHistory() const { return m_maxFileHistory; }
    void setMaxFileHistory(int count);
    // "Dispatch Pause" in milliseconds (default 100): the pacing of dispatch and parsing.
    int dispatchPause() const { return m_dispatchPause; }
    void setDispatchPause(int milliseconds);

    std::string userAgentChoice() const { return m_userAgentChoice; }
    Status setUserAgent(const std::string& choice);
    // The User-Agent header text; empty for "Anonymous" (no header).
    std::string userAgent() const { return m_userAgent; }
    static std::string resolveUserAgent(const std::string& choice);

    // The four theme colours, as "$00BBGGRR" texts, for a screen of the given depth.
    static std::array<std::string, 4> themeColours(int colourBits);
    static constexpr int kQueueSaveInterval = 10;
    static constexpr int kDefaultDispatchPause = 100;
    // Transfer slots run side by side: at least one, at most sixteen.
    static constexpr int kMinConnections = 1;
    static constexpr int kMaxConnections = 16;
    // The page/media balance: 0 pages first .. 10 media files first.
    static constexpr int kMinPriority = 0;
    static constexpr int kMaxPriority = 10;

    ActiveTasks& activeTasks() { return m_activeTasks; }

    // The current task, owned here. Setting another one frees the previous; setting the
    // same one again frees nothing; setting nullptr frees it. releaseCurrentTask() forgets it
    // and hands it to the caller. Setting a task tells the views to refresh.
    TQLTask* currentTask() const { return m_currentTask.get(); }
    void setCurrentTask(std::unique_ptr<TQLTask> task);
    std::unique_ptr<TQLTask> releaseCurrentTask();

    // Start-up check of the active tasks: every listed task that is not Scheduled, or is
    // Scheduled for "Now" (only when resetNowTasks), is reset to Unscheduled and saved.
    // Each listed task is examined once; a listed task file that is gone is dropped from the
    // list. Only the instance-lock holder calls this. Returns the messages of what failed.
    std::vector<std::string> startupCheck(bool resetNowTasks);

    // First-run setup of a new version: writes "Version", imports FTypes.reg into the
    // file-type table, creates the Downloads folder and the category "General", and moves
    // task and queue files lying directly in the Tasks folder into "General/" (a name that
    // is already taken there stays where it is). Does nothing when "Version" is this
    // version, the resource folder has "Skins/" and the file-type table has entries.
    Status firstRunSetup();

    // Deletes the Temp folder at exit, unless it is (or contains) the data folder, the
    // settings folder, the home folder, the Tasks or Profiles folder, the resource folder,
    // the Personal Intranet folder or the Downloads folder, or its path lacks "quarlo", or it
    // is a symbolic link or another user's. Nothing below it is followed through a link.
    // A missing folder is a success. Returns why it refused or failed.
    Status deleteTempFolder();

private:
    explicit TQLApp(const Folders& folders);
    void readSettings();
    std::string readFolderSetting(const char* name, const std::string& def);
    // The folder stored under the name, or the default; creates and stores nothing.
    std::string storedFolder(const char* name, const std::string& def) const;
    std::string configuredTempFolder() const;
    void createPrivateFolder(const std::string& folder);
    bool needsFirstRunSetup() const;
    // Writes a value under the settings key; a failure is reported (once per cause), the
    // value in memory holds for this session all the same.
    void writeSetting(const char* name, int value);
    void writeSetting(const char* name, bool value);
    void writeSetting(const char* name, const std::string& value);
    Status writeTextSetting(const char* name, const std::string& value); // reports, returns

    Folders m_folders;
    SettingsStore m_settings;
    NullUiHooks m_nullHooks;
    UiHooks* m_hooks = &m_nullHooks;
    FailureReporter m_failures;
    ActiveTasks m_activeTasks;
    std::unique_ptr<TQLTask> m_currentTask;

    // Read once at construction, written through by the setters. Worker threads read some
    // of them without a lock, so the numbers are atomic.
    bool m_showSummary = true;
    bool m_beep = true;
    bool m_zipPropertiesFirst = false;
    std::atomic<int> m_connections{5};
    std::atomic<int> m_priority{5};
    std::atomic<int> m_dispatchPause{kDefaultDispatchPause};
    std::atomic<int> m_connectionsPerHost{0};
    std::atomic<int> m_maxRate{0};
    bool m_useProxy = false;
    std::string m_proxyAddress, m_proxyPort, m_proxyAuthorization;
    std::string m_language = "Native";
    std::string m_skin = "Default";
    std::atomic<bool> m_noAds{false}; // read by the parse thread; Preferences may change it
    int m_maxUrlHistory = 20;
    int m_maxFileHistory = 10;
    std::string m_lastCategory, m_lastTask;
    std::string m_userAgentChoice, m_userAgent;
    std::atomic<bool> m_tempWarningShown{false};
};

} // namespace quarlo
