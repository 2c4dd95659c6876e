#include "cli/SampleSiteServer.h"
#include "model/TQLProfile.h"
#include "model/TQLTask.h"
#include "reports/Browse.h"
#include "shell/ShellHooks.h"
#include "shell/TFormBrowser.h"
#include "shell/TFormQuarlo.h"
#include "shell/TFormScheduler.h"
#include "shell/ToolPanel.h"
#include "support/GuiFixture.h"

#include <QComboBox>
#include <QDockWidget>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace quarlo;
using namespace quarlo::test;
using quarlo::shell::TFormQuarlo;

namespace {

std::int64_t pagesSaved(TQLTask* task) {
    if (task == nullptr)
        return 0;
    return taskCounters(*task).PagesSaved;
}

// The window as the X server shows it: the web engine's content included, which a widget
// grab would leave blank.
bool saveScreenshot(TFormQuarlo& window, const QString& name) {
    QTest::qWait(300);
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    return !shot.isNull() && shot.save(screenshotPath(name));
}

QString pageTitle(QWebEngineView* view) {
    QString title;
    bool done = false;
    view->page()->runJavaScript(QStringLiteral("document.title"), [&](const QVariant& result) {
        title = result.toString();
        done = true;
    });
    waitUntil([&] { return done; }, 10000);
    return title;
}

} // namespace

class MainWindowScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void everyViewDockedDuringAndAfterARun();
};

void MainWindowScreenshotTest::everyViewDockedDuringAndAfterARun() {
    cli::SampleSiteServer site(QUARLO_SOURCE_DATA "/sample-site");
    QVERIFY(site.start());
    ShellHome home;
    PromptRecorder prompts;
    OpenRecorder opened;
    saveQuickProfile(home.app());

    TFormQuarlo window(home.engine());
    window.resize(1280, 960);
    QVERIFY(showMainWindow(window));
    window.setGeometry(0, 0, 1280, 960);
    window.toggleIntranet();
    window.toggleConnections();
    window.toggleZipProperties();

    // The home page is up in the browser.
    QVERIFY(waitUntil([&] { return pageTitle(window.browser()->view()) == "Quarlo Home"; }));

    const QString taskFile = goWithQuickProfile(window, site.rootUrl() + "index.html");
    QVERIFY(waitUntil([&] { return pagesSaved(home.app().currentTask()) >= 3; }));
    window.explore(taskFile);
    home.engine().hooks().flush();
    QVERIFY(saveScreenshot(window, QStringLiteral("main_window_during_run.png")));

    // The rest goes at full speed.
    home.app().setDispatchPause(0);
    QVERIFY(waitUntil(
        [&] { return taskStatus(home.app().currentTask()) == TaskStatus::TaskComplete; }, 60000));
    home.engine().hooks().flush();

    // The mirrored start page opens in the browser.
    TQLTask& task = *home.app().currentTask();
    auto start = browseTarget(home.app(), task);
    QVERIFY2(start.ok(), start.message().c_str());
    window.showInBrowser(QString::fromStdString(*start));
    QVERIFY(
        waitUntil([&] { return pageTitle(window.browser()->view()) == "Bluewater Rowing Club"; }));
    QVERIFY(saveScreenshot(window, QStringLiteral("main_window_after_run.png")));
    QVERIFY(opened.opened().isEmpty());
}

QTEST_MAIN(MainWindowScreenshotTest)
#include "main_window_xvfb_test.moc"
