#include "reports/Categories.h"

#include "model/Names.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "platform/InstanceLock.h"
#include "platform/Trash.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace quarlo {

namespace {

constexpr int kNewFolderTries = 50;

// Whether the path is the folder itself or lies below it (both already resolved).
bool within(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

fs::path resolved(const std::string& path) {
    std::error_code ec;
    fs::path result = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? fs::path() : result;
}

std::string holderName(const InstanceLock::Holder& holder) {
    return holder.pid > 0 ? "the running instance (process " + std::to_string(holder.pid) + ")"
                          : "the running instance";
}

// Refuses when the instance holding the data folder is downloading a task at or below the
// resolved path.
Status checkHolderAway(const TQLApp& app, const fs::path& target, const std::string& what) {
    const auto holder = InstanceLock::currentHolder(app.dataFolder());
    if (!holder)
        return {};
    // A record caught while being rewritten names no task: it may well be this one.
    if (holder->pid == 0)
        return Status::failure(what + " may hold the task being downloaded by " +
                               holderName(*holder) + "; try again.");
    if (holder->currentTask.empty())
        return {};
    const fs::path busy = resolved(holder->currentTask);
    if (!busy.empty() && within(busy, target))
        return Status::failure(what + " is being downloaded by " + holderName(*holder) +
                               "; stop its run first.");
    return {};
}

// Frees the application's current task when its file lay at or below the removed path.
void forgetCurrentTask(TQLApp& app, const fs::path& removed) {
    const TQLTask* current = app.currentTask();
    if (current == nullptr || current->filePath().empty())
        return;
    // The file is gone, so its folder is resolved instead.
    const fs::path folder = resolved(folderOf(current->filePath()));
    if (folder.empty())
        return;
    const fs::path file = folder / fileNameOf(current->filePath());
    if (within(file, removed))
        app.setCurrentTask(nullptr);
}

Status trashIfPresent(const TQLApp& app, const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return {};
    auto moved = moveToTrash(path, trashFolderOf(app.folders()));
    return moved.status();
}

} // namespace

Result<std::string> categoryFolder(const TQLApp& app, const std::string& category) {
    if (category.empty())
        return Status::failure("no category named");
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = category.find('/', start);
        if (Status valid = checkItemName(category.substr(start, slash - start), "category"); !valid)
            return valid;
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return app.tasksFolder() + category + "/";
}

Result<std::string> insideTasksFolder(const TQLApp& app, const std::string& path) {
    const fs::path tasks = resolved(app.tasksFolder());
    const fs::path given = fs::path(withoutTrailingSlash(path));
    const fs::path parent = resolved(given.parent_path().string());
    const fs::path item = parent / given.filename();
    const fs::path target = resolved(item.string());
    const bool inside = !tasks.empty() && !parent.empty() && !target.empty() &&
                        given.has_filename() && within(parent, tasks) && within(target, tasks) &&
                        target != tasks && item != tasks;
    if (!inside)
        return Status::failure("Refused: " + path + " does not lie inside the Tasks folder " +
                               app.tasksFolder());
    return item.string();
}

Result<std::string> newCategory(const TQLApp& app, const std::string& parent) {
    std::string folder = app.tasksFolder();
    if (!parent.empty()) {
        auto named = categoryFolder(app, parent);
        if (!named)
            return named.status();
        auto inside = insideTasksFolder(app, *named);
        if (!inside)
            return inside.status();
        folder = *named;
    } else if (Status made = forceDirectories(folder); !made) {
        return made;
    }
    std::string name;
    int error = EEXIST;
    for (int n = 1; n <= kNewFolderTries && error == EEXIST; ++n) {
        name = n == 1 ? "New Folder" : "New Folder (" + std::to_string(n) + ")";
        error = ::mkdir((folder + name).c_str(), 0755) == 0 ? 0 : errno;
    }
    if (error != 0)
        return Status::failure("Unable to create the folder '" + folder + name + "'\n\n" +
                               std::strerror(error));
    return parent.empty() ? name : parent + "/" + name;
}

std::string deletedQueueFile(const std::string& taskFile) {
    if (taskFile.size() < 4)
        return taskFile + ".dwn";
    return taskFile.substr(0, taskFile.size() - 4) + ".dwn";
}

Status deleteTask(TQLApp& app, const std::string& taskFile) {
    auto file = insideTasksFolder(app, taskFile);
    if (!file)
        return file.status();
    const auto task = TQLTask::loadFromFile(app, taskFile);
    if (Status away = checkHolderAway(app, resolved(*file), "Task \"" + task->taskName() + "\"");
        !away)
        return away;
    auto queue = insideTasksFolder(app, deletedQueueFile(*file));
    if (queue) {
        if (Status trashed = trashIfPresent(app, *queue); !trashed)
            return trashed;
    }
    if (Status trashed = trashIfPresent(app, *file); !trashed)
        return trashed;
    forgetCurrentTask(app, fs::path(*file));
    return {};
}

Status deleteCategory(TQLApp& app, const std::string& category) {
    auto named = categoryFolder(app, category);
    if (!named)
        return named.status();
    auto folder = insideTasksFolder(app, *named);
    if (!folder)
        return folder.status();
    if (!directoryExists(*folder))
        return Status::failure("no category \"" + category + "\"");
    if (Status away =
            checkHolderAway(app, resolved(*folder), "A task of the category \"" + category + "\"");
        !away)
        return away;
    if (Status trashed = trashIfPresent(app, *folder); !trashed)
        return trashed;
    forgetCurrentTask(app, fs::path(*folder));
    return {};
}

std::string deleteTaskQuestion() {
    return "Are you sure you want to delete the selected Task? ";
}

std::string deleteCategoryQuestion(const std::string& nodeText) {
    return "Are you sure you want to remove the category '" + nodeText +
           "' and delete all the Tasks it contains?";
}

} // namespace quarlo
