#include "reports/TaskList.h"

#include "model/TQLApp.h"
#include "model/TQLProfile.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "reports/Categories.h"
#include "reports/ExportScript.h"
#include "schedule/Schedule.h"

#include <algorithm>

namespace quarlo {

namespace {

constexpr const char* kListFile = "tasks.txt";
constexpr const char* kListScript = "tasks.js";
constexpr const char* kListPage = "tasks.htm";
constexpr const char* kDetailsFile = "task_details.txt";
constexpr const char* kDetailsScript = "task_details.js";
constexpr const char* kDetailsPage = "task_details.htm";

std::string joinWithCommas(const std::vector<std::string>& names) {
    std::string line;
    for (const std::string& name : names) {
        if (!line.empty())
            line += ',';
        line += name;
    }
    return line;
}

std::string localUrl(const TQLTask& task) {
    if (task.url().empty())
        return {};
    const std::string file = task.startPageLocalFile();
    return !file.empty() && fileExists(file) ? file : std::string();
}

// Writes the text file and its script, then says which skin page shows them.
Status writeExport(TQLApp& app, TaskListExport& result, const std::string& text,
                   const char* textName, const char* scriptName, const char* pageName) {
    const std::string folder = app.exportFolder();
    if (Status made = forceDirectories(folder); !made)
        return made;
    result.textFile = folder + textName;
    result.scriptFile = folder + scriptName;
    if (Status written = writeFileAtomic(result.textFile, text, 0600); !written)
        return written;
    if (Status written =
            writeFileAtomic(result.scriptFile, exportScriptText(result.header, result.rows), 0600);
        !written)
        return written;
    result.pageUrl = skinPageUrl(app, pageName, result.scriptFile);
    return {};
}

// A stopped or completed download is listed as incomplete, and its file says so from now on.
void settleStatus(TQLTask& task, std::vector<std::string>& problems) {
    if (task.status() != TaskStatus::DownloadStopped &&
        task.status() != TaskStatus::DownloadComplete)
        return;
    if (!checkNotBeingDownloaded(task))
        return;
    const TaskStatus previous = task.status();
    task.setStatus(TaskStatus::Incomplete);
    if (Status saved = task.save(); !saved) {
        task.setStatus(previous);
        problems.push_back(saved.message());
    }
}

} // namespace

const std::vector<std::string>& taskLineHeader() {
    static const std::vector<std::string> names = {
        "Task Name", "Title", "Status",    "Schedule",    "Last Run",        "Next Run",  "Pages",
        "Media",     "URL",   "Local URL", "Destination", "Download Method", "Start Page"};
    return names;
}

const std::vector<std::string>& profilePartHeader() {
    static const std::vector<std::string> names = {
        "Profile Name", "File Types",       "Retrieve Page Location", "Retrieve Media Location",
        "Depth",        "Aggressive Parser"};
    return names;
}

std::string listDateText(double value) {
    if (!(value > 0))
        return {};
    return shortDateText(value) + " " + longTimeText(value);
}

ExportRow taskLineValues(const TQLTask& task) {
    const TaskCounters& counters = task.counters();
    return {task.taskName(),
            task.startPageTitle(),
            task.statusText(),
            task.schedule(),
            listDateText(task.lastRun()),
            listDateText(task.nextRun()),
            std::to_string(counters.PagesSaved) + "/" + std::to_string(counters.PagesFound),
            std::to_string(counters.ResourcesSaved),
            task.url(),
            localUrl(task),
            task.destination(),
            task.profile().profileName(),
            task.filePath()};
}

ExportRow profilePartValues(const TQLProfile& profile) {
    std::string types;
    for (const std::string& type : profile.fileTypes())
        types += type + "  ";
    return {profile.profileName(),
            types,
            locationText(profile.pageLocation()),
            locationText(profile.resourceLocation()),
            depthText(profile.depth()),
            std::to_string(profile.aggressiveParser())};
}

std::string taskLineText(const ExportRow& values) {
    std::string line;
    for (std::size_t i = 0; i < values.size(); ++i)
        line += i == 0 ? values[i] : ",\"" + values[i] + "\"";
    return line;
}

std::string quotedLineText(const ExportRow& values) {
    std::string line;
    for (std::size_t i = 0; i < values.size(); ++i)
        line += (i == 0 ? "\"" : ",\"") + values[i] + "\"";
    return line;
}

Result<TaskListExport> exportTaskList(TQLApp& app, const std::string& category,
                                      const ExportProgress& progress) {
    auto folder = categoryFolder(app, category);
    if (!folder)
        return folder.status();
    TaskListExport result;
    result.header = taskLineHeader();
    std::string text = joinWithCommas(result.header) + "\r\n";
    const std::vector<std::string> files = listFiles(*folder, ".qlt");
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        app.hooks().setStatusLine("Loading " + std::to_string(count) + " Tasks...",
                                  (i + 1) * 100 / count);
        if (progress)
            progress(i + 1, count);
        auto task = TQLTask::loadFromFile(app, *folder + files[i]);
        settleStatus(*task, result.problems);
        result.rows.push_back(taskLineValues(*task));
        text += taskLineText(result.rows.back()) + "\r\n";
    }
    if (Status written = writeExport(app, result, text, kListFile, kListScript, kListPage);
        !written)
        return written;
    app.hooks().setStatusLine(std::to_string(count) + " Tasks", -1);
    return result;
}

ExportRow taskDetailsRow(const TQLTask& task) {
    ExportRow row = taskLineValues(task);
    const ExportRow profile = profilePartValues(task.profile());
    row.insert(row.end(), profile.begin(), profile.end());
    return row;
}

Result<TaskListExport> writeTaskDetails(TQLApp& app, ExportRow row) {
    TaskListExport result;
    result.header = taskLineHeader();
    const std::vector<std::string>& profileNames = profilePartHeader();
    result.header.insert(result.header.end(), profileNames.begin(), profileNames.end());
    const auto profileStart =
        row.begin() + static_cast<std::ptrdiff_t>(std::min(row.size(), taskLineHeader().size()));
    const std::string text = joinWithCommas(taskLineHeader()) + "," + joinWithCommas(profileNames) +
                             "\r\n" + taskLineText(ExportRow(row.begin(), profileStart)) + "," +
                             quotedLineText(ExportRow(profileStart, row.end())) + "\r\n";
    result.rows.push_back(std::move(row));
    if (Status written = writeExport(app, result, text, kDetailsFile, kDetailsScript, kDetailsPage);
        !written)
        return written;
    return result;
}

Result<TaskListExport> exportTaskDetails(TQLApp& app, const std::string& taskFile) {
    auto task = TQLTask::loadFromFile(app, taskFile);
    return writeTaskDetails(app, taskDetailsRow(*task));
}

} // namespace quarlo
