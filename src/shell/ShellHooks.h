#pragma once

#include "platform/UiHooks.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <mutex>

class QWidget;

namespace quarlo::shell {

// The engine's reports turned into Qt signals on the GUI thread. Workers only set flags and
// copy texts: refreshes are coalesced and delivered by a timer a few times a second, so no
// worker ever waits for a window. Messages and browser requests are posted as they come.
class ShellHooks : public QObject, public UiHooks {
    Q_OBJECT
public:
    // Opens the location; false when no program could be started.
    using OpenHook = std::function<bool(const QString& location)>;
    static constexpr int kRefreshIntervalMs = 250;

    explicit ShellHooks(QObject* parent = nullptr); // made on the GUI thread
    ~ShellHooks() override;

    void setStatusLine(const std::string& text, int progress) override;
    void refreshCounters() override;
    void refreshConnections() override;
    void refreshExplorer() override;
    void showMessage(MessageKind kind, const std::string& text) override;
    void showInBrowser(const std::string& location) override;
    void openWithDefaultProgram(const std::string& location) override;
    void beep() override;

    // Replaces what "open with the default program" does (tests record instead of
    // launching a program). An empty hook restores the desktop's default.
    static void setOpenHook(OpenHook hook);
    // Opens a file or URL with the user's default program (or the hook). failed() runs on
    // the GUI thread when the program cannot be started or ends with an error.
    static void openLocation(const QString& location, const std::function<void()>& failed);
    // The same for a user's command: a location that cannot be opened is said in an error box.
    static void openLocationFor(QWidget* parent, const QString& location);

    // Delivers whatever is pending now (tests, and the end of a run).
    void flush();

signals:
    void statusLineChanged(const QString& text, int progress);
    void countersChanged();
    void connectionsChanged();
    void explorerChanged();
    void messageRequested(int kind, const QString& text);
    void browserRequested(const QString& location);

private:
    QTimer m_timer;
    std::atomic<bool> m_counters{false};
    std::atomic<bool> m_connections{false};
    std::atomic<bool> m_explorer{false};
    std::mutex m_statusMutex;
    bool m_statusPending = false;
    std::string m_statusText;
    int m_statusProgress = -1;
};

} // namespace quarlo::shell
