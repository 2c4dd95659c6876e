#include "model/TaskEditor.h"

#include "html/FileNames.h"
#include "model/ScheduleValues.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <algorithm>
#include <map>

namespace quarlo {

namespace {

// The URL boxes start out as "http://": that much counts as nothing typed.
bool blankUrl(const std::string& url) {
    return url.empty() || url == "http://";
}

} // namespace

std::string taskEditorText(int number) {
    static const std::map<int, std::string> texts = {
        {782, "Only web addresses beginning with http:// or https:// can be downloaded."},
        {784, "Please enter a name for the task."},
        {785, "A task of this name already exists in this category. Replace it?"},
        {786, "Please enter the Zip file as a folder and a file name,"},
        {787, "for example /home/me/Sites/site.zip."},
        {788, "Please enter the folder the site is to be saved in,"},
        {789, "for example /home/me/Intranet/."},
    };
    const auto found = texts.find(number);
    return found == texts.end() ? std::string() : found->second;
}

std::string editorTitle(EditorMode mode) {
    switch (mode) {
    case EditorMode::EditTask:
        return "Edit Task";
    case EditorMode::AddTask:
        return "Add a Task";
    case EditorMode::CreateNewTask:
        break;
    }
    return "Create New Task";
}

std::string editorTimeText(DateTime when) {
    return shortDateText(when) + " " + longTimeText(when).substr(0, 5);
}

bool makesProfileCustom(ProfileControl control) {
    switch (control) {
    case ProfileControl::EditUrlFilter:
    case ProfileControl::RemoveUrlFilter:
    case ProfileControl::ConvertFollowed:
    case ProfileControl::ConvertUnfollowed:
        return false;
    default:
        return true;
    }
}

ProfileControl urlFilterChange(const ProfileControls& before,
                               const std::vector<std::string>& include,
                               const std::vector<std::string>& exclude) {
    if (include.size() > before.include.size() || exclude.size() > before.exclude.size())
        return ProfileControl::AddUrlFilter;
    if (include.size() < before.include.size() || exclude.size() < before.exclude.size())
        return ProfileControl::RemoveUrlFilter;
    return ProfileControl::EditUrlFilter;
}

ProfileControls profileControls(const TQLProfile& profile) {
    ProfileControls controls;
    controls.profileName = profile.profileName();
    controls.useStartPageTitle = profile.useStartPageTitle();
    controls.fileTypes = profile.fileTypes();
    controls.include = profile.urlFiltersInclude();
    controls.exclude = profile.urlFiltersExclude();
    controls.pageLocation = profile.pageLocation();
    controls.resourceLocation = profile.resourceLocation();
    if (profile.depth() == 0) {
        controls.levelChoice = LevelChoice::ThisPageOnly;
    } else if (profile.depth() > 0) {
        controls.levelChoice = LevelChoice::ThisPageAnd;
        controls.levels = profile.depth();
    } else {
        controls.levelChoice = LevelChoice::AllLevels;
    }
    controls.aggressive = profile.aggressiveParser() != 0;
    controls.aggressiveWholePage = profile.aggressiveParser() >= 2;
    controls.obeyRobots = profile.obeyRobots();
    controls.convertFollowed = profile.convertFollowedLinks();
    controls.convertUnfollowed = profile.convertUnfollowedLinks();
    controls.pageSizeMin = profile.pageFileSizeMin();
    controls.pageSizeMax = profile.pageFileSizeMax();
    controls.mediaSizeMin = profile.resourceFileSizeMin();
    controls.mediaSizeMax = profile.resourceFileSizeMax();
    return controls;
}

void storeProfileControls(const ProfileControls& controls, TQLProfile& profile) {
    profile.setProfileName(controls.profileName);
    switch (controls.levelChoice) {
    case LevelChoice::ThisPageOnly:
        profile.setDepth(0);
        break;
    case LevelChoice::ThisPageAnd:
        profile.setDepth(std::max(1, controls.levels));
        break;
    case LevelChoice::AllLevels:
        profile.setDepth(-1);
        break;
    }
    profile.setFileTypes(controls.fileTypes);
    profile.setPageLocation(static_cast<std::uint8_t>(controls.pageLocation));
    profile.setResourceLocation(static_cast<std::uint8_t>(controls.resourceLocation));
    profile.setUseStartPageTitle(controls.useStartPageTitle);
    profile.setUrlFiltersExclude(controls.exclude);
    profile.setUrlFiltersInclude(controls.include);
    profile.setAggressiveParser(!controls.aggressive ? 0 : controls.aggressiveWholePage ? 2 : 1);
    profile.setObeyRobots(controls.obeyRobots);
    profile.setConvertFollowedLinks(static_cast<std::uint8_t>(controls.convertFollowed));
    profile.setConvertUnfollowedLinks(static_cast<std::uint8_t>(controls.convertUnfollowed));
    profile.setPageFileSizeMin(std::max(0, controls.pageSizeMin));
    profile.setPageFileSizeMax(std::max(0, controls.pageSizeMax));
    profile.setResourceFileSizeMin(std::max(0, controls.mediaSizeMin));
    profile.setResourceFileSizeMax(std::max(0, controls.mediaSizeMax));
}

TaskEditor::TaskEditor(TQLApp& app, TQLTask& task, EditorMode mode)
    : m_app(app), m_task(task), m_mode(mode), m_originalName(task.taskName()),
      m_originalPath(task.filePath()), m_originalCategory(app.lastCategory()) {}

std::vector<std::string> TaskEditor::categories() const {
    std::vector<std::string> names = listFolders(m_app.tasksFolder());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> TaskEditor::profileEntries() const {
    std::vector<std::string> entries{std::string()};
    for (const std::string& name : namedProfiles(m_app))
        entries.push_back(name);
    return entries;
}

void TaskEditor::show() {
    m_loading = true;
    m_values = TaskEditorValues();
    m_values.category = m_originalCategory;
    m_values.taskName = m_task.taskName();
    if (m_task.urls().empty()) {
        if (!m_task.url().empty())
            m_values.url = m_task.url();
    } else {
        m_values.urlList = true;
        m_values.urls = m_task.urls();
    }
    if (!m_task.userName().empty() && !m_task.password().empty()) {
        m_values.account = m_task.userName();
        m_values.password = m_task.password();
        m_values.requiresPassword = true;
    }
    m_values.acceptAnyCertificate = m_task.acceptAnyCertificate();
    m_values.folder = m_app.intranetFolder();
    m_values.intranet = m_task.intranetMode();
    (m_values.intranet ? m_values.folder : m_values.zipFile) = m_task.destination();
    showProfile();
    // Only a scheduled task shows its schedule: saving the page then keeps it as it was.
    if (m_task.status() == TaskStatus::Scheduled && !m_task.schedule().empty()) {
        const bool now = m_task.schedule() == kNowDescription;
        m_values.schedule = now ? EditorSchedule::Now : EditorSchedule::At;
        m_values.atText = now ? std::string() : m_task.schedule();
    }
    m_typedNameFirst = false;
    m_zipToReplace.clear();
    m_chosenNextRun.reset();
    m_loading = false;
}

void TaskEditor::showProfile() {
    const TQLProfile& own = m_task.profile();
    const std::vector<std::string> entries = profileEntries();
    // A named profile whose file is gone can no longer be chosen: the task's copy is custom.
    const bool listed =
        std::find(entries.begin(), entries.end(), own.profileName()) != entries.end();
    const std::string name = listed ? own.profileName() : std::string();
    applyProfileEntry(name);
    if (own.filePath().empty()) {
        m_values.profile.useStartPageTitle = own.useStartPageTitle();
        m_values.profile.fileTypes = own.fileTypes();
        m_values.profile.levelChoice = LevelChoice::AllLevels;
        return;
    }
    m_values.profile = profileControls(own);
    m_values.profile.profileName = name;
}

void TaskEditor::applyProfileEntry(const std::string& name) {
    const bool wasLoading = m_loading;
    m_loading = true;
    TQLProfile chosen = TQLProfile::defaults();
    if (!name.empty()) {
        if (Result<TQLProfile> named = loadNamedProfile(m_app, name))
            chosen = std::move(*named);
    }
    m_values.profile = profileControls(chosen);
    m_values.profile.profileName = name;
    m_loading = wasLoading;
}

bool TaskEditor::profileControlChanged(ProfileControl control) {
    if (m_loading || !makesProfileCustom(control))
        return false;
    m_values.profile.profileName.clear();
    return true;
}

std::string TaskEditor::titleBar(const std::string& nodeText, bool topLevel) const {
    const std::string& name = m_values.profile.profileName;
    if (topLevel || name.empty())
        return " " + nodeText;
    return " " + name + " --> " + nodeText;
}

void TaskEditor::taskNameTyped(const std::string& name) {
    m_values.taskName = name;
    if (!m_loading)
        m_typedNameFirst = !name.empty() && blankUrl(m_values.url) && blankUrl(m_values.listUrl);
}

void TaskEditor::startUrlTyped(const std::string& url) {
    m_values.url = url;
    fillAutomaticNames();
}

void TaskEditor::categoryTyped(const std::string& category) {
    m_values.category = category;
    fillAutomaticNames();
}

void TaskEditor::fillAutomaticNames() {
    if (m_loading || m_mode == EditorMode::EditTask || blankUrl(m_values.url))
        return;
    const std::string shortName = SiteShortName(m_values.url);
    m_values.zipFile = UniqueFileName(m_app.downloadsFolder() + shortName + ".zip");
    if (m_typedNameFirst)
        return;
    // Unique in the category the task is going to be saved in.
    const std::string category = m_values.category.empty() ? m_originalCategory : m_values.category;
    const std::string folder = m_app.tasksFolder() + category + "/";
    m_values.taskName = FileNameNoExt(UniqueFileName(folder + shortName + ".qlt"));
}

void TaskEditor::newZipFileChosen(const std::string& path) {
    m_values.zipFile = path;
    m_zipToReplace = fileExists(path) ? path : std::string();
}

void TaskEditor::scheduleChosen(DateTime nextRun) {
    m_values.atText = editorTimeText(nextRun);
    m_values.schedule = EditorSchedule::At;
    m_chosenNextRun = nextRun;
}

void TaskEditor::scheduleNowChosen() {
    m_values.schedule = EditorSchedule::Now;
    m_values.atText.clear();
}

} // namespace quarlo
