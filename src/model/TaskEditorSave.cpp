#include "model/TaskEditor.h"

#include "html/FileNames.h"
#include "html/UrlFunctions.h"
#include "model/Names.h"
#include "model/ScheduleValues.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "platform/TextUtil.h"

#include <string_view>

namespace quarlo {

namespace {

bool beginsNoCase(const std::string& text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

EditorRefusal error(std::string message) {
    return {EditorRefusal::Kind::Error, std::move(message)};
}

EditorRefusal warning(int first, int second) {
    return {EditorRefusal::Kind::Warning, taskEditorText(first) + "\n" + taskEditorText(second)};
}

} // namespace

std::optional<EditorRefusal> TaskEditor::validate(const AskYesNo& ask) {
    if (auto refused = checkUrl())
        return refused;
    if (auto refused = checkNames(ask))
        return refused;
    return checkDestination();
}

std::optional<EditorRefusal> TaskEditor::checkUrl() {
    if (m_values.urlList)
        return std::nullopt;
    std::string url(trimBlanks(m_values.url));
    if (!NormalizeURL(url))
        return error(kUrlRequiredMessage);
    if (!beginsNoCase(url, "http://") && !beginsNoCase(url, "https://"))
        return error(taskEditorText(782));
    m_values.url = url;
    return std::nullopt;
}

std::optional<EditorRefusal> TaskEditor::checkNames(const AskYesNo& ask) {
    if (m_values.taskName.empty())
        return error(taskEditorText(784));
    // Both names become a file and a folder under the Tasks folder.
    if (Status valid = checkItemName(m_values.taskName, "task"); !valid)
        return error(valid.message());
    if (Status valid = checkItemName(m_values.category, "category"); !valid)
        return error(valid.message());
    const std::string target =
        m_app.tasksFolder() + m_values.category + "/" + m_values.taskName + ".qlt";
    // A task added from a file asks whenever its file exists; the other callers ask when
    // the file is another task's, which saving would replace.
    const bool replaces = m_mode == EditorMode::AddTask || target != m_originalPath;
    if (replaces && fileExists(target)) {
        if (!ask(taskEditorText(785)))
            return EditorRefusal{EditorRefusal::Kind::Quiet, {}};
        m_overwriteConfirmed = true;
    }
    return std::nullopt;
}

std::optional<EditorRefusal> TaskEditor::checkDestination() {
    if (m_values.intranet) {
        if (folderOf(m_values.folder).empty())
            return warning(788, 789);
        return std::nullopt;
    }
    std::string& zip = m_values.zipFile;
    if (folderOf(zip).empty() || FileNameNoExt(zip).empty())
        return warning(786, 787);
    if (extensionOf(zip).empty())
        zip += ".zip";
    return std::nullopt;
}

Status TaskEditor::save(bool runNow) {
    if (runNow)
        scheduleNowChosen();
    if (Status placed = placeTask(); !placed)
        return placed;
    storeValues();
    if (Status saved = m_task.save(); !saved)
        return saved;
    m_wroteFile = true;

    const std::string oldPath =
        m_app.tasksFolder() + m_originalCategory + "/" + m_originalName + ".qlt";
    // Only the task's own old file goes: a file of that name that the edited task was not
    // loaded from belongs to another task.
    if (m_anotherCategory && oldPath == m_originalPath && oldPath != m_task.filePath() &&
        fileExists(oldPath)) {
        deleteFile(oldPath);
        Status unlisted = m_app.activeTasks().remove(oldPath);
        const std::string oldQueue = folderOf(oldPath) + m_originalName + ".dwn";
        const std::string newQueue = folderOf(m_task.filePath()) + m_originalName + ".dwn";
        for (const std::string suffix : {"", ".journal", ".links"}) {
            if (fileExists(oldQueue + suffix) && !moveFile(oldQueue + suffix, newQueue + suffix))
                return Status::failure("Unable to move " + oldQueue + suffix + " to " + newQueue +
                                       suffix);
        }
        if (!unlisted)
            return unlisted;
    }
    if (!m_values.intranet && !m_zipToReplace.empty() && m_values.zipFile == m_zipToReplace)
        deleteFile(m_zipToReplace);
    m_zipToReplace.clear();
    return {};
}

Status TaskEditor::placeTask() {
    m_anotherCategory = m_values.category != m_originalCategory;
    return m_task.setLocation(m_values.category, m_values.taskName);
}

void TaskEditor::storeValues() {
    if (m_values.urlList) {
        m_task.setURL({});
        m_task.setUrls(m_values.urls);
    } else {
        m_task.setURL(m_values.url);
        m_task.setUrls({});
    }
    const bool account = m_values.requiresPassword;
    m_task.setUserName(account ? m_values.account : std::string());
    m_task.setPassword(account ? m_values.password : std::string());
    m_task.setAcceptAnyCertificate(m_values.acceptAnyCertificate);
    m_task.setIntranetMode(m_values.intranet);
    m_task.setDestination(m_values.intranet ? withTrailingSlash(m_values.folder)
                                            : m_values.zipFile);
    storeSchedule();
    storeProfileControls(m_values.profile, m_task.profile());
}

void TaskEditor::storeSchedule() {
    m_task.setStatus(TaskStatus::Scheduled);
    if (m_values.schedule == EditorSchedule::Now) {
        m_task.setSchedule(kNowDescription);
        // A next run left in the future by an earlier schedule would hold "Now" back.
        m_task.setNextRun(0);
    } else if (m_values.schedule == EditorSchedule::At && !m_values.atText.empty()) {
        m_task.setSchedule(m_values.atText);
        if (m_chosenNextRun && m_values.atText == editorTimeText(*m_chosenNextRun))
            m_task.setNextRun(*m_chosenNextRun);
    } else {
        m_task.setSchedule({});
        m_task.setStatus(TaskStatus::Unscheduled);
    }
}

} // namespace quarlo
