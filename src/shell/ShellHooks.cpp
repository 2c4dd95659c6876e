#include "shell/ShellHooks.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace quarlo::shell {

namespace {
ShellHooks::OpenHook& openHook() {
    static ShellHooks::OpenHook hook;
    return hook;
}
} // namespace

ShellHooks::ShellHooks(QObject* parent) : QObject(parent) {
    m_timer.setInterval(kRefreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ShellHooks::flush);
    m_timer.start();
}

ShellHooks::~ShellHooks() = default;

void ShellHooks::setStatusLine(const std::string& text, int progress) {
    std::lock_guard lock(m_statusMutex);
    m_statusPending = true;
    m_statusText = text;
    m_statusProgress = progress;
}

void ShellHooks::refreshCounters() {
    m_counters = true;
}

void ShellHooks::refreshConnections() {
    m_connections = true;
}

void ShellHooks::refreshExplorer() {
    m_explorer = true;
}

void ShellHooks::showMessage(MessageKind kind, const std::string& text) {
    QMetaObject::invokeMethod(
        this,
        [this, kind, text = QString::fromStdString(text)] {
            emit messageRequested(static_cast<int>(kind), text);
        },
        Qt::QueuedConnection);
}

void ShellHooks::showInBrowser(const std::string& location) {
    QMetaObject::invokeMethod(
        this,
        [this, location = QString::fromStdString(location)] { emit browserRequested(location); },
        Qt::QueuedConnection);
}

void ShellHooks::openWithDefaultProgram(const std::string& location) {
    QMetaObject::invokeMethod(
        this, [location = QString::fromStdString(location)] { openLocation(location); },
        Qt::QueuedConnection);
}

void ShellHooks::beep() {
    QMetaObject::invokeMethod(
        this, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void ShellHooks::setOpenHook(OpenHook hook) {
    openHook() = std::move(hook);
}

void ShellHooks::openLocation(const QString& location) {
    if (openHook()) {
        openHook()(location);
        return;
    }
    const bool isUrl = location.contains(QStringLiteral("://"));
    QDesktopServices::openUrl(isUrl ? QUrl(location) : QUrl::fromLocalFile(location));
}

void ShellHooks::flush() {
    bool statusPending = false;
    QString text;
    int progress = -1;
    {
        std::lock_guard lock(m_statusMutex);
        std::swap(statusPending, m_statusPending);
        text = QString::fromStdString(m_statusText);
        progress = m_statusProgress;
    }
    if (statusPending)
        emit statusLineChanged(text, progress);
    if (m_counters.exchange(false))
        emit countersChanged();
    if (m_connections.exchange(false))
        emit connectionsChanged();
    if (m_explorer.exchange(false))
        emit explorerChanged();
}

} // namespace quarlo::shell
