// The main window's docked views: where they go, which of them is shown, and the
// arrangement kept from one start to the next.

#include "model/MainWindowRules.h"
#include "model/TQLApp.h"
#include "platform/SettingsStore.h"
#include "shell/ShellEngine.h"
#include "shell/TFormBrowser.h"
#include "shell/TFormDownloader.h"
#include "shell/TFormExplore.h"
#include "shell/TFormPersonalIntranet.h"
#include "shell/TFormQuarlo.h"
#include "shell/TFormScheduler.h"
#include "shell/TFormStatus.h"
#include "shell/TFormZip.h"
#include "shell/ToolPanel.h"

#include <QAction>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace quarlo::shell {

namespace {

// The browser in the centre keeps at least this much room beside the docks.
constexpr int kBrowserMinimumWidth = 200;
constexpr int kBrowserMinimumHeight = 80;
constexpr int kSideDockWidth = 200;
constexpr int kStatusDockHeight = 120;
constexpr int kBottomViewHeight = 200;

} // namespace

void TFormQuarlo::buildDocks() {
    setDockNestingEnabled(true);
    m_browser->setMinimumSize(kBrowserMinimumWidth, kBrowserMinimumHeight);
    m_tasksDock = new ViewDock(tr("Tasks"), "pnlLeftDock", this);
    m_intranetDock = new ViewDock(tr("Personal Intranet"), "pnlRightDock", this);
    m_zipDock = new ViewDock(tr("Zip Properties"), "dockZip", this);
    m_connectionsDock = new ViewDock(tr("Connections"), "dockConnections", this);
    m_exploreDock = new ViewDock(tr("Explore"), "dockExplore", this);
    m_statusDock = new ViewDock(tr("Status"), "pnlStatus", this);
    addDockWidget(Qt::LeftDockWidgetArea, m_tasksDock);
    addDockWidget(Qt::RightDockWidgetArea, m_intranetDock);
    // The connections, the explorer and the Zip browser side by side at the bottom, the
    // status window below all three.
    addDockWidget(Qt::BottomDockWidgetArea, m_connectionsDock);
    splitDockWidget(m_connectionsDock, m_statusDock, Qt::Vertical);
    splitDockWidget(m_connectionsDock, m_exploreDock, Qt::Horizontal);
    splitDockWidget(m_exploreDock, m_zipDock, Qt::Horizontal);
    m_status = new TFormStatus(m_engine, m_statusDock);
    m_tasks = new TFormScheduler(m_engine, *this, m_tasksDock);
    for (ViewDock* d : docks()) {
        d->hide();
        connect(d, &ViewDock::closed, this, [this, d] { onDockClosed(d); });
        // Hidden or shown by whatever means (its own button, a restored layout): the links
        // and the menu follow.
        connect(d, &QDockWidget::visibilityChanged, this, &TFormQuarlo::updateLinks);
        // However the docks are arranged, the window keeps room for all of them.
        connect(d, &QDockWidget::visibilityChanged, this, &TFormQuarlo::keepRoomForDocks);
        connect(d, &QDockWidget::dockLocationChanged, this, &TFormQuarlo::keepRoomForDocks);
        connect(d, &QDockWidget::topLevelChanged, this, &TFormQuarlo::keepRoomForDocks);
    }
}

void TFormQuarlo::keepRoomForDocks() {
    // Measured once the layout has taken the change in.
    QTimer::singleShot(0, this, [this] {
        const QSize docks = layout()->minimumSize();
        const int width = std::max(kMinimumSize.width(), docks.width());
        const int top = menuWidget() != nullptr ? menuWidget()->heightForWidth(width) : 0;
        setMinimumSize(width, std::max(kMinimumSize.height(), docks.height() + top));
    });
}

QList<ViewDock*> TFormQuarlo::docks() const {
    return {m_tasksDock, m_intranetDock, m_zipDock, m_connectionsDock, m_exploreDock, m_statusDock};
}

QWidget* TFormQuarlo::viewOf(ViewDock* dock) {
    if (dock == m_tasksDock) {
        if (m_tasks == nullptr)
            m_tasks = new TFormScheduler(m_engine, *this, m_tasksDock);
        return m_tasks;
    }
    if (dock == m_connectionsDock) {
        if (m_connections == nullptr)
            m_connections = new TFormDownloader(m_engine, m_connectionsDock);
        return m_connections;
    }
    if (dock == m_exploreDock) {
        if (m_explore == nullptr)
            m_explore = new TFormExplore(m_engine, *this, m_exploreDock);
        return m_explore;
    }
    if (dock == m_intranetDock) {
        if (m_intranet == nullptr)
            m_intranet = new TFormPersonalIntranet(m_engine, *this, m_intranetDock);
        return m_intranet;
    }
    if (dock == m_zipDock) {
        makeZipBrowser();
        return m_zipView;
    }
    return m_status;
}

void TFormQuarlo::showDock(ViewDock* dock) {
    QWidget* view = viewOf(dock);
    dock->setView(view);
    const bool appearing = dock->isHidden();
    const int statusHeight = m_statusDock->height();
    dock->show();
    dock->raise();
    if (appearing && isVisible() && !dock->isFloating() && bottomRow().contains(dock))
        makeRoomInBottomRow(dock, statusHeight);
    if (dock == m_exploreDock)
        m_explore->refill();
    else if (dock == m_zipDock)
        updateZipActions();
    updateLinks();
}

QList<QDockWidget*> TFormQuarlo::bottomRow() const {
    return {m_connectionsDock, m_exploreDock, m_zipDock};
}

void TFormQuarlo::makeRoomInBottomRow(ViewDock* dock, int statusHeight) {
    // A bottom view comes with room for a few rows of its list; the status window below it
    // keeps its height and the browser gives the room. The views of the row share its width.
    resizeDocks({dock, m_statusDock}, {std::min(kBottomViewHeight, height() / 3), statusHeight},
                Qt::Vertical);
    QList<QDockWidget*> row;
    for (QDockWidget* each : bottomRow())
        if (!each->isHidden() && !each->isFloating() &&
            dockWidgetArea(each) == Qt::BottomDockWidgetArea)
            row << each;
    if (row.size() > 1)
        resizeDocks(row, QList<int>(row.size(), width() / static_cast<int>(row.size())),
                    Qt::Horizontal);
}

void TFormQuarlo::hideDock(ViewDock* dock) {
    dock->hide();
    onDockClosed(dock);
}

void TFormQuarlo::toggleDock(ViewDock* dock) {
    if (dock->isHidden())
        showDock(dock);
    else
        hideDock(dock);
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
    } else if (dock == m_zipDock) {
        zipBrowserHidden();
    }
    if (released != nullptr) {
        dock->takeView();
        released->deleteLater();
    }
    updateLinks();
}

void TFormQuarlo::updateLinks() {
    m_tools->lnkTasks->setShown(!m_tasksDock->isHidden());
    m_tools->lnkIntranet->setShown(!m_intranetDock->isHidden());
    m_tools->lnkZipProperties->setShown(!m_zipDock->isHidden());
    m_tools->lnkConnections->setShown(!m_connectionsDock->isHidden());
    m_tools->lnkExplore->setShown(!m_exploreDock->isHidden());
    m_tools->lnkBrowse->setShown(!m_browser->isHidden());
    if (m_statusBarAction != nullptr)
        m_statusBarAction->setChecked(!m_statusDock->isHidden());
}

void TFormQuarlo::showTasks() {
    showDock(m_tasksDock);
}

void TFormQuarlo::toggleTasks() {
    toggleDock(m_tasksDock);
}

void TFormQuarlo::toggleConnections() {
    toggleDock(m_connectionsDock);
}

void TFormQuarlo::toggleExplore() {
    toggleDock(m_exploreDock);
}

void TFormQuarlo::toggleIntranet() {
    toggleDock(m_intranetDock);
}

void TFormQuarlo::toggleZipProperties() {
    toggleDock(m_zipDock);
}

void TFormQuarlo::showZipBrowser() {
    showDock(m_zipDock);
}

void TFormQuarlo::toggleBrowse() {
    // The docks give the room back when the browser returns: it has a minimum size.
    m_browser->setVisible(m_browser->isHidden());
    updateLinks();
}

void TFormQuarlo::placeWindow() {
    SettingsStore& settings = m_engine.app().settings();
    WindowPlacement placement = readWindowPlacement(settings);
    if (isFirstWindowPlacement(settings)) {
        const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())
                                 ->availableGeometry();
        placement = firstStartPlacement({screen.x(), screen.y(), screen.width(), screen.height()});
    }
    // Left and Top place the window's frame; Width and Height are its size.
    if (!isMaximized()) {
        move(placement.left, placement.top);
        resize(placement.width, placement.height);
    }
}

void TFormQuarlo::arrangeDefaultDocks() {
    showDock(m_statusDock);
    showTasks();
    resizeDocks({m_tasksDock}, {kSideDockWidth}, Qt::Horizontal);
    // The status window's figures whole where the window is tall enough for them.
    const int statusHeight = std::clamp(m_statusDock->sizeHint().height(), kStatusDockHeight,
                                        std::max(kStatusDockHeight, height() / 3));
    resizeDocks({m_statusDock}, {statusHeight}, Qt::Vertical);
}

void TFormQuarlo::restoreDockLayout() {
    // The arrangement of a first start is what Reset Layout goes back to.
    m_defaultLayout = saveState();
    const QByteArray stored = QByteArray::fromBase64(
        QByteArray::fromStdString(readDockLayout(m_engine.app().settings())));
    if (stored.isEmpty() || !restoreState(stored))
        return;
    showRestoredViews();
}

void TFormQuarlo::showRestoredViews() {
    // A restored layout says which docks are shown: each gets its view, the others let
    // theirs go.
    for (ViewDock* d : docks()) {
        if (!d->isHidden())
            showDock(d);
        else if (d->view() != nullptr && d != m_statusDock && d != m_tasksDock)
            onDockClosed(d);
    }
    updateLinks();
}

void TFormQuarlo::resetLayout() {
    if (!m_defaultLayout.isEmpty() && restoreState(m_defaultLayout))
        showRestoredViews();
    arrangeDefaultDocks();
    m_browser->show();
    updateLinks();
}

void TFormQuarlo::storeDockLayout() {
    TQLApp& app = m_engine.app();
    app.reportSettingsFailure(
        quarlo::storeDockLayout(app.settings(), saveState().toBase64().toStdString()));
}

} // namespace quarlo::shell
