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

    // Shows the task's counters now (called by a timer on the main thread). Plain output
    // gets a line at most every few seconds.
    void update(const TQLTask& task);
    // Shows the counters the run ended with: plain output too, unless its last line already
    // holds them.
    void showFinal(const TQLTask& task);
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
    // When plain output gets a progress line: every few seconds, or unless it is the last one
    // shown.
    enum class PlainLine { WhenDue, UnlessShown };
    // Shows a progress line: in place on a terminal; as a line of plain output as asked.
    void showProgress(const std::string& line, PlainLine plain);

    std::ostream& m_out;
    std::ostream& m_err;
    const bool m_terminal;
    std::mutex m_mutex;
    bool m_lineOpen = false;
    std::chrono::steady_clock::time_point m_lastPlain{};
    std::string m_lastPlainLine;
};

} // namespace quarlo::cli
