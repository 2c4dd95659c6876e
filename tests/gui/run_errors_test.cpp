#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "shell/ShellHooks.h"
#include "shell/TFormDownloader.h"
#include "shell/TFormQuarlo.h"
#include "shell/TFormScheduler.h"
#include "shell/TFormStatus.h"
#include "shell/ToolPanel.h"
#include "support/GuiFixture.h"
#include "support/SiteServer.h"
#include "support/ZipTestFiles.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdlib>

using namespace quarlo;
using namespace quarlo::test;
using quarlo::shell::TFormQuarlo;

namespace {

constexpr const char* kNotResolved = "12007: [12007] Internet Name Not Resolved.";

// The connections view's rows' last column: what each slot last did.
QStringList connectionStates(TFormQuarlo& window) {
    auto* sockets =
        window.connectionsWindow()->findChild<QTreeWidget*>(QStringLiteral("lvSockets"));
    QStringList states;
    for (int i = 0; sockets != nullptr && i < sockets->topLevelItemCount(); ++i)
        states << sockets->topLevelItem(i)->text(4);
    return states;
}

// The program QUARLO_OPEN_COMMAND names while the case runs.
class OpenCommand {
public:
    explicit OpenCommand(const QString& program) {
        ::setenv("QUARLO_OPEN_COMMAND", program.toLocal8Bit().constData(), 1);
    }
    ~OpenCommand() { ::unsetenv("QUARLO_OPEN_COMMAND"); }
    OpenCommand(const OpenCommand&) = delete;
    OpenCommand& operator=(const OpenCommand&) = delete;
};

} // namespace

class RunErrorsTest : public QObject {
    Q_OBJECT
private slots:
    void aStartPageThatCannotBeFetchedEndsIncompleteWithItsReason();
    void onlyAnAddressThatCannotBeParsedIsRefusedBeforeATaskIsMade();
    void aLocationThatNoProgramOpensIsSaid();
};

void RunErrorsTest::aStartPageThatCannotBeFetchedEndsIncompleteWithItsReason() {
    SiteServer server;
    QVERIFY(server.start());
    ShellHome home;
    PromptRecorder prompts;
    saveQuickProfile(home.app());
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    window.toggleConnections();
    auto* line = window.statusWindow()->findChild<QLabel*>(QStringLiteral("lblStatus"));
    QVERIFY(line != nullptr);

    // A host that does not resolve, and a start page the server does not have.
    const struct {
        std::string url;
        QString reason;
    } cases[] = {{"http://notaurl.invalid/", QString::fromLatin1(kNotResolved)},
                 {server.pageUrl("missing"), QStringLiteral("404 Not Found")}};
    for (const auto& c : cases) {
        const QString taskFile = goWithQuickProfile(window, c.url);
        QVERIFY(!taskFile.isEmpty());
        // The run starts at the scheduler's next check and ends at once.
        QVERIFY(waitUntil(
            [&] {
                const TQLTask* task = home.app().currentTask();
                return task != nullptr && task->filePath() == taskFile.toStdString() &&
                       taskStatus(task) == TaskStatus::Incomplete;
            },
            30000));
        QVERIFY(waitUntil([&] { return !home.engine().isRunning(); }));
        home.engine().hooks().flush();
        // The status line says why in the failure's own words, never "completed".
        QVERIFY2(waitUntil([&] { return line->text().endsWith(QStringLiteral("): ") + c.reason); },
                           5000),
                 qPrintable(line->text()));
        QVERIFY(line->text().startsWith(QStringLiteral("Download incomplete (")));
        // The task file keeps the status for the task manager and a later run.
        auto stored = TQLTask::loadFromFile(home.app(), taskFile.toStdString());
        QCOMPARE(stored->status(), TaskStatus::Incomplete);
    }
    // The transfer that failed says so in its row of the connections view.
    QVERIFY2(waitUntil([&] { return connectionStates(window).contains("404 Not Found"); }, 5000),
             qPrintable(connectionStates(window).join('|')));
    QVERIFY(prompts.prompts().empty());
}

void RunErrorsTest::onlyAnAddressThatCannotBeParsedIsRefusedBeforeATaskIsMade() {
    ShellHome home;
    PromptRecorder prompts;
    saveQuickProfile(home.app());
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    const auto taskFiles = [&] {
        QStringList files;
        QDirIterator it(QString::fromStdString(home.app().tasksFolder()), {QStringLiteral("*.qlt")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    };
    const QStringList before = taskFiles();

    goWithQuickProfile(window, "http:///nothing");
    QCOMPARE(prompts.count(shell::Prompts::Kind::Error), 1);
    QVERIFY2(prompts.prompts().back().text.startsWith(QStringLiteral("Invalid URL.")),
             qPrintable(prompts.prompts().back().text));
    QCOMPARE(taskFiles(), before);
    QVERIFY(!home.engine().isRunning());
}

// Browse Offline and the other open commands watch the program they start: one that cannot
// start or that fails is said in a message box, one that opens the location is not.
void RunErrorsTest::aLocationThatNoProgramOpensIsSaid() {
    ShellHome home;
    PromptRecorder prompts;
    QWidget parent;
    const QString page = QString::fromStdString(home.path()) + "page.html";
    const QString opened = QString::fromStdString(home.path()) + "opened";
    const QString recorder = QString::fromStdString(home.path()) + "open.sh";
    makeFile(recorder.toStdString(), "#!/bin/sh\necho \"$1\" > '" + opened.toStdString() + "'\n");
    QVERIFY(
        QFile::setPermissions(recorder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    {
        OpenCommand command(recorder);
        shell::ShellHooks::openLocationFor(&parent, page);
        QVERIFY(waitUntil([&] { return fileExists(opened.toStdString()); }));
        QTest::qWait(200);
        QVERIFY(prompts.prompts().empty());
    }
    // A program that fails, and one that is not there.
    for (const QString& program :
         {QStringLiteral("false"), QString::fromStdString(home.path()) + "no-such-program"}) {
        OpenCommand command(program);
        prompts.clear();
        shell::ShellHooks::openLocationFor(&parent, page);
        QVERIFY2(waitUntil([&] { return prompts.count(shell::Prompts::Kind::Error) == 1; }),
                 qPrintable(program));
        QVERIFY(prompts.prompts().back().text.contains(page));
    }
    // The engine's own requests (a report to open) end in the same message.
    OpenCommand command(QStringLiteral("false"));
    QString said;
    QObject::connect(&home.engine().hooks(), &shell::ShellHooks::messageRequested,
                     [&said](int, const QString& text) { said = text; });
    home.engine().hooks().openWithDefaultProgram(page.toStdString());
    QVERIFY(waitUntil([&] { return said.contains(page); }));
}

QTEST_MAIN(RunErrorsTest)
#include "run_errors_test.moc"
