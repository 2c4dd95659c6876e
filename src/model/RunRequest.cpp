#include "model/RunRequest.h"

#include "model/TQLTask.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace quarlo {

namespace {

std::int64_t notBelowZero(std::int64_t value) {
    return std::max<std::int64_t>(value, 0);
}

} // namespace

std::string RunSummary::cell(int row, int column) const {
    std::int64_t pages = 0;
    std::int64_t media = 0;
    switch (row) {
    case Downloaded:
        pages = downloadedPages;
        media = downloadedMedia;
        break;
    case Queued:
        pages = queuedPages;
        media = queuedMedia;
        break;
    case Errors:
        pages = errorPages;
        media = errorMedia;
        break;
    default:
        return {};
    }
    switch (column) {
    case 0:
        return std::to_string(pages);
    case 1:
        return std::to_string(media);
    case 2:
        return std::to_string(pages + media);
    default:
        return {};
    }
}

RunSummary runSummary(const TaskCounters& c) {
    RunSummary summary;
    summary.downloadedPages = notBelowZero(c.PagesSaved);
    summary.downloadedMedia = notBelowZero(c.ResourcesSaved);
    summary.errorPages = notBelowZero(c.PageErrors);
    summary.errorMedia = notBelowZero(c.ResourceErrors);
    summary.queuedPages = notBelowZero(c.PagesFound - c.PagesSaved - c.PageErrors);
    summary.queuedMedia = notBelowZero(c.ResourcesFound - c.ResourcesSaved - c.ResourceErrors);
    return summary;
}

RunDialogModel runDialogModel(const TQLTask& task) {
    RunDialogModel model;
    {
        std::lock_guard lock(task.mutex());
        model.summary = runSummary(task.counters());
    }
    model.title = runDialogText(764) + task.taskName() + ")";
    const bool finished =
        task.status() == TaskStatus::Zipped || task.status() == TaskStatus::TaskComplete;
    const bool errors = model.summary.hasErrors();
    model.question = runDialogText(!finished ? 767 : errors ? 766 : 765);
    model.recoveryAllowed = errors;
    model.initialMethod = RunMethod::Resume;
    return model;
}

std::string runMethodExplanation(RunMethod method) {
    if (method < RunMethod::Restart || method > RunMethod::SmartRecovery)
        return {};
    return runDialogText(768 + toIniValue(method));
}

std::string runDialogText(int number) {
    static const std::map<int, std::string> texts = {
        {764, "Run Task ("},
        {765, "This task has been completed. How would you like to run it again?"},
        {766, "This task was completed with errors. How would you like to run it again?"},
        {767, "This task has not finished downloading. How would you like to run it?"},
        {768, "Clear the download list and download everything again from the start."},
        {769, "Continue where the last run stopped, with the files still queued."},
        {770, "Check every downloaded file again and fetch the ones that have changed."},
        {771, "Try again the files that failed in the last run."},
    };
    const auto found = texts.find(number);
    return found == texts.end() ? std::string() : found->second;
}

} // namespace quarlo
