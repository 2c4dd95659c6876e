#pragma once

#include "platform/UiHooks.h"

#include <mutex>
#include <string>
#include <vector>

namespace quarlo {

// Records every call, for tests. Thread-safe.
class RecordingUiHooks : public UiHooks {
public:
    struct Call {
        std::string what; // "status", "counters", "connections", "explorer", "message",
                          // "browser", "open", "beep"
        std::string text;
        int number = 0; // progress, or the message kind
    };

    void setStatusLine(const std::string& text, int progress) override;
    void refreshCounters() override;
    void refreshConnections() override;
    void refreshExplorer() override;
    void showMessage(MessageKind kind, const std::string& text) override;
    void showInBrowser(const std::string& location) override;
    void openWithDefaultProgram(const std::string& location) override;
    void beep() override;

    std::vector<Call> calls() const;
    std::vector<std::string> texts(const std::string& what) const;
    int count(const std::string& what) const;
    void clear();

private:
    void record(std::string what, std::string text, int number);
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
};

} // namespace quarlo
