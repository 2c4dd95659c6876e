#pragma once

#include <string>

namespace quarlo {

// How the core reports to whatever user interface it runs under. The core never waits for
// an answer: every call returns at once, and the desktop program turns them into posted
// view refreshes. Calls may come from any thread.
class UiHooks {
public:
    enum class MessageKind { Error, Warning, Information };

    virtual ~UiHooks() = default;

    // The status window's status line; progress is 0..100, or -1 for none.
    virtual void setStatusLine(const std::string& text, int progress) = 0;
    // The status window's counters, rates and gauges should be refreshed.
    virtual void refreshCounters() = 0;
    // The connections window's rows should be refreshed.
    virtual void refreshConnections() = 0;
    // The explorer view of the current task's queue should be refreshed.
    virtual void refreshExplorer() = 0;
    // A message the user must see (not a question).
    virtual void showMessage(MessageKind kind, const std::string& text) = 0;
    // Show a local file or URL in the program's browser.
    virtual void showInBrowser(const std::string& location) = 0;
    // Open a file or URL with the user's default program.
    virtual void openWithDefaultProgram(const std::string& location) = 0;
    virtual void beep() = 0;
};

// Does nothing; for callers that have no user interface to tell.
class NullUiHooks : public UiHooks {
public:
    void setStatusLine(const std::string&, int) override {}
    void refreshCounters() override {}
    void refreshConnections() override {}
    void refreshExplorer() override {}
    void showMessage(MessageKind, const std::string&) override {}
    void showInBrowser(const std::string&) override {}
    void openWithDefaultProgram(const std::string&) override {}
    void beep() override {}
};

} // namespace quarlo
