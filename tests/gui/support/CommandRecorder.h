#pragma once

#include "shell/ShellCommands.h"

#include <QString>
#include <QStringList>

namespace quarlo::test {

// Stands in for the main window: records what a view asks of it.
class CommandRecorder : public shell::ShellCommands {
public:
    void showInBrowser(const QString& location, bool reload = false) override;
    void refreshInBrowser(const QString& location) override;
    QString browserLocation() const override { return m_location; }
    void newTask(const QString& url, const QString& profile, bool map) override;
    void explore(const QString& taskFile) override;
    void stopCurrentTask() override;
    void openZip(const QString& archive) override;
    void showTaskPath(const QString& path) override;
    void forgetCurrentTask() override;

    // Each call as "name:argument" ("showInBrowser:/path", "stopCurrentTask:").
    const QStringList& calls() const { return m_calls; }
    // The locations showInBrowser was asked for, in order.
    const QStringList& shown() const { return m_shown; }

private:
    QStringList m_calls;
    QStringList m_shown;
    QString m_location;
};

} // namespace quarlo::test
