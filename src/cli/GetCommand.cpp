#include "cli/Commands.h"

#include "cli/NewTaskOptions.h"
#include "cli/ProfileOptions.h"
#include "html/UrlFunctions.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"

#include <ostream>

namespace quarlo::cli {

namespace {

// Where a finished task's copy can be opened.
std::string copyLocation(const TQLTask& task) {
    if (!task.intranetMode())
        return task.destination();
    const std::string start = task.startPageLocalFile();
    return start.empty() ? task.destination() : start;
}

} // namespace

int mirrorInForeground(Context& context, TQLApp& app, std::unique_ptr<TQLTask> task) {
    if (Status saved = task->save(); !saved)
        return context.fail(saved.message());
    const std::string name = task->taskName();
    const std::string path = task->filePath();
    const int code = runTaskInForeground(context, app, std::move(task));
    if (code != 0 && code != 1)
        return code;
    const auto finished = TQLTask::loadFromFile(app, path);
    if (finished->status() == TaskStatus::TaskComplete ||
        finished->status() == TaskStatus::Zipped ||
        finished->status() == TaskStatus::DownloadComplete)
        context.out << "The copy of \"" << name << "\" is in " << copyLocation(*finished) << "\n";
    return code;
}

int getCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    const NewTaskOptions options = NewTaskOptions::take(args);
    const bool map = args.flag("--map");
    const bool noAds = args.flag("--no-ads");
    // The options change this task's own copy of the profile only, never a named profile.
    TQLProfile changes;
    bool changed = false;
    Args optionWords = args;
    if (Status ok = applyProfileOptions(optionWords, changes, &changed); !ok)
        return context.fail(ok.message());
    auto words = optionWords.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() != 1)
        return context.fail("usage: get URL [options] (see 'quarlo-cli help get')");
    std::string url = words->front();
    if (Status valid = ValidateURL(url); !valid)
        return context.fail(valid.message());
    auto created = createTask(**app, options, url, {}, map);
    if (!created)
        return context.fail(created.message());
    std::unique_ptr<TQLTask> task = std::move(*created);
    if (changed) {
        if (Status ok = applyProfileOptions(args, task->profile()); !ok)
            return context.fail(ok.message());
        task->profile().setProfileName({});
    }
    if (noAds)
        (*app)->setNoAds(true);
    task->setRunMethod(map ? RunMethod::Map : RunMethod::Restart);
    return mirrorInForeground(context, **app, std::move(task));
}

} // namespace quarlo::cli
