#include "cli/Commands.h"

#include "cli/NewTaskOptions.h"
#include "cli/Printing.h"
#include "cli/TaskRef.h"
#include "html/TextSearch.h"
#include "html/UrlFunctions.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <ostream>

namespace quarlo::cli {

namespace {

// The URLs of a list file: one per line; blank lines and lines starting with "#" are
// skipped. Each is checked and completed as a typed address is.
Result<std::vector<std::string>> readUrlList(const std::string& file) {
    const auto text = readFile(file);
    if (!text)
        return Status::failure("cannot read the URL list " + file);
    std::vector<std::string> urls;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text->size();) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        std::string line = CleanText(text->substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#')
            continue;
        if (Status valid = ValidateURL(line); !valid)
            return Status::failure(file + ":" + std::to_string(lineNumber) + ": " +
                                   valid.message());
        urls.push_back(line);
    }
    if (urls.empty())
        return Status::failure("the URL list " + file + " holds no URL");
    return urls;
}

int taskNew(Context& context, TQLApp& app, Args& args) {
    const auto urlList = args.option("--url-list");
    const NewTaskOptions options = NewTaskOptions::take(args);
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() != (urlList ? 1u : 2u))
        return context.fail("usage: task new (URL | --url-list FILE) [--profile NAME] "
                            "[--intranet DIR | --zip FILE] [--category C]");
    std::vector<std::string> urls;
    std::string url;
    if (urlList) {
        auto list = readUrlList(*urlList);
        if (!list)
            return context.fail(list.message());
        urls = std::move(*list);
        url = urls.front();
    } else {
        url = (*words)[1];
        if (Status valid = ValidateURL(url); !valid)
            return context.fail(valid.message());
    }
    auto created = createTask(app, options, url, urls);
    if (!created)
        return context.fail(created.message());
    TQLTask& task = **created;
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
    for (const char* option : {"--profile", "--intranet", "--zip", "--category", "--url-list"})
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
