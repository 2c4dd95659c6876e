#include "engine/QueueMarking.h"

#include "engine/Queue.h"
#include "model/TQLTask.h"

#include <mutex>

namespace quarlo {

namespace {

struct CommandRule {
    MarkCommand command;
    QueueMode mode;
    bool selectedOnly;
    bool (*qualifies)(const TQLQItem& item);
    bool queueSaved; // else the task file only
};

bool any(const TQLQItem&) {
    return true;
}
bool failed(const TQLQItem& item) {
    return item.Status == QueueStatus::Error;
}
bool unmarked(const TQLQItem& item) {
    return item.Mode == QueueMode::Unmarked;
}
bool beyondSaved(const TQLQItem& item) {
    return item.Status > QueueStatus::Saved;
}
bool page(const TQLQItem& item) {
    return item.isPage();
}
bool waiting(const TQLQItem& item) {
    return item.Status == QueueStatus::None;
}

constexpr CommandRule kRules[] = {
    {MarkCommand::DownloadSelected, QueueMode::Download, true, any, true},
    {MarkCommand::DownloadAll, QueueMode::Download, false, any, true},
    {MarkCommand::DownloadAllErrors, QueueMode::Download, false, failed, true},
    {MarkCommand::DownloadAllUnmarked, QueueMode::Download, false, unmarked, false},
    {MarkCommand::UpdateSelected, QueueMode::Update, true, beyondSaved, true},
    {MarkCommand::UpdateAll, QueueMode::Update, false, beyondSaved, true},
    {MarkCommand::MapSelected, QueueMode::Map, true, page, true},
    {MarkCommand::MapAll, QueueMode::Map, false, page, true},
    {MarkCommand::UnmarkSelected, QueueMode::Unmarked, true, any, true},
    {MarkCommand::UnmarkAll, QueueMode::Unmarked, false, waiting, false},
};

const CommandRule& ruleOf(MarkCommand command) {
    for (const CommandRule& rule : kRules) {
        if (rule.command == command)
            return rule;
    }
    return kRules[0];
}

bool markEntry(TQLTask& task, std::size_t entry, const CommandRule& rule) {
    auto item = LoadItem(task, entry);
    if (!item || !rule.qualifies(*item))
        return false;
    item->Mode = rule.mode;
    SetStatus(*item, QueueStatus::None);
    item->Message.clear();
    StoreItem(*item);
    return true;
}

} // namespace

Result<std::size_t> markEntries(TQLTask& task, MarkCommand command,
                                const std::vector<std::size_t>& selected) {
    std::lock_guard lock(task.mutex());
    const CommandRule& rule = ruleOf(command);
    TaskQueue& queue = task.queue();
    std::size_t marked = 0;
    if (rule.selectedOnly) {
        for (std::size_t entry : selected) {
            if (entry >= queue.size())
                return Result<std::size_t>::failure("No queue entry " + std::to_string(entry));
        }
    }
    queue.beginBatch();
    if (rule.selectedOnly) {
        for (std::size_t entry : selected)
            marked += markEntry(task, entry, rule) ? 1 : 0;
    } else {
        for (std::size_t entry = 0; entry < queue.size(); ++entry)
            marked += markEntry(task, entry, rule) ? 1 : 0;
    }
    queue.endBatch();
    Status saved = rule.queueSaved ? SaveQueue(task) : task.save();
    if (!saved)
        return saved;
    return marked;
}

Result<std::vector<std::size_t>> entriesOfURLs(TQLTask& task,
                                               const std::vector<std::string>& urls) {
    std::lock_guard lock(task.mutex());
    std::vector<std::size_t> entries;
    for (const std::string& url : urls) {
        const auto entry = task.queue().find(url);
        if (!entry)
            return Result<std::vector<std::size_t>>::failure("Not in the queue: " + url);
        entries.push_back(*entry);
    }
    return entries;
}

bool toggleMark(TQLTask& task, std::size_t entry) {
    std::lock_guard lock(task.mutex());
    auto item = LoadItem(task, entry);
    if (!item || item->Status != QueueStatus::None)
        return false;
    item->Mode = item->Mode == QueueMode::Unmarked ? QueueMode::Download : QueueMode::Unmarked;
    StoreItem(*item);
    return true;
}

} // namespace quarlo
