#pragma once

#include "cli/Args.h"
#include "platform/Result.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarlo {
class TQLApp;
class TQLTask;
} // namespace quarlo

namespace quarlo::cli {

// The options that place a new task: --profile NAME, --intranet DIR, --zip FILE,
// --category C; those of its account and certificates: --user NAME, --password-file
// FILE (a password is never taken from the command line, where others can see it),
// --insecure; and --no-robots, which turns "Obey Robots" off in the task's profile.
struct NewTaskOptions {
    std::optional<std::string> profile;
    std::optional<std::string> intranet;
    std::optional<std::string> zip;
    std::optional<std::string> category;
    std::optional<std::string> user;
    std::optional<std::string> passwordFile;
    bool insecure = false;
    bool noRobots = false;

    // Takes the options out of the command's words.
    static NewTaskOptions take(Args& args);
};

// A new, unsaved task for the URL (already checked) as the main window's new-task command
// makes it, placed as the options say; without --intranet or --zip the "Save Mode" setting
// decides. With a URL list the task downloads those URLs instead of following a start page
// (the URL names the task). A map task fetches pages only.
// The password: the first line of the file, without its line end. Fails when the file is
// missing, unreadable or holds no password; the message never shows the file's text.
Result<std::string> readPasswordFile(const std::string& path);

Result<std::unique_ptr<TQLTask>> createTask(TQLApp& app, const NewTaskOptions& options,
                                            const std::string& url,
                                            const std::vector<std::string>& urlList = {},
                                            bool map = false);

} // namespace quarlo::cli
