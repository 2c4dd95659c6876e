#include "cli/Commands.h"

#include "cli/Json.h"
#include "cli/JsonDocuments.h"
#include "cli/TaskRef.h"
#include "engine/Queue.h"
#include "engine/QueueMarking.h"
#include "model/TQLApp.h"
#include "model/TQLQItem.h"
#include "model/TQLTask.h"
#include "model/TaskQueue.h"
#include "schedule/Schedule.h"

#include <ostream>

namespace quarlo::cli {

namespace {

// The explorer's Mark column as text: the mode while the entry waits or runs, else what
// became of it.
std::string markText(const TQLQItem& item) {
    if (item.Status <= QueueStatus::Updating) {
        switch (item.Mode) {
        case QueueMode::Unmarked:
            return "unmarked";
        case QueueMode::Download:
            return "download";
        case QueueMode::Map:
            return "map";
        case QueueMode::Update:
            return "update";
        }
        return "";
    }
    if (item.Status == QueueStatus::Error)
        return "error";
    return item.Status >= QueueStatus::Saved ? "done" : "";
}

// Every entry as a JSON document: {"task": ..., "file": ..., "entries": [...]}.
void showQueueJson(Context& context, TQLTask& task) {
    JsonWriter json(context.out);
    json.beginObject().key("task").string(task.taskName());
    json.key("file").string(task.filePath()).key("entries").beginArray();
    const std::size_t entries = task.queue().size();
    for (std::size_t entry = 0; entry < entries; ++entry) {
        auto item = LoadItem(task, entry);
        writeQueueEntryJson(json, *item, markText(*item));
    }
    json.endArray().endObject();
}

int showQueue(Context& context, TQLTask& task, bool json) {
    if (auto loaded = LoadQueue(task); !loaded)
        return context.fail(loaded.message());
    if (json) {
        showQueueJson(context, task);
        return 0;
    }
    context.out << "Mark\tStatus\tTitle\tURL\tType\tSize\tLast Modified\tDownload Result\t"
                   "Level\tReferrer\n";
    const std::size_t entries = task.queue().size();
    for (std::size_t entry = 0; entry < entries; ++entry) {
        auto item = LoadItem(task, entry);
        context.out << markText(*item) << "\t" << StatusName(item->Status) << "\t" << item->Title
                    << "\t" << item->URL << "\t" << item->FileType << "\t" << item->Size << "\t"
                    << item->LastModified << "\t" << item->Message << "\t" << item->Level << "\t"
                    << item->Referrer << "\n";
    }
    return 0;
}

struct MarkChoice {
    const char* mark;
    const char* which;
    MarkCommand command;
};

const MarkChoice kMarkChoices[] = {
    {"--download", "--all", MarkCommand::DownloadAll},
    {"--download", "--errors", MarkCommand::DownloadAllErrors},
    {"--download", "--unmarked", MarkCommand::DownloadAllUnmarked},
    {"--download", "--url", MarkCommand::DownloadSelected},
    {"--update", "--all", MarkCommand::UpdateAll},
    {"--update", "--url", MarkCommand::UpdateSelected},
    {"--map", "--all", MarkCommand::MapAll},
    {"--map", "--url", MarkCommand::MapSelected},
    {"--unmark", "--all", MarkCommand::UnmarkAll},
    {"--unmark", "--url", MarkCommand::UnmarkSelected},
};

const char* kMarkUsage =
    "usage: queue mark TASK --download|--update|--map|--unmark --all|--errors|--unmarked|"
    "--url URL...";

int markQueue(Context& context, TQLTask& task, Args& args) {
    std::vector<const char*> marks;
    for (const char* mark : {"--download", "--update", "--map", "--unmark"})
        if (args.flag(mark))
            marks.push_back(mark);
    std::vector<const char*> whiches;
    for (const char* which : {"--all", "--errors", "--unmarked"})
        if (args.flag(which))
            whiches.push_back(which);
    const std::vector<std::string> urls = args.options("--url");
    if (!urls.empty())
        whiches.push_back("--url");
    if (auto rest = args.positional(); !rest || rest->size() != 2)
        return context.fail(rest ? kMarkUsage : rest.message());
    if (marks.size() != 1 || whiches.size() != 1)
        return context.fail(kMarkUsage);
    const MarkChoice* choice = nullptr;
    for (const auto& candidate : kMarkChoices)
        if (std::string(candidate.mark) == marks[0] && std::string(candidate.which) == whiches[0])
            choice = &candidate;
    if (choice == nullptr)
        return context.fail(std::string(marks[0]) + " does not go with " + whiches[0]);
    if (Status free = checkNotBeingDownloaded(task); !free)
        return context.fail(free.message());
    if (auto loaded = LoadQueue(task); !loaded)
        return context.fail(loaded.message());
    std::vector<std::size_t> selected;
    if (!urls.empty()) {
        auto entries = entriesOfURLs(task, urls);
        if (!entries)
            return context.fail(entries.message());
        selected = *entries;
    }
    auto marked = markEntries(task, choice->command, selected);
    if (!marked)
        return context.fail(marked.message());
    context.out << "Marked " << *marked << (*marked == 1 ? " entry" : " entries") << ".\n";
    return 0;
}

} // namespace

int queueCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    Args peek = args;
    for (const char* flag :
         {"--download", "--update", "--map", "--unmark", "--all", "--errors", "--unmarked"})
        peek.flag(flag);
    peek.options("--url");
    const bool json = peek.flag("--json");
    auto words = peek.positional();
    if (!words)
        return context.fail(words.message());
    const bool mark = !words->empty() && words->front() == "mark";
    if (words->size() != (mark ? 2u : 1u))
        return context.fail("usage: queue TASK [--json] | " + std::string(kMarkUsage + 7));
    if (mark && json)
        return context.fail("--json goes with 'queue TASK' only");
    auto task = loadTaskRef(**app, words->back());
    if (!task)
        return context.fail(task.message());
    return mark ? markQueue(context, **task, args) : showQueue(context, **task, json);
}

} // namespace quarlo::cli
