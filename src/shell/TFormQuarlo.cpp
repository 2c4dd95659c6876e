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
#include "shell/TFormScheduler.h"
#include "shell/TFormStatus.h"
#include "shell/TFormZip.h"
#include "shell/ToolPanel.h"
#include "shell/UiTaskLock.h"

#include "engine/SocketList.h"
#include "engine/TQLDownloader.h"
#include "engine/TickWinInet.h"
#include "schedule/TThreadSchedule.h"
#include <QCheckBox>
#include <QCloseEvent>
#include <QSignalBlocker>

#include <QMenuBar>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

// The least of a view that a dock shows; the rest of a larger view scrolls.
constexpr QSize kViewMinimum(60, 32);

} // namespace

ViewDock::ViewDock(const QString& title, const char* name, QWidget* parent)
    : QDockWidget(title, parent), m_scroll(new QScrollArea(this)) {
    setObjectName(QString::fromLatin1(name));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setMinimumSize(kViewMinimum);
    setWidget(m_scroll);
}

void ViewDock::setView(QWidget* view) {
    if (m_scroll->widget() != view) {
        takeView();
        m_scroll->setWidget(view);
    }
}

QWidget* ViewDock::view() const {
    return m_scroll->widget();
}

QWidget* ViewDock::takeView() {
    return m_scroll->takeWidget();
}

void ViewDock::closeEvent(QCloseEvent* event) {
    QDockWidget::closeEvent(event);
    emit closed();
}

TFormQuarlo::TFormQuarlo(ShellEngine& engine, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_tools(new ToolPanel(this)) {
    setObjectName(QStringLiteral("TFormQuarlo"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setMinimumSize(kMinimumSize);
    setAcceptDrops(true);
    TQLApp& app = engine.app();
    m_recentUrls = std::make_unique<RecentList>(app.settings(), "Recent URLs", app.maxUrlHistory());
    m_recentZips =
        std::make_unique<RecentList>(app.settings(), "Recent ZIP files", app.maxFileHistory());
    // The menu bar and the tool panel above everything else. As the window's menu widget the
    // panel may grow taller when it wraps on a narrow window.
    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("pnlTools"));
    auto* rows = new QVBoxLayout(top);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    m_menuBar = new QMenuBar(top);
    rows->addWidget(m_menuBar);
    rows->addWidget(m_tools);
    setMenuWidget(top);
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
    // The Zip browser reports focus changes, which the closing window still causes: it goes
    // while this window can take them.
    delete m_zipView;
    m_zipView = nullptr;
}

QDockWidget* TFormQuarlo::dock(const QString& objectName) const {
    return findChild<QDockWidget*>(objectName);
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
    placeWindow();
    m_engine.downloader().sockets().SetSocketCount(app.connections());
    setSaveMode(app.saveMode());
    m_tools->cmbProfile->setToolTip(QString::fromStdString(uiText(730) + "\n" + uiText(731)));
    fillAddressBox();
    fillProfileBox();
    // The HTTP layer's offline state outlives a window: the box shows it as it is.
    const QSignalBlocker quiet(m_tools->chkWorkOffline);
    m_tools->chkWorkOffline->setChecked(TickWinInet::workOffline());
}

void TFormQuarlo::firstPaint() {
    if (m_painted)
        return;
    m_painted = true;
    m_tools->btnBrowseHome->setChecked(true);
    m_browser->showHomePage();
    arrangeDefaultDocks();
    restoreDockLayout();
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
    TaskStatus status = TaskStatus::Unscheduled;
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
        app.reportSettingsFailure(
            storeWindowPlacement(app.settings(), {x(), y(), width(), height()}));
    }
    storeDockLayout();
}

} // namespace quarlo::shell
