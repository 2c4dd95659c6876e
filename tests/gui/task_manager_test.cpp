#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "reports/Browse.h"
#include "reports/ReportTexts.h"
#include "shell/ShellCommands.h"
#include "shell/TFormScheduler.h"
#include "shell/TaskTreeView.h"
#include "support/GuiFixture.h"
#include "support/TempHome.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeView>

#include <memory>

using namespace quarlo;
using namespace quarlo::test;

namespace {

// Stands in for the main window and records what the task manager asks of it.
class RecordingCommands : public shell::ShellCommands {
public:
    void showInBrowser(const QString& location, bool reload) override {
        shown << location;
        reloads << reload;
        m_location = location;
    }
    void refreshInBrowser(const QString& location) override { refreshed << location; }
    QString browserLocation() const override { return m_location; }
    void newTask(const QString& url, const QString& profile, bool map) override {
        newTasks << url + QLatin1Char('|') + profile + QLatin1Char('|') + (map ? "map" : "");
    }
    void explore(const QString& taskFile) override { explored << taskFile; }
    void stopCurrentTask() override { ++stops; }
    void openZip(const QString& archive) override { zips << archive; }
    void showTaskPath(const QString& path) override { taskPaths << path; }
    void forgetCurrentTask() override { ++forgets; }

    QStringList shown;
    QStringList refreshed;
    QList<bool> reloads;
    QStringList newTasks, explored, zips, taskPaths;
    int stops = 0;
    int forgets = 0;

private:
    QString m_location;
};

} // namespace

class TaskManagerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ShellHome> m_home;
    std::unique_ptr<RecordingCommands> m_commands;
    std::unique_ptr<shell::TFormScheduler> m_form;

    TQLApp& app() { return m_home->app(); }
    QString tasks() { return QString::fromStdString(app().tasksFolder()); }
    QString exportFile(const char* name) {
        return QString::fromStdString(app().exportFolder()) + QLatin1String(name);
    }

    std::string saveTask(const std::string& category, const std::string& name,
                         TaskStatus status = TaskStatus::Unscheduled) {
        TQLTask task(app());
        if (!task.setLocation(category, name))
            return {};
        task.setURL("http://www.site.test/" + name + "/index.html");
        task.setStartPageTitle(name + " title");
        task.setDestination(m_home->path() + "Downloads/" + name + ".zip");
        task.setStatus(status);
        if (status == TaskStatus::Scheduled) {
            task.setSchedule("Daily at 10:00:00");
            task.setNextRun(45000.5);
        }
        return task.save() ? task.filePath() : std::string();
    }

    void openForm() {
        m_form = std::make_unique<shell::TFormScheduler>(m_home->engine(), *m_commands);
        m_form->resize(300, 400);
        m_form->show();
    }

    bool select(const QString& path) {
        m_form->selectPath(path);
        return waitUntil([&] { return m_form->selectedPath() == QFileInfo(path).filePath(); });
    }

    // The name editor open in the tree (closed ones wait for deletion, hidden).
    QLineEdit* openEditor() {
        for (auto* editor : m_form->tree()->findChildren<QLineEdit*>())
            if (editor->isVisible())
                return editor;
        return nullptr;
    }

    QAction* action(const char* name) { return m_form->taskAction(QLatin1String(name)); }
    bool enabled(const char* name) { return action(name)->isEnabled(); }

private slots:
    void init() {
        m_home = std::make_unique<ShellHome>();
        m_commands = std::make_unique<RecordingCommands>();
    }

    void cleanup() {
        m_form.reset();
        m_commands.reset();
        m_home.reset();
    }

    void startRestoresLastCategoryWithoutShowingIt() {
        QVERIFY(!saveTask("General", "Alpha").empty());
        QVERIFY(!saveTask("News", "Beta").empty());
        app().setLastCategory("News");
        openForm();
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Tasks"));
        QVERIFY(waitUntil([&] { return m_form->selectedPath() == tasks() + "News"; }));
        QVERIFY(m_commands->shown.isEmpty());
    }

    void startWithARemovedLastCategorySelectsTheTopNode() {
        app().setLastCategory("Gone");
        openForm();
        QVERIFY(waitUntil([&] { return m_form->selectedPath() == tasks().chopped(1); }));
        QVERIFY(m_commands->shown.isEmpty());
    }

    void selectingACategoryListsItsTasks() {
        const std::string alpha = saveTask("News", "Alpha");
        QVERIFY(!saveTask("News", "Beta", TaskStatus::DownloadStopped).empty());
        QVERIFY(!saveTask("General", "Gamma").empty());
        openForm();
        QVERIFY(waitUntil([&] { return m_form->selectedPath() == tasks() + "General"; }));
        QVERIFY(select(tasks() + "News"));

        const std::string list = readWholeFile(exportFile("tasks.txt").toStdString());
        QVERIFY(list.find("Alpha,\"Alpha title\"") != std::string::npos);
        QVERIFY(list.find("Beta,\"Beta title\",\"Incomplete\"") != std::string::npos);
        QVERIFY(list.find("Gamma") == std::string::npos);
        QCOMPARE(m_commands->shown.size(), 1);
        QVERIFY(m_commands->shown.last().contains("tasks.htm"));
        QVERIFY(m_commands->reloads.last());
        QCOMPARE(app().lastCategory(), std::string("News"));
        QCOMPARE(QString::fromStdString(app().lastTask()), tasks() + "News");

        // Pressing the item shown while its page is displayed does nothing.
        m_form->showSelected();
        QCOMPARE(m_commands->shown.size(), 1);
        // Once the browser shows something else, the press shows the list again.
        m_commands->showInBrowser("https://elsewhere.test/", false);
        m_form->showSelected();
        QCOMPARE(m_commands->shown.size(), 3);
        QVERIFY(m_commands->shown.last().contains("tasks.htm"));
    }

    void selectingTheTopNodeWritesNothing() {
        QVERIFY(!saveTask("General", "Alpha").empty());
        openForm();
        QVERIFY(waitUntil([&] { return m_form->selectedPath() == tasks() + "General"; }));
        QVERIFY(select(tasks().chopped(1)));
        QCOMPARE(m_form->tree()->currentIndex().data().toString(), QStringLiteral("Tasks"));
        QVERIFY(m_commands->shown.isEmpty());
        QVERIFY(!QFileInfo::exists(exportFile("tasks.txt")));
        QVERIFY(!QFileInfo::exists(exportFile("task_details.txt")));
        // Only the Tasks folder shows under its parent: the data folder's others do not.
        shell::TaskTreeView* tree = m_form->tree();
        const QModelIndex root = tree->rootIndex();
        QVERIFY(waitUntil([&] { return tree->model()->rowCount(root) > 1; }));
        for (int row = 0; row < tree->model()->rowCount(root); ++row)
            QCOMPARE(tree->isRowHidden(row, root),
                     tree->model()->index(row, 0, root) != tree->currentIndex());
    }

    void selectingATaskShowsItsDetails() {
        const std::string alpha = saveTask("General", "Alpha");
        openForm();
        QVERIFY(select(QString::fromStdString(alpha)));
        const std::string details = readWholeFile(exportFile("task_details.txt").toStdString());
        QVERIFY(details.find("Profile Name") != std::string::npos);
        QVERIFY(details.find("\r\nAlpha,\"Alpha title\"") != std::string::npos);
        QCOMPARE(m_commands->shown.size(), 1);
        QVERIFY(m_commands->shown.last().contains("task_details.htm"));
        QCOMPARE(app().lastTask(), alpha);
        QCOMPARE(app().lastCategory(), std::string("General"));
        // The tree names the task without the file's extension.
        QCOMPARE(m_form->tree()->currentIndex().data().toString(), QStringLiteral("Alpha"));
    }

    void theDetailsFollowTheirTask() {
        const std::string alpha = saveTask("General", "Alpha", TaskStatus::Scheduled);
        openForm();
        QVERIFY(select(QString::fromStdString(alpha)));
        const std::string details = exportFile("task_details.txt").toStdString();
        QVERIFY(readWholeFile(details).find("\"Scheduled\"") != std::string::npos);

        // Nothing changed: nothing is written again.
        QTest::qWait(1300);
        QVERIFY(m_commands->refreshed.isEmpty());

        // Whatever changes the task's file (here the Unschedule command), the details follow.
        m_form->updateActions();
        action("actTasksSchedule")->trigger();
        QVERIFY(waitUntil([&] { return !m_commands->refreshed.isEmpty(); }, 3000));
        QVERIFY(m_commands->refreshed.last().contains("task_details.htm"));
        QVERIFY(readWholeFile(details).find("\"Unscheduled\"") != std::string::npos);

        // The current task follows from memory: its run changes counters long before its file.
        app().setCurrentTask(TQLTask::loadFromFile(app(), alpha));
        {
            std::lock_guard lock(app().currentTask()->mutex());
            app().currentTask()->counters().PagesFound = 7;
            app().currentTask()->counters().PagesSaved = 2;
        }
        QVERIFY(waitUntil([&] { return m_commands->refreshed.size() == 2; }, 3000));
        QVERIFY(readWholeFile(details).find("\"2/7\"") != std::string::npos);

        // Once the category's list is shown instead, the task's details are left alone.
        QVERIFY(select(tasks() + "General"));
        m_form->showSelected();
        QVERIFY(m_commands->shown.last().contains("tasks.htm"));
        {
            std::lock_guard lock(app().currentTask()->mutex());
            app().currentTask()->counters().PagesSaved = 3;
        }
        QTest::qWait(1300);
        QCOMPARE(m_commands->refreshed.size(), 2);
    }

    void menuEnablingFollowsTheTaskStatus() {
        const std::string scheduled = saveTask("General", "Waiting", TaskStatus::Scheduled);
        const std::string running = saveTask("General", "Busy", TaskStatus::Downloading);
        const std::string idle = saveTask("General", "Idle", TaskStatus::Incomplete);
        openForm();

        QVERIFY(select(QString::fromStdString(scheduled)));
        m_form->updateActions();
        QVERIFY(!enabled("actTasksRun") && !enabled("actTasksDelete"));
        QVERIFY(!enabled("actTasksProperties") && !enabled("actTasksStop"));
        QVERIFY(enabled("actTasksSchedule") && enabled("actTasksBrowse"));
        QVERIFY(!enabled("actTasksNewCategory") && enabled("actTasksNewTask"));
        QCOMPARE(action("actTasksSchedule")->text(), QStringLiteral("&Unschedule"));

        QVERIFY(select(QString::fromStdString(running)));
        m_form->updateActions();
        QVERIFY(enabled("actTasksStop") && !enabled("actTasksSchedule"));
        QVERIFY(!enabled("actTasksRun") && !enabled("actTasksDelete"));
        QCOMPARE(action("actTasksSchedule")->text(), QStringLiteral("Schedu&le..."));

        QVERIFY(select(QString::fromStdString(idle)));
        // Opening the menu works the enabling out too.
        emit m_form->taskMenu()->aboutToShow();
        QVERIFY(enabled("actTasksRun") && enabled("actTasksDelete"));
        QVERIFY(enabled("actTasksProperties") && !enabled("actTasksStop"));

        QVERIFY(select(tasks() + "General"));
        m_form->updateActions();
        QVERIFY(enabled("actTasksNewCategory") && enabled("actTasksDelete"));
        QVERIFY(!enabled("actTasksDownload") && !enabled("actTasksReports"));
        QVERIFY(!enabled("actTasksExplore") && !enabled("actTasksProperties"));
        QCOMPARE(action("actTasksRun")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(action("actTasksStop")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    }

    void unscheduleClearsTheSchedule() {
        const std::string path = saveTask("General", "Waiting", TaskStatus::Scheduled);
        openForm();
        QVERIFY(select(QString::fromStdString(path)));
        m_form->updateActions();
        action("actTasksSchedule")->trigger();
        const auto task = TQLTask::loadFromFile(app(), path);
        QCOMPARE(task->status(), TaskStatus::Unscheduled);
        QCOMPARE(task->schedule(), std::string());
        QCOMPARE(task->nextRun(), 0.0);
    }

    void commandsReachTheMainWindow() {
        const std::string path = saveTask("General", "Busy", TaskStatus::Downloading);
        openForm();
        QVERIFY(select(QString::fromStdString(path)));
        m_form->updateActions();
        action("actTasksExplore")->trigger();
        action("actTasksStop")->trigger();
        action("actTasksNewTask")->trigger();
        QCOMPARE(m_commands->explored, QStringList{QString::fromStdString(path)});
        QCOMPARE(m_commands->stops, 1);
        QCOMPARE(m_commands->newTasks, QStringList{QStringLiteral("||")});
    }

    void newCategoriesTakeFreeNamesAndCanBeRenamed() {
        openForm();
        QVERIFY(select(tasks().chopped(1)));
        m_form->updateActions();
        action("actTasksNewCategory")->trigger();
        QVERIFY(QFileInfo(tasks() + "New Folder").isDir());
        QVERIFY(waitUntil([&] { return m_form->selectedPath() == tasks() + "New Folder"; }));
        QLineEdit* editor = openEditor();
        QVERIFY(editor != nullptr);
        QCOMPARE(editor->text(), QStringLiteral("New Folder"));

        QVERIFY(select(tasks().chopped(1)));
        m_form->updateActions();
        action("actTasksNewCategory")->trigger();
        QVERIFY(QFileInfo(tasks() + "New Folder (2)").isDir());
        QVERIFY(waitUntil([&] { return m_form->selectedPath() == tasks() + "New Folder (2)"; }));

        // Renaming in place re-runs the selection step on the renamed category.
        editor = openEditor();
        QVERIFY(editor != nullptr);
        QCOMPARE(editor->text(), QStringLiteral("New Folder (2)"));
        editor->setText(QStringLiteral("Archive"));
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(waitUntil([&] { return app().lastCategory() == "Archive"; }));
        QVERIFY(QFileInfo(tasks() + "Archive").isDir());
        QCOMPARE(m_form->selectedPath(), tasks() + "Archive");
        QVERIFY(m_commands->shown.last().contains("tasks.htm"));
    }

    void deleteAsksAndMovesTaskAndQueueToTheTrash() {
        const std::string path = saveTask("General", "Alpha");
        const std::string queue = app().tasksFolder() + "General/Alpha.dwn";
        writeWholeFile(queue, "queue");
        const std::string other = saveTask("General", "Beta");
        openForm();
        QVERIFY(select(QString::fromStdString(path)));
        app().setCurrentTask(TQLTask::loadFromFile(app(), path));

        PromptRecorder prompts;
        prompts.setAnswer(false);
        m_form->updateActions();
        action("actTasksDelete")->trigger();
        QCOMPARE(prompts.count(shell::Prompts::Kind::Question), 1);
        QCOMPARE(prompts.prompts().front().text,
                 QStringLiteral("Are you sure you want to delete the selected Task? "));
        QVERIFY(QFileInfo::exists(QString::fromStdString(path)));
        QVERIFY(QFileInfo::exists(QString::fromStdString(queue)));
        QVERIFY(app().currentTask() != nullptr);

        prompts.setAnswer(true);
        action("actTasksDelete")->trigger();
        QVERIFY(!QFileInfo::exists(QString::fromStdString(path)));
        QVERIFY(!QFileInfo::exists(QString::fromStdString(queue)));
        QVERIFY(QFileInfo::exists(QString::fromStdString(other)));
        const QString trash = QString::fromStdString(m_home->path()) + "Trash/files/";
        QVERIFY(QFileInfo::exists(trash + "Alpha.qlt"));
        QVERIFY(QFileInfo::exists(trash + "Alpha.dwn"));
        QCOMPARE(m_commands->forgets, 1);
        QVERIFY(app().currentTask() == nullptr);
    }

    void deletingACategoryRemovesItsFolder() {
        QVERIFY(!saveTask("Old", "Alpha").empty());
        openForm();
        QVERIFY(select(tasks() + "Old"));
        PromptRecorder prompts;
        m_form->updateActions();
        action("actTasksDelete")->trigger();
        QCOMPARE(prompts.prompts().size(), size_t(1));
        QVERIFY(prompts.prompts().front().text.contains("the category 'Old'"));
        QVERIFY(!QFileInfo::exists(tasks() + "Old"));
        QCOMPARE(m_commands->forgets, 0);
    }

    void theTreeFollowsTaskFilesMadeOnDisk() {
        openForm();
        QVERIFY(waitUntil([&] { return m_form->selectedPath() == tasks() + "General"; }));
        writeWholeFile(app().tasksFolder() + "General/notes.txt", "not a task");
        const std::string path = saveTask("General", "Fresh");
        QVERIFY(!path.empty());
        QVERIFY(select(QString::fromStdString(path)));
        QVERIFY(m_commands->shown.last().contains("task_details.htm"));
        // Files other than task files stay out of the tree.
        const QModelIndex general = m_form->tree()->currentIndex().parent();
        QCOMPARE(m_form->tree()->model()->rowCount(general), 1);
    }

    void zipTasksWithoutTheirArchiveAreOfferedARun() {
        const std::string path = saveTask("General", "Zipped");
        openForm();
        QVERIFY(select(QString::fromStdString(path)));
        PromptRecorder prompts;
        prompts.setAnswer(false);
        m_form->updateActions();
        action("actTasksSummary")->trigger();
        QCOMPARE(prompts.prompts().size(), size_t(1));
        QCOMPARE(prompts.prompts().front().text, QString::fromStdString(reportText(741)));
        QCOMPARE(TQLTask::loadFromFile(app(), path)->status(), TaskStatus::Unscheduled);

        action("actTasksBrowseOffline")->trigger();
        QCOMPARE(prompts.prompts().back().kind, shell::Prompts::Kind::Information);
        QCOMPARE(prompts.prompts().back().text, QString::fromLatin1(kNotRunMessage));

        prompts.setAnswer(true);
        action("actTasksPageIndex")->trigger();
        const auto task = TQLTask::loadFromFile(app(), path);
        QCOMPARE(task->status(), TaskStatus::Scheduled);
        QCOMPARE(task->schedule(), std::string("Now"));
    }

    void browsingAnIntranetTaskOpensItsLocalCopy() {
        TQLTask task(app());
        QVERIFY(task.setLocation("General", "Mirror"));
        task.setURL("http://www.site.test/docs/index.html");
        task.setIntranetMode(true);
        task.setDestination(m_home->path() + "site/");
        QVERIFY(task.save());
        openForm();
        QVERIFY(select(QString::fromStdString(task.filePath())));
        OpenRecorder opened;
        PromptRecorder prompts;
        m_form->updateActions();
        const QList<QAction*> browse = action("actTasksBrowse")->menu()->actions();
        QCOMPARE(browse.size(), 2);
        QCOMPARE(browse[0]->text(), QStringLiteral("Online"));
        QCOMPARE(browse[1]->text(), QStringLiteral("Offline"));
        action("actTasksBrowseOnline")->trigger();
        action("actTasksBrowseOffline")->trigger();
        m_form->browseSelectedInBrowser();
        const QString local = QString::fromStdString(task.startPageLocalFile());
        QCOMPARE(opened.opened(),
                 (QStringList{QStringLiteral("http://www.site.test/docs/index.html"), local}));
        QCOMPARE(m_commands->shown.last(), local);
        QVERIFY(m_commands->zips.isEmpty());
        QVERIFY(prompts.prompts().empty());

        // No program to open the copy with: the user is told, not left waiting.
        opened.setSucceeds(false);
        action("actTasksBrowseOffline")->trigger();
        QCOMPARE(prompts.count(shell::Prompts::Kind::Error), 1);
        QVERIFY2(prompts.prompts().back().text.contains(local),
                 qPrintable(prompts.prompts().back().text));
    }
};

QTEST_MAIN(TaskManagerTest)
#include "task_manager_test.moc"
