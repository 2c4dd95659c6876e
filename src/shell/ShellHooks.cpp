#include "shell/ShellHooks.h"

#include "shell/Prompts.h"

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

QString cannotOpenText(const QString& location) {
    return QObject::tr("No program could be started to open %1.").arg(location);
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
        this,
        [this, location = QString::fromStdString(location)] {
            if (!openLocation(location))
                emit messageRequested(static_cast<int>(MessageKind::Error),
                                      cannotOpenText(location));
        },
        Qt::QueuedConnection);
}

void ShellHooks::beep() {
    QMetaObject::invokeMethod(
        this, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void ShellHooks::setOpenHook(OpenHook hook) {
    openHook() = std::move(hook);
}

bool ShellHooks::openLocation(const QString& location) {
    if (openHook())
        return openHook()(location);
    const bool isUrl = location.contains(QStringLiteral("://"));
    return QDesktopServices::openUrl(isUrl ? QUrl(location) : QUrl::fromLocalFile(location));
}

bool ShellHooks::openLocationFor(QWidget* parent, const QString& location) {
    if (openLocation(location))
        return true;
    Prompts::error(parent, cannotOpenText(location));
    return false;
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
