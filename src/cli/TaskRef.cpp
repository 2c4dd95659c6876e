#include "cli/TaskRef.h"

#include "cli/Args.h"
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

Result<std::unique_ptr<TQLTask>> loadOnlyTaskRef(TQLApp& app, const Args& args,
                                                 const std::string& usage) {
    auto words = args.positional();
    if (!words)
        return words.status();
    if (words->size() != 1)
        return Status::failure(usage);
    return loadTaskRef(app, words->front());
}

Result<std::optional<RunMethod>> flaggedRunMethod(Args& args) {
    std::optional<RunMethod> chosen;
    int given = 0;
    for (const auto& [flag, method] :
         {std::pair{"--restart", RunMethod::Restart}, std::pair{"--resume", RunMethod::Resume},
          std::pair{"--update", RunMethod::SmartUpdate},
          std::pair{"--recover", RunMethod::SmartRecovery}}) {
        if (args.flag(flag)) {
            chosen = method;
            ++given;
        }
    }
    if (given > 1)
        return Status::failure("give one of --restart, --resume, --update, --recover");
    return chosen;
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
