#include "shell/ShellHooks.h"

#include "shell/Prompts.h"

#include "platform/Folders.h"

#include <QApplication>
#include <QPointer>
#include <QProcess>
#include <QWidget>

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
            openLocation(location, [hooks = QPointer(this), location] {
                if (hooks != nullptr)
                    emit hooks->messageRequested(static_cast<int>(MessageKind::Error),
                                                 cannotOpenText(location));
            });
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

// The program is watched rather than waited for: it may take its time to hand the location
// over, and a desktop without a browser makes it end with an error.
void ShellHooks::openLocation(const QString& location, const std::function<void()>& failed) {
    if (openHook()) {
        if (!openHook()(location))
            failed();
        return;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(QString::fromStdString(openProgram()));
    process->setArguments({location});
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(process, &QProcess::errorOccurred, process,
            [process, failed](QProcess::ProcessError e) {
                if (e != QProcess::FailedToStart)
                    return;
                failed();
                process->deleteLater();
            });
    connect(process, &QProcess::finished, process,
            [process, failed](int code, QProcess::ExitStatus status) {
                if (status != QProcess::NormalExit || code != 0)
                    failed();
                process->deleteLater();
            });
    process->start();
}

void ShellHooks::openLocationFor(QWidget* parent, const QString& location) {
    openLocation(location, [parent = QPointer(parent), location] {
        Prompts::error(parent, cannotOpenText(location));
    });
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
