#include "support/RecordingUiHooks.h"

namespace quarlo {

void RecordingUiHooks::record(std::string what, std::string text, int number) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back({std::move(what), std::move(text), number});
}

void RecordingUiHooks::setStatusLine(const std::string& text, int progress) {
    record("status", text, progress);
}
void RecordingUiHooks::refreshCounters() {
    record("counters", {}, 0);
}
void RecordingUiHooks::refreshConnections() {
    record("connections", {}, 0);
}
void RecordingUiHooks::refreshExplorer() {
    record("explorer", {}, 0);
}
void RecordingUiHooks::showMessage(MessageKind kind, const std::string& text) {
    record("message", text, static_cast<int>(kind));
}
void RecordingUiHooks::showInBrowser(const std::string& location) {
    record("browser", location, 0);
}
void RecordingUiHooks::openWithDefaultProgram(const std::string& location) {
    record("open", location, 0);
}
void RecordingUiHooks::beep() {
    record("beep", {}, 0);
}

std::vector<RecordingUiHooks::Call> RecordingUiHooks::calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<std::string> RecordingUiHooks::texts(const std::string& what) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> result;
    for (const auto& call : m_calls)
        if (call.what == what)
            result.push_back(call.text);
    return result;
}

int RecordingUiHooks::count(const std::string& what) const {
    std::lock_guard lock(m_mutex);
    int n = 0;
    for (const auto& call : m_calls)
        n += call.what == what ? 1 : 0;
    return n;
}

void RecordingUiHooks::clear() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

} // namespace quarlo
