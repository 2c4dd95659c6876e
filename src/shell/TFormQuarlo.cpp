#include "shell/TFormQuarlo.h"

#include "model/MainWindowRules.h"
#include "model/RecentList.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "model/UiTexts.h"
#include "platform/SettingsStore.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"
#include "shell/TFormBrowser.h"
#include "shell/TFormDownloader.h"
#include "shell/TFormExplore.h"
#include "shell/TFormPersonalIntranet.h"
#include "shell/TFormScheduler.h"
#include "shell/TFormStatus.h"
#include "shell/ToolPanel.h"
#include "shell/UiTaskLock.h"

#include "engine/SocketList.h"
#include "engine/TQLDownloader.h"
#include "schedule/TThreadSchedule.h"
#include <QCheckBox>
#include <QCloseEvent>
#include <QSignalBlocker>

#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace quarlo::shell {

ViewDock::ViewDock(const QString& title, const char* name, QWidget* parent)
    : QDockWidget(title, parent) {
    setObjectName(QString::fromLatin1(name));
}

void ViewDock::closeEvent(QCloseEvent* event) {
    QDockWidget::closeEvent(event);
    emit closed();
}

TFormQuarlo::TFormQuarlo(ShellEngine& engine, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_tools(new ToolPanel(this)) {
    setObjectName(QStringLiteral("TFormQuarlo"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setMinimumSize(600, 400);
    setAcceptDrops(true);
    TQLApp& app = engine.app();
    m_recentUrls = std::make_unique<RecentList>(app.settings(), "Recent URLs", app.maxUrlHistory());
    m_recentZips =
        std::make_unique<RecentList>(app.settings(), "Recent ZIP files", app.maxFileHistory());
    auto* tools = addToolBar(tr("Tools"));
    tools->setObjectName(QStringLiteral("pnlTools"));
    tools->setMovable(false);
    tools->addWidget(m_tools);
    m_browser = new TFormBrowser(app, this);
    setCentralWidget(m_browser);
    buildDocks();
    buildMenus();
    wireToolPanel();
    wireEngine();
    buildTray();
}

TFormQuarlo::~TFormQuarlo() {
    m_engine.stopScheduleThread();
}

QDockWidget* TFormQuarlo::dock(const QString& objectName) const {
    return findChild<QDockWidget*>(objectName);
}

void TFormQuarlo::buildDocks() {
    setDockNestingEnabled(true);
    m_tasksDock = new ViewDock(tr("Tasks"), "pnlLeftDock", this);
    m_intranetDock = new ViewDock(tr("Personal Intranet"), "pnlRightDock", this);
    m_zipDock = new ViewDock(tr("Zip Properties"), "dockZip", this);
    m_connectionsDock = new ViewDock(tr("Connections"), "dockConnections", this);
    m_exploreDock = new ViewDock(tr("Explore"), "dockExplore", this);
    m_statusDock = new ViewDock(tr("Status"), "pnlStatus", this);
    addDockWidget(Qt::LeftDockWidgetArea, m_tasksDock);
    addDockWidget(Qt::RightDockWidgetArea, m_intranetDock);
    addDockWidget(Qt::BottomDockWidgetArea, m_connectionsDock);
    addDockWidget(Qt::BottomDockWidgetArea, m_exploreDock);
    addDockWidget(Qt::BottomDockWidgetArea, m_zipDock);
    // The status window lies below the other bottom views.
    splitDockWidget(m_connectionsDock, m_statusDock, Qt::Vertical);
    m_status = new TFormStatus(m_engine, m_statusDock);
    m_tasks = new TFormScheduler(m_engine, *this, m_tasksDock);
    for (ViewDock* d :
         {m_tasksDock, m_intranetDock, m_zipDock, m_connectionsDock, m_exploreDock, m_statusDock}) {
        d->hide();
        connect(d, &ViewDock::closed, this, [this, d] { onDockClosed(d); });
    }
}

void TFormQuarlo::showDock(ViewDock* dock, QWidget* view) {
    if (dock->widget() != view)
        dock->setWidget(view);
    dock->show();
    dock->raise();
    updateLinks();
}

void TFormQuarlo::hideDock(ViewDock* dock) {
    dock->hide();
    onDockClosed(dock);
}

void TFormQuarlo::onDockClosed(ViewDock* dock) {
    // The explorer, the connections window and the personal intranet view are
    // released when hidden; the status window and the task manager stay and keep
    // following the engine.
    QWidget* released = nullptr;
    if (dock == m_exploreDock && m_explore != nullptr) {
        released = m_explore;
        m_explore = nullptr;
    } else if (dock == m_connectionsDock && m_connections != nullptr) {
        released = m_connections;
        m_connections = nullptr;
    } else if (dock == m_intranetDock && m_intranet != nullptr) {
        released = m_intranet;
        m_intranet = nullptr;
    }
    if (released != nullptr) {
        dock->setWidget(nullptr);
        released->deleteLater();
    }
    if (dock == m_statusDock && m_statusBarAction != nullptr)
        m_statusBarAction->setChecked(false);
    updateLinks();
}

void TFormQuarlo::updateLinks() {
    m_tools->lnkTasks->setShown(m_tasksDock->isVisible());
    m_tools->lnkIntranet->setShown(m_intranetDock->isVisible());
    m_tools->lnkZipProperties->setShown(m_zipDock->isVisible());
    m_tools->lnkConnections->setShown(m_connectionsDock->isVisible());
    m_tools->lnkExplore->setShown(m_exploreDock->isVisible());
    m_tools->lnkBrowse->setShown(m_browser != nullptr && m_browser->isVisible());
}

void TFormQuarlo::showTasks() {
    if (m_tasks == nullptr)
        m_tasks = new TFormScheduler(m_engine, *this, m_tasksDock);
    showDock(m_tasksDock, m_tasks);
}

void TFormQuarlo::toggleTasks() {
    if (m_tasksDock->isVisible())
        hideDock(m_tasksDock);
    else
        showTasks();
}

void TFormQuarlo::toggleConnections() {
    if (m_connectionsDock->isVisible()) {
        hideDock(m_connectionsDock);
        return;
    }
    if (m_connections == nullptr)
        m_connections = new TFormDownloader(m_engine, m_connectionsDock);
    showDock(m_connectionsDock, m_connections);
}

void TFormQuarlo::toggleExplore() {
    if (m_exploreDock->isVisible()) {
        hideDock(m_exploreDock);
        return;
    }
    if (m_explore == nullptr)
        m_explore = new TFormExplore(m_engine, *this, m_exploreDock);
    showDock(m_exploreDock, m_explore);
    m_explore->refill();
}

void TFormQuarlo::toggleIntranet() {
    if (m_intranetDock->isVisible()) {
        hideDock(m_intranetDock);
        return;
    }
    if (m_intranet == nullptr)
        m_intranet = new TFormPersonalIntranet(m_engine, *this, m_intranetDock);
    showDock(m_intranetDock, m_intranet);
    m_intranet->refresh();
}

void TFormQuarlo::toggleBrowse() {
    m_browser->setVisible(!m_browser->isVisible());
    updateLinks();
}

void TFormQuarlo::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_activated)
        return;
    applySkin();
    firstActivation();
    // The first paint comes once the window is on the screen.
    QTimer::singleShot(0, this, &TFormQuarlo::firstPaint);
}

void TFormQuarlo::firstActivation() {
    m_activated = true;
    TQLApp& app = m_engine.app();
    const WindowPlacement placement = readWindowPlacement(app.settings());
    // Left and Top place the window's frame; Width and Height are its size.
    if (!isMaximized()) {
        move(placement.left, placement.top);
        resize(placement.width, placement.height);
    }
    m_engine.downloader().sockets().SetSocketCount(app.connections());
    setSaveMode(app.saveMode());
    m_tools->cmbProfile->setToolTip(QString::fromStdString(uiText(730) + "\n" + uiText(731)));
    fillAddressBox();
    fillProfileBox();
}

void TFormQuarlo::firstPaint() {
    if (m_painted)
        return;
    m_painted = true;
    m_statusDock->setWidget(m_status);
    m_statusDock->show();
    m_tools->btnBrowseHome->setChecked(true);
    m_browser->showHomePage();
    showTasks();
    resizeDocks({m_tasksDock}, {200}, Qt::Horizontal);
    resizeDocks({m_statusDock}, {120}, Qt::Vertical);
    m_engine.startScheduleThread();
    // The check box follows the HTTP layer's offline state, whoever changed it.
    m_engine.scheduleThread()->setOnWorkOffline([this](bool offline) {
        const QSignalBlocker quiet(m_tools->chkWorkOffline);
        m_tools->chkWorkOffline->setChecked(offline);
    });
    updateLinks();
    if (!m_launchParameter.isEmpty())
        handleParameter(m_launchParameter, false);
    emit ready();
}

void TFormQuarlo::closeEvent(QCloseEvent* event) {
    if (!closeQuery()) {
        event->ignore();
        return;
    }
    closeWindow();
    QMainWindow::closeEvent(event);
}

bool TFormQuarlo::closeQuery() {
    TQLTask* task = m_engine.app().currentTask();
    if (m_tasks == nullptr || task == nullptr)
        return true;
    int status = 0;
    {
        UiTaskLock lock(task->mutex());
        status = task->status();
    }
    if (status != TaskStatus::Downloading && status != TaskStatus::DownloadComplete)
        return true;
    if (!Prompts::askYesNo(this, QString::fromStdString(uiText(726) + "\n" + uiText(727))))
        return false;
    m_engine.stopRun();
    return true;
}

void TFormQuarlo::closeWindow() {
    if (m_closing)
        return;
    m_closing = true;
    TQLApp& app = m_engine.app();
    m_engine.stopScheduleThread();
    m_engine.stopRun();
    if (auto deleted = app.deleteTempFolder(); !deleted)
        qWarning("Temp folder kept: %s", deleted.message().c_str());
    // A maximised or minimised window keeps the bounds stored before.
    if (windowState() == Qt::WindowNoState) {
        storeWindowPlacement(app.settings(), {x(), y(), width(), height()});
    }
}

} // namespace quarlo::shell
