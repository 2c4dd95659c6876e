#include "engine/TickWinInet.h"
#include "model/MainWindowRules.h"
#include "platform/SettingsStore.h"
#include "shell/TFormBrowser.h"
#include "shell/TFormQuarlo.h"
#include "shell/ToolPanel.h"
#include "support/GuiFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDockWidget>
#include <QScreen>
#include <QTest>
#include <QToolButton>

using namespace quarlo;
using namespace quarlo::test;
using quarlo::shell::TFormQuarlo;

namespace {

const char* const kDocks[] = {"pnlLeftDock",     "pnlRightDock", "dockZip",
                              "dockConnections", "dockExplore",  "pnlStatus"};

QList<QDockWidget*> shownDocks(const TFormQuarlo& window) {
    QList<QDockWidget*> shown;
    for (const char* name : kDocks)
        if (QDockWidget* dock = window.dock(QLatin1String(name)); dock && !dock->isHidden())
            shown << dock;
    return shown;
}

void showEveryView(TFormQuarlo& window) {
    window.toggleConnections();
    window.toggleExplore();
    window.toggleZipProperties();
    window.toggleIntranet();
}

// Lets the layout take a change in (the window's minimum is worked out after a change).
void settle() {
    QTest::qWait(50);
}

} // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT
private slots:
    void aFirstStartTakesMostOfTheScreenCentred();
    void browsingTwiceGivesTheBrowserItsRoomBack();
    void menuChecksAndLinksTellTheTruth();
    void atTheMinimumSizeNothingOverlaps();
    void theDockLayoutIsKeptAndCanBeReset();
};

void WindowLayoutTest::aFirstStartTakesMostOfTheScreenCentred() {
    ShellHome home;
    SettingsStore& settings = home.app().settings();
    QVERIFY(isFirstWindowPlacement(settings));
    QRect placed;
    {
        TFormQuarlo window(home.engine());
        QVERIFY(showMainWindow(window));
        const QRect screen = window.screen()->availableGeometry();
        placed = window.geometry();
        QCOMPARE(placed.width(), screen.width() * 4 / 5);
        QCOMPARE(placed.height(), screen.height() * 4 / 5);
        QVERIFY2(std::abs(placed.center().x() - screen.center().x()) <= 2 &&
                     std::abs(placed.center().y() - screen.center().y()) <= 2,
                 qPrintable(QStringLiteral("%1,%2").arg(placed.x()).arg(placed.y())));
        window.close();
    }
    // From now on the stored position rules.
    QVERIFY(!isFirstWindowPlacement(settings));
    QCOMPARE(readWindowPlacement(settings).width, placed.width());
}

void WindowLayoutTest::browsingTwiceGivesTheBrowserItsRoomBack() {
    ShellHome home;
    QVERIFY(storeWindowPlacement(home.app().settings(), {0, 0, 900, 600}));
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    showEveryView(window);
    shell::ToolPanel* tools = window.toolPanel();
    QTest::mouseClick(tools->lnkBrowse, Qt::LeftButton);
    settle();
    QVERIFY(window.browser()->isHidden());
    QVERIFY(!tools->lnkBrowse->isShown());
    QTest::mouseClick(tools->lnkBrowse, Qt::LeftButton);
    settle();
    QVERIFY(window.browser()->isVisible());
    QVERIFY(tools->lnkBrowse->isShown());
    QVERIFY2(window.browser()->width() >= 200,
             qPrintable(QString::number(window.browser()->width())));
    // Hiding the docks beside it gives their room to the browser.
    const int before = window.browser()->width();
    window.toggleTasks();
    window.toggleIntranet();
    settle();
    QVERIFY(window.browser()->width() > before);
}

void WindowLayoutTest::menuChecksAndLinksTellTheTruth() {
    ShellHome home;
    TickWinInet::setWorkOffline(true);
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    QAction* statusBar = window.statusBarAction();
    QVERIFY(statusBar->isChecked());
    QVERIFY(window.toolPanel()->chkWorkOffline->isChecked());
    TickWinInet::setWorkOffline(false);
    window.toolPanel()->chkWorkOffline->setChecked(false);

    // Closed by its own button, the status window unticks the item; the item brings it back.
    QDockWidget* status = window.dock(QStringLiteral("pnlStatus"));
    status->close();
    QVERIFY(!statusBar->isChecked());
    statusBar->trigger();
    QVERIFY(statusBar->isChecked());
    QVERIFY(status->isVisible());

    // A link is bold exactly while its view is shown, however the view went.
    shell::ToolPanel* tools = window.toolPanel();
    QVERIFY(tools->lnkTasks->isShown());
    QVERIFY(!tools->lnkConnections->isShown());
    QTest::mouseClick(tools->lnkConnections, Qt::LeftButton);
    QVERIFY(tools->lnkConnections->isShown());
    window.dock(QStringLiteral("dockConnections"))->close();
    QVERIFY(!tools->lnkConnections->isShown());
    QVERIFY(window.connectionsWindow() == nullptr);
    window.dock(QStringLiteral("pnlLeftDock"))->close();
    QVERIFY(!tools->lnkTasks->isShown());
}

void WindowLayoutTest::atTheMinimumSizeNothingOverlaps() {
    ShellHome home;
    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    showEveryView(window);
    window.resize(600, 400);
    settle();
    QCOMPARE(window.size(), QSize(600, 400));
    const QList<QDockWidget*> docks = shownDocks(window);
    QCOMPARE(docks.size(), 6);
    QList<QRect> areas{window.browser()->geometry(), window.menuWidget()->geometry()};
    QList<QString> names{QStringLiteral("browser"), QStringLiteral("tool panel")};
    for (QDockWidget* dock : docks) {
        areas << dock->geometry();
        names << dock->objectName();
    }
    for (int i = 0; i < areas.size(); ++i) {
        QVERIFY2(window.rect().contains(areas[i]), qPrintable(names[i]));
        for (int k = i + 1; k < areas.size(); ++k)
            QVERIFY2(!areas[i].intersects(areas[k]), qPrintable(names[i] + " / " + names[k]));
    }
    // The tool panel wraps: every control lies whole inside it.
    shell::ToolPanel* tools = window.toolPanel();
    for (QWidget* control : std::initializer_list<QWidget*>{
             tools->cmbProfile, tools->cmbURL, tools->btnGO, tools->chkWorkOffline,
             tools->lnkZipProperties, tools->lnkIntranet}) {
        const QRect inPanel(control->mapTo(tools, QPoint(0, 0)), control->size());
        QVERIFY2(tools->rect().contains(inPanel), qPrintable(control->objectName()));
    }
    QVERIFY(
        !QRect(tools->cmbProfile->mapTo(tools, QPoint(0, 0)), tools->cmbProfile->size())
             .intersects(QRect(tools->cmbURL->mapTo(tools, QPoint(0, 0)), tools->cmbURL->size())));
}

void WindowLayoutTest::theDockLayoutIsKeptAndCanBeReset() {
    ShellHome home;
    SettingsStore& settings = home.app().settings();
    {
        TFormQuarlo window(home.engine());
        QVERIFY(showMainWindow(window));
        window.toggleConnections();
        window.toggleTasks();
        window.close();
    }
    const std::string stored = readDockLayout(settings);
    QVERIFY(!stored.empty());
    QVERIFY(!QByteArray::fromBase64(QByteArray::fromStdString(stored)).isEmpty());

    TFormQuarlo window(home.engine());
    QVERIFY(showMainWindow(window));
    // The views shown at the last close are back, each with its view.
    QVERIFY(window.connectionsWindow() != nullptr);
    QVERIFY(window.dock(QStringLiteral("dockConnections"))->isVisible());
    QVERIFY(window.toolPanel()->lnkConnections->isShown());
    QVERIFY(window.dock(QStringLiteral("pnlLeftDock"))->isHidden());
    QVERIFY(!window.toolPanel()->lnkTasks->isShown());

    window.findChild<QAction*>(QStringLiteral("mnuResetLayout"))->trigger();
    settle();
    QCOMPARE(shownDocks(window).size(), 2);
    QVERIFY(window.dock(QStringLiteral("pnlLeftDock"))->isVisible());
    QVERIFY(window.dock(QStringLiteral("pnlStatus"))->isVisible());
    QVERIFY(window.connectionsWindow() == nullptr);
    QVERIFY(window.toolPanel()->lnkTasks->isShown());
    QVERIFY(!window.toolPanel()->lnkConnections->isShown());
    QVERIFY(window.statusBarAction()->isChecked());
}

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
