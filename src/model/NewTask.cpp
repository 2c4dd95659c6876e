#include "model/NewTask.h"

#include "html/UrlFunctions.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"

namespace quarlo {

namespace {

bool isCustomProfile(const std::string& name) {
    return name.empty() || name == "Custom";
}

Status chooseProfile(TQLApp& app, TQLTask& task, const std::string& profileName) {
    if (isCustomProfile(profileName)) {
        task.profile() = TQLProfile::defaults();
    } else {
        Result<TQLProfile> named = loadNamedProfile(app, profileName);
        if (!named)
            return named.status();
        task.profile() = std::move(*named);
    }
    task.profile().setFilePath(task.filePath());
    return {};
}

} // namespace

Result<std::unique_ptr<TQLTask>> createTaskFromUrl(TQLApp& app, const NewTaskRequest& request) {
    auto task = std::make_unique<TQLTask>(app);
    const std::string category = request.category.empty() ? app.lastCategory() : request.category;
    const std::string folder = app.tasksFolder() + category + "/";
    const std::string free = UniqueFileName(folder + SiteShortName(request.url) + ".qlt");
    if (Status placed = task->setLocation(category, FileNameNoExt(free)); !placed)
        return placed;
    task->setURL(request.url);
    task->setIntranetMode(request.intranetMode);
    if (request.map)
        task->setRunMethod(RunMethod::Map);
    if (Status chosen = chooseProfile(app, *task, request.profileName); !chosen)
        return chosen;

    if (request.intranetMode) {
        task->setDestination(app.intranetFolder());
    } else if (!request.selectedZip.empty()) {
        task->setDestination(request.selectedZip);
        task->profile().setUseStartPageTitle(false);
    } else {
        task->setDestination(UniqueFileName(app.downloadsFolder() + task->taskName() + ".zip"));
    }
    return task;
}

} // namespace quarlo
