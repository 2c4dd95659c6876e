#pragma once

#include "platform/Result.h"

#include <memory>
#include <string>

namespace quarlo {

class TQLApp;
class TQLTask;

// What the main window's address bar (or a command line) gives a new task.
struct NewTaskRequest {
    std::string url;
    // A named profile, or empty (or "Custom") for a custom profile.
    std::string profileName;
    bool intranetMode = false;
    // A map task: its first run fetches pages only.
    bool map = false;
    // Zip mode with "Add to selected zip": the archive selected in the Zip browser.
    std::string selectedZip;
    // The category the task goes into; empty: the last selected one.
    std::string category;
};

// Prepares a task for a URL in its category (the last selected one unless the request
// names one), named after the site (made unique there: name, name(0), name(1), ...), with
// the named profile read from the Profiles folder or a custom one starting from the profile
// defaults, and a destination: the Personal Intranet folder, the selected archive, or a free
// "<name>.zip" in the Downloads folder. Nothing is written; the caller saves it
// (scheduleNow) or opens the editor. Fails when the category or the profile name is refused
// or the named profile does not exist.
Result<std::unique_ptr<TQLTask>> createTaskFromUrl(TQLApp& app, const NewTaskRequest& request);

} // namespace quarlo
