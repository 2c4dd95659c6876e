#pragma once

#include <QObject>

#include <memory>
#include <string>

namespace quarlo {
class InstanceLock;
class TQLApp;
class TQLDownloader;
class TQLTask;
class TThreadSchedule;
class ZipBrowserModel;
class ZipOutput;
} // namespace quarlo

namespace quarlo::shell {

class QtMainThread;
class ShellHooks;

// The engine as the desktop program hosts it: the application object's hooks, the run
// lifecycle on Qt's event loop and the schedule thread. Every window reaches the core
// through it. Lives on the GUI thread as long as the main window.
class ShellEngine : public QObject {
    Q_OBJECT
public:
    // The lock, when given, records the task being downloaded.
    ShellEngine(TQLApp& app, InstanceLock* lock, QObject* parent = nullptr);
    // Stops the schedule thread and a run in progress.
    ~ShellEngine() override;

    TQLApp& app() { return m_app; }
    TQLDownloader& downloader() { return *m_downloader; }
    ShellHooks& hooks() { return *m_hooks; }
    QtMainThread& mainThread() { return *m_mainThread; }
    // The Zip browser's model: the archives the user has open and the one a Zip-mode run
    // adds into, so that the run's files appear in the Zip browser while it runs.
    ZipBrowserModel& zipBrowser() { return *m_zipBrowser; }
    ZipOutput& zipOutput() { return *m_zipOutput; }

    // The schedule thread; started once by the main window's first paint.
    void startScheduleThread();
    TThreadSchedule* scheduleThread() { return m_schedule.get(); }
    void stopScheduleThread();

    bool isRunning() const;
    // The current task when it is the one downloading, else nullptr.
    TQLTask* runningTask() const;
    // Stop run for the current task.
    void stopRun();

signals:
    void runStarted();
    void runEnded();
    // The current task's summary should be shown (end of an intranet-mode run).
    void summaryRequested(const QString& taskFile);
    // A user's command wrote files (the file zip wizard an archive, an unzip a folder): views
    // that show archives and folders read them again.
    void filesChanged();

private:
    TQLApp& m_app;
    InstanceLock* m_lock;
    std::unique_ptr<QtMainThread> m_mainThread;
    std::unique_ptr<ShellHooks> m_hooks;
    std::unique_ptr<ZipBrowserModel> m_zipBrowser;
    std::unique_ptr<ZipOutput> m_zipOutput;
    std::unique_ptr<TQLDownloader> m_downloader;
    std::unique_ptr<TThreadSchedule> m_schedule;
};

} // namespace quarlo::shell
