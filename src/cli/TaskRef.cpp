#include "cli/TaskRef.h"

#include "model/Names.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <strings.h>
#include <sys/stat.h>

namespace quarlo::cli {

namespace {

bool endsWithQlt(const std::string& text) {
    return text.size() > 4 && ::strcasecmp(text.c_str() + text.size() - 4, ".qlt") == 0;
}

} // namespace

Result<std::string> resolveTaskPath(TQLApp& app, const std::string& reference) {
    if (reference.empty())
        return Status::failure("no task named");
    if (endsWithQlt(reference)) {
        if (!fileExists(reference))
            return Status::failure("no task file " + reference);
        return reference;
    }
    std::string category = app.lastCategory();
    std::string name = reference;
    if (const auto slash = reference.rfind('/'); slash != std::string::npos) {
        category = reference.substr(0, slash);
        name = reference.substr(slash + 1);
    }
    if (Status ok = checkItemName(category, "category"); !ok)
        return ok;
    if (Status ok = checkItemName(name, "task name"); !ok)
        return ok;
    const std::string path = app.tasksFolder() + category + "/" + name + ".qlt";
    if (!fileExists(path))
        return Status::failure("no task \"" + name + "\" in category \"" + category + "\"");
    return path;
}

Result<std::unique_ptr<TQLTask>> loadTaskRef(TQLApp& app, const std::string& reference) {
    auto path = resolveTaskPath(app, reference);
    if (!path)
        return path.status();
    if (Status readable = TQLTask::checkFile(*path); !readable)
        return readable;
    return TQLTask::loadFromFile(app, *path);
}

bool taskHasQueue(const TQLTask& task) {
    for (const std::string& file : {task.queueFilePath(), task.queueFilePath() + ".journal"}) {
        struct stat info {};
        if (::stat(file.c_str(), &info) == 0 && info.st_size > 0)
            return true;
    }
    return false;
}

} // namespace quarlo::cli
