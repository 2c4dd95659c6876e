#include "support/CommandRecorder.h"

namespace quarlo::test {

void CommandRecorder::showInBrowser(const QString& location, bool reload) {
    m_calls << QStringLiteral("showInBrowser:") + location;
    if (location != m_location || reload)
        m_shown << location;
    m_location = location;
}

void CommandRecorder::refreshInBrowser(const QString& location) {
    m_calls << QStringLiteral("refreshInBrowser:") + location;
    const auto page = [](const QString& address) {
        return address.section(QLatin1Char('?'), 0, 0);
    };
    if (page(location) == page(m_location)) {
        m_shown << location;
        m_location = location;
    }
}

void CommandRecorder::newTask(const QString& url, const QString& profile, bool map) {
    m_calls << QStringLiteral("newTask:%1,%2,%3").arg(url, profile, map ? "map" : "");
}

void CommandRecorder::explore(const QString& taskFile) {
    m_calls << QStringLiteral("explore:") + taskFile;
}

void CommandRecorder::stopCurrentTask() {
    m_calls << QStringLiteral("stopCurrentTask:");
}

void CommandRecorder::openZip(const QString& archive) {
    m_calls << QStringLiteral("openZip:") + archive;
}

void CommandRecorder::showTaskPath(const QString& path) {
    m_calls << QStringLiteral("showTaskPath:") + path;
}

void CommandRecorder::forgetCurrentTask() {
    m_calls << QStringLiteral("forgetCurrentTask:");
}

} // namespace quarlo::test
