#pragma once

#include "platform/UiHooks.h"

#include <chrono>
#include <iosfwd>
#include <mutex>
#include <string>

namespace quarlo {
class TQLTask;
}

namespace quarlo::cli {

// The command line's view of a run: one live progress line on a terminal (redrawn in
// place), plain lines at intervals otherwise; the run's own status texts as lines of
// their own, warnings and errors on err. Also the UiHooks the engine reports through while
// the command runs.
class ProgressDisplay : public UiHooks {
public:
    ProgressDisplay(std::ostream& out, std::ostream& err, bool terminal);

    // Shows the task's counters now (called by a timer on the main thread).
    void update(const TQLTask& task);
    // Ends the live line so that what follows starts on a line of its own.
    void finish();

    // A line of the progress display for these figures.
    static std::string progressLine(const TQLTask& task);

    void setStatusLine(const std::string& text, int progress) override;
    void refreshCounters() override {}
    void refreshConnections() override {}
    void refreshExplorer() override {}
    void showMessage(MessageKind kind, const std::string& text) override;
    void showInBrowser(const std::string&) override {}
    void openWithDefaultProgram(const std::string&) override {}
    void beep() override;

private:
    void printLine(const std::string& text);

    std::ostream& m_out;
    std::ostream& m_err;
    const bool m_terminal;
    std::mutex m_mutex;
    bool m_lineOpen = false;
    std::chrono::steady_clock::time_point m_lastPlain{};
};

} // namespace quarlo::cli
