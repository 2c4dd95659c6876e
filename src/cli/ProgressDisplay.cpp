#include "cli/ProgressDisplay.h"

#include "cli/Context.h"
#include "engine/StatusFigures.h"
#include "model/TQLTask.h"

#include <ostream>

namespace quarlo::cli {

namespace {

// Status texts that change for every page; a line each would drown the output.
bool isPerPageText(const std::string& text) {
    for (const char* prefix : {"Loading Page: ", "Saving Changes: ", "Parsing... ", "Opening task"})
        if (text.rfind(prefix, 0) == 0)
            return true;
    return false;
}

constexpr std::chrono::seconds kPlainInterval{5};

} // namespace

ProgressDisplay::ProgressDisplay(std::ostream& out, std::ostream& err, bool terminal)
    : m_out(out), m_err(err), m_terminal(terminal) {}

std::string ProgressDisplay::progressLine(const TQLTask& task) {
    TaskCounters counters;
    DateTime elapsed = 0;
    {
        std::lock_guard lock(task.mutex());
        counters = task.counters();
        elapsed = task.elapsedTime();
    }
    const StatusFigures f = computeStatusFigures(counters, elapsed);
    return "Pages " + f.pagesBar + "  Media " + f.mediaBar + "  Errors " + f.errorsBar + "  " +
           f.kilobytes + " KB  " + f.rate + " KB/sec  " + f.time;
}

void ProgressDisplay::update(const TQLTask& task) {
    showProgress(progressLine(task), PlainLine::WhenDue);
}

void ProgressDisplay::showFinal(const TQLTask& task) {
    showProgress(progressLine(task), PlainLine::UnlessShown);
}

void ProgressDisplay::showProgress(const std::string& line, PlainLine plain) {
    std::lock_guard lock(m_mutex);
    if (m_terminal) {
        m_out << "\r" << line << "\x1b[K" << std::flush;
        m_lineOpen = true;
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const bool due =
        plain == PlainLine::WhenDue ? now - m_lastPlain >= kPlainInterval : line != m_lastPlainLine;
    if (due) {
        m_out << line << "\n" << std::flush;
        m_lastPlain = now;
        m_lastPlainLine = line;
    }
}

void ProgressDisplay::finish() {
    std::lock_guard lock(m_mutex);
    if (m_lineOpen)
        m_out << "\n" << std::flush;
    m_lineOpen = false;
}

void ProgressDisplay::printLine(const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (m_lineOpen)
        m_out << "\r\x1b[K";
    m_out << text << "\n" << std::flush;
    m_lineOpen = false;
}

void ProgressDisplay::setStatusLine(const std::string& text, int) {
    if (!text.empty() && !isPerPageText(text))
        printLine(text);
}

void ProgressDisplay::showMessage(MessageKind kind, const std::string& text) {
    if (kind == MessageKind::Information) {
        printLine(text);
        return;
    }
    std::lock_guard lock(m_mutex);
    if (m_lineOpen)
        m_out << "\r\x1b[K" << std::flush;
    m_lineOpen = false;
    Context::printMessage(m_out, m_err, kind, text);
    m_err << std::flush;
}

void ProgressDisplay::beep() {
    std::lock_guard lock(m_mutex);
    m_out << '\a' << std::flush;
}

} // namespace quarlo::cli
