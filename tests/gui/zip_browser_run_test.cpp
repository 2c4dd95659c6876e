#include "archive/ZipBrowserModel.h"
#include "archive/ZipOutput.h"
#include "engine/TQLDownloader.h"
#include "model/TQLProfile.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "shell/TFormQuarlo.h"
#include "shell/TFormScheduler.h"
#include "shell/TFormStatus.h"
#include "shell/TFormZip.h"
#include "shell/ToolPanel.h"
#include "support/GuiFixture.h"
#include "support/SiteServer.h"
#include "support/ZipTestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <optional>

using namespace quarlo;
using namespace quarlo::test;
using quarlo::shell::TFormQuarlo;

namespace {

std::optional<TaskStatus> statusOf(TQLTask* task) {
    if (task == nullptr)
        return std::nullopt;
    std::lock_guard lock(task->mutex());
    return task->status();
}

void showWindow(TFormQuarlo& window) {
    bool ready = false;
    QObject::connect(&window, &TFormQuarlo::ready, [&ready] { ready = true; });
    window.show();
    QVERIFY(waitUntil([&] { return ready; }));
}

// GO in Zip mode with the named profile "Zipper", which renames the archive after the
// start page's title.
void goInZipMode(TFormQuarlo& window, TQLApp& app, const std::string& url) {
    TQLProfile profile = TQLProfile::defaults();
    profile.setUseStartPageTitle(true);
    QVERIFY(saveAsNamedProfile(app, profile, "Zipper").ok());
    shell::ToolPanel* tools = window.toolPanel();
    QTest::mouseClick(tools->btnQuarloMode, Qt::LeftButton);
    tools->cmbProfile->showPopup();
    tools->cmbProfile->hidePopup();
    tools->cmbProfile->setCurrentText(QStringLiteral("Zipper"));
    tools->cmbURL->setEditText(QString::fromStdString(url));
    QTest::mouseClick(tools->btnGO, Qt::LeftButton);
}

// The labels of every file node below the item.
QStringList fileLabels(const TFormQuarlo& window, const ZipNode& node) {
    QStringList labels;
    if (node.kind == ZipNode::Kind::File)
        if (QTreeWidgetItem* item = window.zipView()->itemOf(&node))
            labels << item->text(0);
    for (const auto& child : node.children)
        labels << fileLabels(window, *child);
    return labels;
}

} // namespace

class ZipBrowserRunTest : public QObject {
    Q_OBJECT
private slots:
    void aZipModeRunFillsTheBrowserWhileItRuns();
    void anArchiveThatCannotBeWrittenEndsTheRunIncompleteWithItsReason();
};

void ZipBrowserRunTest::aZipModeRunFillsTheBrowserWhileItRuns() {
    SiteServer server;
    QVERIFY(server.start());
    // The title is stored as written; the archive's name and the labels read it.
    server.setPage("index",
                   "<html><title>Home &amp; Garden</title><a href=\"a.html\">a</a></html>");
    server.setPage("a", "<html><title>A</title><a href=\"b.html\">b</a></html>");
    server.setPage("b", "<html><title>B</title><a href=\"c.html\">c</a></html>");
    server.setPage("c", "<html><title>C</title></html>");
    // The last page waits for the test, so that the run is still going when files show up.
    server.holdPage("c");
    ShellHome home;
    PromptRecorder prompts;
    // Every tick writes what it took, so that files show up during the run.
    home.engine().zipOutput().setCommitPolicy(std::chrono::milliseconds(0), 0);
    TFormQuarlo window(home.engine());
    showWindow(window);

    // Without a Zip-mode task the hidden browser goes away.
    window.toggleZipProperties();
    QVERIFY(window.zipView() != nullptr);
    window.toggleZipProperties();
    QVERIFY(window.zipView() == nullptr);

    goInZipMode(window, home.app(), server.pageUrl("index"));
    QVERIFY(waitUntil([&] { return home.engine().isRunning(); }));
    QVERIFY(window.zipView() != nullptr);
    ZipBrowserModel& model = home.engine().zipBrowser();
    TQLTask* task = home.app().currentTask();
    QVERIFY(task != nullptr);
    const std::string destination = task->destination();
    QVERIFY2(destination.ends_with(".zip"), destination.c_str());

    // Files appear in the tree while the download goes on.
    QVERIFY(waitUntil([&] {
        const TZipObj* archive = model.findArchive(destination);
        return archive != nullptr && !fileLabels(window, *archive->root).isEmpty();
    }));
    QVERIFY(home.engine().isRunning());
    QVERIFY(statusOf(task) != TaskStatus::Zipped);
    // A Zip-mode task keeps its browser when hidden.
    window.toggleZipProperties();
    QVERIFY(window.zipView() != nullptr);
    window.toggleZipProperties();

    server.releaseAll();
    QVERIFY(
        waitUntil([&] { return statusOf(home.app().currentTask()) == TaskStatus::Zipped; }, 60000));
    const std::string renamed = folderOf(destination) + "Home & Garden.zip";
    QTreeWidget* tree = window.zipView()->tree();
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Home & Garden.zip"));
    QVERIFY(fileExists(renamed));
    QVERIFY(!fileExists(destination));
    QCOMPARE(home.app().currentTask()->destination(), renamed);
    const QStringList labels = fileLabels(window, *model.findArchive(renamed)->root);
    QCOMPARE(labels.size(), 4);
    QVERIFY2(labels.contains(QStringLiteral("index.html   (Home & Garden)")),
             qPrintable(labels.join('|')));
    QTreeWidget* pages = window.zipView()->pagesTree();
    QVERIFY(pages->topLevelItemCount() > 0);
    QCOMPARE(
        pages->findItems(QStringLiteral("index.html   (Home & Garden)"), Qt::MatchExactly).size(),
        1);
    // The run's end message is what the status line says once the views have re-read.
    const auto* statusLine = window.statusWindow()->findChild<QLabel*>(QStringLiteral("lblStatus"));
    const QString ended =
        QString::fromStdString(TQLDownloader::runText(690) + task->taskName() + ")");
    QVERIFY2(waitUntil([&] { return statusLine->text() == ended; }, 2000),
             qPrintable(statusLine->text()));
    QCOMPARE(outsideEntryNames(renamed).size(), 4u);

    // The archive commands follow the focus: the tree enables them, the address box not.
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* remove = window.findChild<QAction*>(QStringLiteral("mnuZipDelete"));
    QVERIFY(remove != nullptr);
    tree->setCurrentItem(tree->topLevelItem(0));
    tree->setFocus();
    QVERIFY(waitUntil([&] { return remove->isEnabled(); }, 2000));
    window.toolPanel()->cmbURL->setFocus();
    QVERIFY(waitUntil([&] { return !remove->isEnabled(); }, 2000));
    QVERIFY(prompts.prompts().empty());
}

// The desktop program ends a run whose archive cannot be written "Incomplete" and says why.
void ZipBrowserRunTest::anArchiveThatCannotBeWrittenEndsTheRunIncompleteWithItsReason() {
    SiteServer server;
    QVERIFY(server.start());
    ShellHome home;
    PromptRecorder prompts;
    TFormQuarlo window(home.engine());
    showWindow(window);
    // A file where the archive's folder should be.
    makeFile(home.path() + "zips", "in the way");
    auto task = std::make_unique<TQLTask>(home.app());
    QVERIFY(task->setLocation("General", "blocked").ok());
    task->setUrls({server.fileUrl(1), server.fileUrl(2)});
    task->setDestination(home.path() + "zips/site.zip");
    QVERIFY(home.engine().downloader().start(std::move(task)).ok());
    QVERIFY(waitUntil([&] { return !home.engine().isRunning(); }, 30000));
    QCOMPARE(statusOf(home.app().currentTask()), std::optional(TaskStatus::Incomplete));
    // The archive's error, then the run's end with the reason.
    QVERIFY(waitUntil([&] { return prompts.count(shell::Prompts::Kind::Error) >= 2; }));
    const QString said = prompts.prompts().back().text;
    QVERIFY2(said.startsWith(QStringLiteral("Download incomplete (blocked): ")), qPrintable(said));
    QVERIFY2(said.contains(QString::fromStdString(home.path() + "zips/site.zip")),
             qPrintable(said));
}

QTEST_MAIN(ZipBrowserRunTest)
#include "zip_browser_run_test.moc"
