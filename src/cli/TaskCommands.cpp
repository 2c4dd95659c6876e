#include "cli/Commands.h"

#include "cli/Json.h"
#include "cli/JsonDocuments.h"
#include "cli/NewTaskOptions.h"
#include "cli/Printing.h"
#include "cli/TaskRef.h"
#include "html/TextSearch.h"
#include "html/UrlFunctions.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "reports/Categories.h"
#include "reports/TaskList.h"

#include <algorithm>
#include <cctype>
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
                            "[--intranet DIR | --zip FILE] [--category C] "
                            "[--user NAME --password-file FILE] [--insecure] [--no-robots]");
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

// How a task or a task list is printed.
enum class Output { Text, Csv, Json };

// As text or JSON every field of the task; as CSV the details export's lines. Each writes the
// details export.
int taskShow(Context& context, TQLApp& app, const std::string& reference, Output output) {
    auto task = loadTaskRef(app, reference);
    if (!task)
        return context.fail(task.message());
    for (const auto& key : (*task)->unreadableKeys())
        context.warn("the value of \"" + key + "\" in " + (*task)->filePath() +
                     " could not be read; its default is shown");
    auto exported = exportTaskDetails(app, (*task)->filePath());
    if (!exported)
        return context.fail(exported.message());
    if (output == Output::Csv) {
        context.out << readFile(exported->textFile).value_or("");
    } else if (output == Output::Json) {
        JsonWriter json(context.out);
        writeTaskJson(json, **task);
    } else {
        printTask(context.out, **task);
    }
    return 0;
}

// The output asked for by --csv or --json; both together are an error.
Result<Output> takeOutput(Args& args) {
    const bool csv = args.flag("--csv");
    const bool json = args.flag("--json");
    if (csv && json)
        return Status::failure("give --csv or --json, not both");
    return json ? Output::Json : csv ? Output::Csv : Output::Text;
}

// Every task of the category as a JSON document: {"category": ..., "tasks": [...]}.
void printListJson(Context& context, TQLApp& app, const std::string& category,
                   const std::string& folder) {
    JsonWriter json(context.out);
    json.beginObject().key("category").string(category).key("tasks").beginArray();
    for (const std::string& file : listFiles(folder, ".qlt"))
        writeTaskJson(json, *TQLTask::loadFromFile(app, folder + file));
    json.endArray().endObject();
}

int taskDelete(Context& context, TQLApp& app, const std::string& reference) {
    auto path = resolveTaskPath(app, reference);
    if (!path)
        return context.fail(path.message());
    if (Status deleted = deleteTask(app, *path); !deleted)
        return context.fail(deleted.message());
    context.out << "Moved to the trash: " << *path << "\n";
    return 0;
}

// An aligned table of some columns of the task list.
void printListTable(std::ostream& out, const TaskListExport& list) {
    static constexpr std::size_t kColumns[] = {0, 2, 3, 4, 5, 6, 7, 8};
    std::vector<std::vector<std::string>> table;
    table.emplace_back();
    for (std::size_t column : kColumns) {
        std::string name = list.header[column];
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        table.back().push_back(name);
    }
    for (const ExportRow& row : list.rows) {
        table.emplace_back();
        for (std::size_t column : kColumns)
            table.back().push_back(row[column].empty() ? "-" : row[column]);
    }
    std::vector<std::size_t> widths(std::size(kColumns));
    for (const auto& row : table)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    for (const auto& row : table) {
        for (std::size_t i = 0; i + 1 < row.size(); ++i)
            out << row[i] << std::string(widths[i] + 2 - row[i].size(), ' ');
        out << row.back() << "\n";
    }
}

} // namespace

int taskCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    Args peek = args;
    for (const char* option : {"--profile", "--intranet", "--zip", "--category", "--url-list",
                               "--user", "--password-file"})
        peek.option(option);
    peek.flag("--insecure");
    peek.flag("--no-robots");
    peek.flag("--csv");
    peek.flag("--json");
    auto words = peek.positional();
    if (!words)
        return context.fail(words.message());
    const std::string verb = words->empty() ? "" : (*words)[0];
    if (verb == "new")
        return taskNew(context, **app, args);
    if (verb == "show" || verb == "delete") {
        auto output = verb == "show" ? takeOutput(args) : Output::Text;
        if (!output)
            return context.fail(output.message());
        auto taken = args.positional();
        if (taken && taken->size() == 2)
            return verb == "show" ? taskShow(context, **app, (*words)[1], *output)
                                  : taskDelete(context, **app, (*words)[1]);
    }
    return context.fail("usage: task new URL [options] | task show TASK [--csv | --json] | "
                        "task delete TASK");
}

int tasksCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    const auto output = takeOutput(args);
    if (!output)
        return context.fail(output.message());
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    if (words->size() > 1)
        return context.fail("usage: tasks [CATEGORY] [--csv | --json]");
    const std::string category = words->empty() ? (*app)->lastCategory() : (*words)[0];
    auto folder = categoryFolder(**app, category);
    if (!folder)
        return context.fail(folder.message());
    if (!directoryExists(*folder))
        return context.fail("no category \"" + category + "\"");
    auto list = exportTaskList(**app, category);
    if (!list)
        return context.fail(list.message());
    for (const std::string& problem : list->problems)
        context.warn(problem);
    if (*output == Output::Csv) {
        context.out << readFile(list->textFile).value_or("");
        return 0;
    }
    if (*output == Output::Json) {
        printListJson(context, **app, category, *folder);
        return 0;
    }
    context.out << "Category " << category << ":\n";
    printListTable(context.out, *list);
    return 0;
}

} // namespace quarlo::cli
