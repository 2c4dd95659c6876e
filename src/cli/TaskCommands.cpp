#include "cli/Commands.h"

#include "cli/Printing.h"
#include "cli/TaskRef.h"
#include "html/UrlFunctions.h"
#include "model/NewTask.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <filesystem>
#include <ostream>

namespace quarlo::cli {

namespace {

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

int taskNew(Context& context, TQLApp& app, Args& args) {
    NewTaskRequest request;
    request.profileName = args.option("--profile").value_or("");
    const auto intranet = args.option("--intranet");
    const auto zip = args.option("--zip");
    const auto category = args.option("--category");
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() != 2)
        return context.fail("usage: task new URL [--profile NAME] [--intranet DIR | --zip FILE] "
                            "[--category C]");
    if (intranet && zip)
        return context.fail("give --intranet or --zip, not both");
    request.url = (*words)[1];
    if (Status valid = ValidateURL(request.url); !valid)
        return context.fail(valid.message());
    request.intranetMode = intranet ? true : zip ? false : app.saveMode() == 1;
    if (category)
        request.category = *category;
    auto created = createTaskFromUrl(app, request);
    if (!created)
        return context.fail(created.message());
    TQLTask& task = **created;
    if (intranet)
        task.setDestination(withTrailingSlash(absolutePath(*intranet)));
    if (zip) {
        std::string file = absolutePath(*zip);
        if (extensionOf(file).empty())
            file += ".zip";
        task.setDestination(file);
    }
    if (Status saved = task.save(); !saved)
        return context.fail(saved.message());
    context.out << "Created task \"" << task.taskName() << "\" in category \"" << task.category()
                << "\": " << task.filePath() << "\n";
    return 0;
}

int taskShow(Context& context, TQLApp& app, const std::string& reference) {
    auto path = resolveTaskPath(app, reference);
    if (!path)
        return context.fail(path.message());
    auto task = TQLTask::loadFromFile(app, *path);
    for (const auto& key : task->unreadableKeys())
        context.warn("the value of \"" + key + "\" in " + *path +
                     " could not be read; its default is shown");
    printTask(context.out, *task);
    return 0;
}

} // namespace

int taskCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    Args peek = args;
    for (const char* option : {"--profile", "--intranet", "--zip", "--category"})
        peek.option(option);
    auto words = peek.positional();
    if (!words)
        return context.fail(words.message());
    const std::string verb = words->empty() ? "" : (*words)[0];
    if (verb == "new")
        return taskNew(context, **app, args);
    if (verb == "show" && words->size() == 2 && args.positional()->size() == 2)
        return taskShow(context, **app, (*words)[1]);
    return context.fail("usage: task new URL [options] | task show TASK");
}

int tasksCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() > 1)
        return context.fail("usage: tasks [CATEGORY]");
    const std::string category = words->empty() ? (*app)->lastCategory() : (*words)[0];
    const std::string folder = (*app)->tasksFolder() + category + "/";
    if (!directoryExists(folder))
        return context.fail("no category \"" + category + "\"");
    std::vector<std::unique_ptr<TQLTask>> tasks;
    for (const auto& file : listFiles(folder, ".qlt"))
        tasks.push_back(TQLTask::loadFromFile(**app, folder + file));
    std::vector<const TQLTask*> view;
    for (const auto& task : tasks)
        view.push_back(task.get());
    context.out << "Category " << category << ":\n";
    printTaskTable(context.out, view);
    return 0;
}

} // namespace quarlo::cli
