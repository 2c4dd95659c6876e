// "category new|delete" and "browse": the task manager's New Category, Delete and Browse
// Offline without the window.

#include "cli/Commands.h"

#include "cli/TaskRef.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"
#include "reports/Browse.h"
#include "reports/Categories.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace quarlo::cli {

namespace {

// Opens a file with the user's default program and waits for its answer.
Status openWithDefaultProgram(const std::string& path) {
    const std::string program = openProgram();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    if (const int error = ::posix_spawnp(&child, program.c_str(), nullptr, nullptr, argv, environ);
        error != 0)
        return Status::failure("cannot start " + program + ": " + std::strerror(error));
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Status::failure(program + " could not open " + path);
    return {};
}

} // namespace

int categoryCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    auto words = args.positional();
    if (!words)
        return context.fail(words.message());
    const std::string verb = words->empty() ? "" : (*words)[0];
    if (verb == "new" && words->size() <= 2) {
        auto created = newCategory(**app, words->size() == 2 ? (*words)[1] : "");
        if (!created)
            return context.fail(created.message());
        context.out << *created << "\n";
        return 0;
    }
    if (verb == "delete" && words->size() == 2) {
        if (Status deleted = deleteCategory(**app, (*words)[1]); !deleted)
            return context.fail(deleted.message());
        context.out << "Moved to the trash: category " << (*words)[1] << "\n";
        return 0;
    }
    return context.fail("usage: category new [PARENT] | category delete CATEGORY");
}

int browseCommand(Context& context, Args& args) {
    auto app = context.app();
    if (!app)
        return context.fail(app.message());
    const bool open = args.flag("--open");
    auto task = loadOnlyTaskRef(**app, args, "usage: browse TASK [--open]");
    if (!task)
        return context.fail(task.message());
    auto target = browseTarget(**app, **task);
    if (!target)
        return context.fail(target.message());
    if (!fileExists(*target))
        return context.fail(std::string(kNotRunMessage) + " (" + *target + " does not exist)");
    context.out << *target << "\n";
    if (open) {
        if (Status opened = openWithDefaultProgram(*target); !opened)
            return context.fail(opened.message());
    }
    return 0;
}

} // namespace quarlo::cli
