#pragma once

#include <QString>
#include <QStringList>

namespace quarlo::shell {

// What a docked view asks of the main window. Views never reach the main window otherwise,
// so each view can be driven on its own in a test with a recording implementation.
class ShellCommands {
public:
    virtual ~ShellCommands() = default;

    // Shows a local file or URL in the embedded browser; an empty one is the home page. The
    // location the browser already shows is not loaded again unless `reload` is set.
    virtual void showInBrowser(const QString& location, bool reload = false) = 0;
    // A page's content was written again under a new address (an export's page): when the
    // browser shows that page now, it shows the new address scrolled where the old one was;
    // otherwise nothing happens.
    virtual void refreshInBrowser(const QString& location) = 0;
    // The browser's current location (a local path for a file), or empty.
    virtual QString browserLocation() const = 0;
    // The new-task command: a URL (may be empty), a profile name (may be empty), map flag;
    // the save mode is the main window's.
    virtual void newTask(const QString& url, const QString& profile, bool map) = 0;
    // Makes the task of the file the current task (unless it already is) and shows the
    // explorer on it.
    virtual void explore(const QString& taskFile) = 0;
    // Stop run for the current task.
    virtual void stopCurrentTask() = 0;
    // Opens an archive in the Zip browser (and shows it).
    virtual void openZip(const QString& archive) = 0;
    // The task manager selects a path (after the tree has re-read its folders).
    virtual void showTaskPath(const QString& path) = 0;
    // The current task was deleted: the explorer empties and the current task is dropped.
    virtual void forgetCurrentTask() = 0;
};

} // namespace quarlo::shell
