#include "engine/QueueMarking.h"
#include "model/MainWindowRules.h"
#include "model/RecentList.h"
#include "model/TQLProfile.h"
#include "model/TQLTask.h"
#include "model/UiTexts.h"
#include "platform/FileUtil.h"
#include "platform/SettingsStore.h"
#include "shell/DialogEntryPoints.h"
#include "shell/ExploreModel.h"
#include "shell/ShellHooks.h"
#include "shell/TFormDownloader.h"
#include "shell/TFormExplore.h"
#include "shell/TFormQuarlo.h"
#include "shell/TFormScheduler.h"
#include "shell/TFormStatus.h"
#include "shell/TFormZip.h"
#include "shell/ToolPanel.h"
#include "shell/TwizFileZip.h"
#include "support/Controls.h"
#include "support/GuiFixture.h"
#include "support/ModalDialog.h"
#include "support/SiteServer.h"
#include "support/ZipTestFiles.h"

#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace quarlo;
using namespace quarlo::test;
using quarlo::shell::TFormQuarlo;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void storedBoundsAreClampedAndAMaximisedWindowKeepsThem();
    void goWithANamedProfileRunsTheTaskToCompletion();
    void stopAndClosingDuringARun();
    void missingRecentZipIsReportedAndDropped();
    void modeButtonsStoreTheSaveMode();
    void aTaskFileFromASecondStartOpensAddATask();
    void aNewArchiveFromTheWizardShowsItsOwnPages();
};

void MainWindowTest::storedBoundsAreClampedAndAMaximisedWindowKeepsThem() {
    ShellHome home;
    SettingsStore& settings = home.app().settings();
    QVERIFY(storeWindowPlacement(settings, {-20, 15, 500, 300}));
    {
        TFormQuarlo window(home.engine());
        QVERIFY(showMainWindow(window));
        QCOMPARE(window.windowTitle(), QStringLiteral("Quarlo 3.0 Beta 4"));
        QCOMPARE(window.minimumSize(), QSize(600, 400));
        QCOMPARE(window.size(), QSize(640, 480));
        QCOMPARE(window.pos(), QPoint(0, 15));
        window.move(30, 40);
        window.resize(700, 500);
        window.close();
    }
    QCOMPARE(readWindowPlacement(settings), (WindowPlacement{30, 40, 700, 500}));
    {
        TFormQuarlo window(home.engine());
        QVERIFY(showMainWindow(window));
        window.showMaximized();
        QTest::qWait(50);
        window.close();
    }
    QCOMPARE(readWindowPlacement(settings), (WindowPlacement{30, 40, 700, 500}));
}

void MainWindowTest::goWithANamedProfileRunsTheTaskToCompletion() {
    SiteServer server;
    QVERIFY(server.start());
    server.setPage("index", "<html><title>Home</title><a href=\"a.html\">a</a>"
                            "<a href=\"b.html\">b</a><a href=\"gone.html\">gone</a></html>");
    server.setPage("a", "<html><title>A</title><a href=\"index.html\">home</a></html>");
    server.setPage("b", "<html><title>B</title></html>");
    server.setDelay(std::chrono::milliseconds(400));
    ShellHome home;
    OpenRecorder opened;
    PromptRecorder prompts;
    saveQuickProfile(home.app());
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    window.toggleConnections();

    const QString taskFile = goWithQuickProfile(window, server.pageUrl("index"));
    QVERIFY2(taskFile.endsWith(QStringLiteral(".qlt")), qPrintable(taskFile));
    QVERIFY(fileExists(taskFile.toStdString()));
    QVERIFY(prompts.prompts().empty());
    QCOMPARE(window.toolPanel()->cmbURL->itemText(0),
             QString::fromStdString(server.pageUrl("index")));

    // The connections window shows what the slots fetch while they fetch it.
    auto* sockets =
        window.connectionsWindow()->findChild<QTreeWidget*>(QStringLiteral("lvSockets"));
    QVERIFY(sockets != nullptr);
    QVERIFY(waitUntil([&] {
        for (int i = 0; i < sockets->topLevelItemCount(); ++i)
            if (sockets->topLevelItem(i)->text(0).contains(QStringLiteral("/pages/")))
                return true;
        return false;
    }));
    QCOMPARE(sockets->topLevelItemCount(), home.app().connections());
    QVERIFY(waitUntil(
        [&] { return taskStatus(home.app().currentTask()) == TaskStatus::TaskComplete; }));
    TQLTask& task = *home.app().currentTask();
    QCOMPARE(QString::fromStdString(task.filePath()), taskFile);
    const TaskCounters done = taskCounters(task);
    QCOMPARE(done.PagesFound, 4);
    QCOMPARE(done.PagesSaved, 3);
    QCOMPARE(done.PageErrors, 1);
    home.engine().hooks().flush();
    auto* pagesBar = window.statusWindow()->findChild<QLabel*>(QStringLiteral("lblPagesBar"));
    QVERIFY(pagesBar != nullptr);
    QCOMPARE(pagesBar->text(), QStringLiteral("3/4 -> 100%"));
    // The task manager lists the task with its status.
    const QString category = QFileInfo(taskFile).absolutePath();
    window.taskManager()->selectPath(category);
    window.taskManager()->showSelected();
    const std::string list = readWholeFile(home.app().exportFolder() + "tasks.txt");
    QVERIFY2(list.find("\"Task Complete\"") != std::string::npos, list.c_str());

    // The explorer lists the queue; marking the errors for download puts them back.
    window.explore(taskFile);
    QVERIFY(window.explorer() != nullptr);
    QCOMPARE(window.explorer()->model().rowCount(), 4);
    window.explorer()->runCommand(MarkCommand::DownloadAllErrors);
    const TaskCounters marked = taskCounters(*home.app().currentTask());
    QCOMPARE(marked.PageErrors, 0);
    QCOMPARE(marked.PagesSaved, 3);
    QVERIFY(opened.opened().isEmpty());
}

void MainWindowTest::stopAndClosingDuringARun() {
    SiteServer server;
    QVERIFY(server.start());
    server.setPage("slow", "<html><title>Slow</title><a href=\"next.html\">next</a></html>");
    server.setPage("next", "<html><title>Next</title></html>");
    server.setDelay(std::chrono::milliseconds(3000));
    ShellHome home;
    PromptRecorder prompts;
    saveQuickProfile(home.app());
    auto window = std::make_unique<TFormQuarlo>(home.engine());
    QVERIFY(showMainWindow(*window));

    goWithQuickProfile(*window, server.pageUrl("slow"));
    QVERIFY(
        waitUntil([&] { return taskStatus(home.app().currentTask()) == TaskStatus::Downloading; }));
    window->stopCurrentTask();
    QVERIFY(waitUntil([&] { return !home.engine().isRunning(); }));
    QCOMPARE(taskStatus(home.app().currentTask()), std::optional(TaskStatus::DownloadStopped));

    // Closing during a run asks first: No keeps the window and the run.
    window->toolPanel()->cmbURL->setEditText({});
    goWithQuickProfile(*window, server.pageUrl("next"));
    QVERIFY(waitUntil([&] { return home.engine().isRunning(); }));
    prompts.setAnswer(false);
    QVERIFY(!window->close());
    QCOMPARE(prompts.count(shell::Prompts::Kind::Question), 1);
    QVERIFY(prompts.prompts().back().text.contains(QString::fromStdString(uiText(726))));
    QVERIFY(home.engine().isRunning());
    prompts.setAnswer(true);
    QVERIFY(window->close());
    QVERIFY(!home.engine().isRunning());
    QCOMPARE(taskStatus(home.app().currentTask()), std::optional(TaskStatus::DownloadStopped));
    // The Temp folder went with the window.
    QVERIFY(!std::filesystem::exists(home.path() + "scratch/Quarlo"));
}

void MainWindowTest::missingRecentZipIsReportedAndDropped() {
    ShellHome home;
    PromptRecorder prompts;
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    const QString gone = QString::fromStdString(home.path() + "gone.zip");
    window.addRecentZip(gone);
    QCOMPARE(window.reopenMenu()->actions().size(), 1);
    window.reopenMenu()->actions().first()->trigger();
    QCOMPARE(prompts.count(shell::Prompts::Kind::Error), 1);
    const QString text = prompts.prompts().front().text;
    QVERIFY(text.startsWith(QString::fromStdString(uiText(732))));
    QVERIFY(text.contains(gone));
    QVERIFY(text.endsWith(QString::fromStdString(uiText(733))));
    QVERIFY(window.recentZips().entries().empty());
    QVERIFY(window.reopenMenu()->actions().isEmpty());
}

void MainWindowTest::modeButtonsStoreTheSaveMode() {
    ShellHome home;
    home.app().setSaveMode(1);
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    shell::ToolPanel* tools = window.toolPanel();
    QVERIFY(tools->btnIntranetMode->isChecked());
    QVERIFY(tools->btnIntranetMode->toolTip().endsWith(
        QString::fromStdString(home.app().intranetFolder())));
    QTest::mouseClick(tools->btnQuarloMode, Qt::LeftButton);
    QCOMPARE(home.app().saveMode(), 0);
    QVERIFY(!tools->btnIntranetMode->isChecked());
    QVERIFY(tools->btnQuarloMode->toolTip().startsWith(QString::fromStdString(uiText(687))));
}

void MainWindowTest::aTaskFileFromASecondStartOpensAddATask() {
    ShellHome home;
    PromptRecorder prompts;
    TQLTask task(home.app());
    QVERIFY(task.setLocation("General", "handed").ok());
    task.setURL("http://127.0.0.1:9/");
    QVERIFY(task.save().ok());
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    QString caption;
    bool seen = false;
    whenModalShown(
        [&caption](QWidget& modal) {
            caption = modal.windowTitle();
            static_cast<QDialog&>(modal).reject();
        },
        &seen);
    window.handleParameter(QString::fromStdString(task.filePath()), true);
    QVERIFY(seen);
    QCOMPARE(caption, QStringLiteral("Add a Task"));
    QVERIFY(prompts.prompts().empty());
}

void MainWindowTest::aNewArchiveFromTheWizardShowsItsOwnPages() {
    ShellHome home;
    PromptRecorder prompts;
    const std::string old = home.path() + "zips/old.zip";
    QVERIFY(craftZip(old, {{"old.html", "<html></html>"}}));
    makeFile(home.path() + "work/fresh.html", "<html></html>");
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    window.openZip(QString::fromStdString(old));
    QTreeWidget* pages = window.zipView()->pagesTree();
    QCOMPARE(pages->topLevelItemCount(), 1);
    QCOMPARE(pages->topLevelItem(0)->text(0), QStringLiteral("old.html"));

    whenDialogShown<shell::TwizFileZip>([&](shell::TwizFileZip& wizard) {
        child<QLineEdit>(wizard, "edFilename")
            .setText(QString::fromStdString(home.path() + "zips/fresh"));
        for (int page = 1; page <= 3; ++page)
            click(wizard, "btnNext");
    });
    openFileZipWizard(&window, home.engine(),
                      {QString::fromStdString(home.path() + "work/fresh.html")});
    // The Pages tab lists the new archive at once, not the one selected before.
    QCOMPARE(pages->topLevelItemCount(), 1);
    QCOMPARE(pages->topLevelItem(0)->text(0), QStringLiteral("fresh.html"));
    QVERIFY(prompts.prompts().empty());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
