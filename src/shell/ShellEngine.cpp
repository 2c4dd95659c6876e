#include "shell/ShellEngine.h"

#include "archive/ZipBrowserModel.h"
#include "archive/ZipOutput.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/InstanceLock.h"
#include "schedule/Clock.h"
#include "schedule/TThreadSchedule.h"
#include "shell/QtMainThread.h"
#include "shell/ShellHooks.h"

namespace quarlo::shell {

ShellEngine::ShellEngine(TQLApp& app, InstanceLock* lock, QObject* parent)
    : QObject(parent), m_app(app), m_lock(lock), m_mainThread(std::make_unique<QtMainThread>()),
      m_hooks(std::make_unique<ShellHooks>()), m_zipBrowser(std::make_unique<ZipBrowserModel>(app)),
      m_zipOutput(std::make_unique<ZipOutput>(app, *m_zipBrowser)) {
    m_app.setHooks(m_hooks.get());
    m_downloader = std::make_unique<TQLDownloader>(app, *m_mainThread);
    m_downloader->setZipModeRun(m_zipOutput.get());
    installScheduleRearm(*m_downloader, SystemClock::instance());
    m_downloader->setOnRunEnded([this](TQLTask&) {
        if (m_lock != nullptr)
            m_lock->setCurrentTask({});
        emit runEnded();
    });
    m_downloader->setShowSummary(
        [this](TQLTask& task) { emit summaryRequested(QString::fromStdString(task.filePath())); });
}

ShellEngine::~ShellEngine() {
    stopScheduleThread();
    // The downloader reports through the hooks while it stops a run.
    m_schedule.reset();
    m_downloader.reset();
    m_app.setHooks(nullptr);
    if (m_lock != nullptr)
        m_lock->setCurrentTask({});
}

void ShellEngine::startScheduleThread() {
    if (m_schedule)
        return;
    m_schedule = std::make_unique<TThreadSchedule>(m_app, *m_downloader, *m_mainThread,
                                                   SystemClock::instance());
    m_schedule->setOnRunStarted([this](TQLTask& task) {
        if (m_lock != nullptr)
            m_lock->setCurrentTask(task.filePath());
        emit runStarted();
    });
    m_schedule->start();
}

void ShellEngine::stopScheduleThread() {
    if (m_schedule)
        m_schedule->stop();
}

bool ShellEngine::isRunning() const {
    return m_downloader->isRunning();
}

TQLTask* ShellEngine::runningTask() const {
    return m_downloader->task();
}

void ShellEngine::stopRun() {
    if (m_downloader->isRunning())
        m_downloader->stop();
}

} // namespace quarlo::shell
