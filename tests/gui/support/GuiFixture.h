#pragma once

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"
#include "support/TempHome.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace quarlo::shell {
class TFormQuarlo;
}

namespace quarlo::test {

// Answers the program's message boxes instead of showing them and records what they said.
class PromptRecorder {
public:
    struct Prompt {
        shell::Prompts::Kind kind;
        QString text;
    };
    PromptRecorder();
    ~PromptRecorder();
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;

    void setAnswer(bool yes) { m_answer = yes; }
    const std::vector<Prompt>& prompts() const { return m_prompts; }
    int count(shell::Prompts::Kind kind) const;
    void clear() { m_prompts.clear(); }

private:
    std::vector<Prompt> m_prompts;
    bool m_answer = true;
};

// Records what would have been opened with the user's default program; the program starts
// unless told otherwise.
class OpenRecorder {
public:
    OpenRecorder();
    ~OpenRecorder();
    OpenRecorder(const OpenRecorder&) = delete;
    OpenRecorder& operator=(const OpenRecorder&) = delete;
    const QStringList& opened() const { return m_opened; }
    void setSucceeds(bool succeeds) { m_succeeds = succeeds; }

private:
    QStringList m_opened;
    bool m_succeeds = true;
};

// A data folder of the test's own (QUARLO_HOME), the application object over it (first
// run done, "Show Summary On Completion" off) and the desktop program's engine.
class ShellHome {
public:
    ShellHome();
    ~ShellHome();
    TQLApp& app() { return *m_app; }
    shell::ShellEngine& engine() { return *m_engine; }
    const std::string& path() const { return m_home.path(); }

private:
    TempHome m_home;
    std::unique_ptr<TQLApp> m_app;
    std::unique_ptr<shell::ShellEngine> m_engine;
};

// The task's status and counters, read under its lock; no status for no task.
std::optional<TaskStatus> taskStatus(const TQLTask* task);
TaskCounters taskCounters(const TQLTask& task);

// Shows the main window and waits until its first paint is done.
bool showMainWindow(shell::TFormQuarlo& window);

// Saves the named profile "Quick": the default profile, names taken from the URL.
void saveQuickProfile(TQLApp& app);
// Types the URL, picks "Quick" and presses GO in the given mode; returns the task file the
// task manager then selects.
QString goWithQuickProfile(shell::TFormQuarlo& window, const std::string& url,
                           bool intranetMode = true);

// Runs the event loop until the predicate holds or the time is up; true when it held.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000);

// Where screenshots go: <build>/screenshots/<name>.
QString screenshotPath(const QString& name);

} // namespace quarlo::test
