#include "model/TQLApp.h"

#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <algorithm>

namespace quarlo {

Result<std::unique_ptr<TQLApp>> TQLApp::create(const Folders& folders) {
    if (folders.resourceFolder.empty() || !directoryExists(folders.resourceFolder))
        return Status::failure(
            "The program's resource folder is missing: " +
            (folders.resourceFolder.empty() ? std::string("(not found)") : folders.resourceFolder));
    const std::string fileTypes = folders.resourceFolder + "FTypes.reg";
    if (!fileExists(fileTypes))
        return Status::failure("The default file-type table is missing: " + fileTypes);
    if (folders.dataFolder.empty())
        return Status::failure("The program's data folder is unknown");
    if (Status made = forceDirectories(folders.dataFolder); !made)
        return Status::failure("Cannot create the data folder " + folders.dataFolder + " (" +
                                   made.message() + ")",
                               made.code());
    auto app = std::unique_ptr<TQLApp>(new TQLApp(folders));
    // Without the settings folder the program still runs; its first settings write says so.
    if (!folders.configFolder.empty())
        ignoreFailure(forceDirectories(folders.configFolder));
    return app;
}

TQLApp::TQLApp(const Folders& folders)
    : m_folders(folders), m_settings(folders.settingsFile()),
      m_activeTasks(folders.dataFolder + "Tasks/ActiveTasks.lst") {
    readSettings();
}

void TQLApp::setHooks(UiHooks* hooks) {
    m_hooks = hooks ? hooks : &m_nullHooks;
}

void TQLApp::reportFailure(const std::string& cause, const Status& failure) {
    m_failures.report(hooks(), cause, failure);
}

void TQLApp::reportSettingsFailure(const Status& failure) {
    if (failure.ok())
        return;
    reportFailure(m_settings.filePath(),
                  Status::failure("Settings cannot be saved, changes hold until the program "
                                  "ends: " +
                                      failure.message(),
                                  failure.code()));
}

Status TQLApp::createFolder(const std::string& folder) {
    Status made = forceDirectories(folder);
    // The message names the folder that could not be made (perhaps a parent) and why: two
    // folders below one file in the way make one message.
    reportFailure(made.message(), made);
    return made;
}

TQLApp::~TQLApp() = default;

void TQLApp::setPriority(int priority) {
    m_priority = std::clamp(priority, kMinPriority, kMaxPriority);
    writeSetting("Priority", m_priority.load());
    // The balance between pages and media files starts afresh.
    if (m_currentTask)
        m_currentTask->resetDispatchCounters();
}

void TQLApp::setCurrentTask(std::unique_ptr<TQLTask> task) {
    if (task && task.get() == m_currentTask.get()) {
        // The same object handed over again: it is already ours, so keep one owner.
        [[maybe_unused]] TQLTask* alreadyOwned = task.release();
    } else {
        m_currentTask = std::move(task);
    }
    if (m_currentTask) {
        hooks().refreshCounters();
        hooks().refreshExplorer();
    }
}

std::unique_ptr<TQLTask> TQLApp::releaseCurrentTask() {
    return std::move(m_currentTask);
}

} // namespace quarlo
