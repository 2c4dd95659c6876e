#pragma once

#include "shell/ShellCommands.h"

#include <QDockWidget>
#include <QMainWindow>

#include <functional>
#include <memory>

class QMenu;
class QMenuBar;
class QMimeData;
class QScrollArea;

namespace quarlo {
class RecentList;
}

namespace quarlo::shell {

class ShellEngine;
class TFormBrowser;
class TFormDownloader;
class TFormExplore;
class TFormPersonalIntranet;
class TFormScheduler;
class TFormStatus;
class TFormZip;
class ToolPanel;

// A dock for one view that says when the user closes it. A view that needs more room than
// the dock has scrolls inside it, so that a dock never claims more of the window than its
// title and a little of its view.
class ViewDock : public QDockWidget {
    Q_OBJECT
public:
    ViewDock(const QString& title, const char* name, QWidget* parent);
    void setView(QWidget* view);
    QWidget* view() const;
    // Takes the view out of the dock without deleting it; nullptr when there is none.
    QWidget* takeView();
signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QScrollArea* m_scroll;
};

// The program's one top-level window: the tool panel, the embedded browser in the centre,
// the docked views around it, the menus and the tray icon. It turns the user's input into
// the core's commands and wires the start and end of runs to the views.
class TFormQuarlo : public QMainWindow, public ShellCommands {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Quarlo 3.0 Beta 4";
    static constexpr QSize kMinimumSize{600, 400};

    explicit TFormQuarlo(ShellEngine& engine, QWidget* parent = nullptr);
    ~TFormQuarlo() override;

    // The parameter of the command line, examined once the window is up.
    void setLaunchParameter(const QString& parameter) { m_launchParameter = parameter; }
    // A command-line parameter, or one a second start hands over.
    void handleParameter(const QString& parameter, bool secondStart);

    void showInBrowser(const QString& location, bool reload = false) override;
    void refreshInBrowser(const QString& location) override;
    QString browserLocation() const override;
    void newTask(const QString& url, const QString& profile, bool map) override;
    void explore(const QString& taskFile) override;
    void stopCurrentTask() override;
    void openZip(const QString& archive) override;
    void showTaskPath(const QString& path) override;
    void forgetCurrentTask() override;

    // The Go button: a new task with the address box's URL and the Profile box's name.
    void goClicked();
    // Paste URL: clipboard text that is a URL starts a new task without profile.
    void pasteUrl();
    // Re-skins the window and the status window from the current skin.
    void applySkin();
    // The skin dialog: every skin clicked there applies at once; Cancel restores the one
    // set before.
    void selectSkin();

    ToolPanel* toolPanel() const { return m_tools; }
    TFormBrowser* browser() const { return m_browser; }
    TFormStatus* statusWindow() const { return m_status; }
    TFormDownloader* connectionsWindow() const { return m_connections; }
    TFormScheduler* taskManager() const { return m_tasks; }
    TFormExplore* explorer() const { return m_explore; }
    TFormPersonalIntranet* intranetView() const { return m_intranet; }
    TFormZip* zipView() const { return m_zipView; }
    QDockWidget* dock(const QString& objectName) const;
    ShellEngine& engine() { return m_engine; }
    // The File menu's "&Reopen" sub-menu and the recent URLs, for tests.
    QMenu* reopenMenu() const { return m_reopenMenu; }
    RecentList& recentUrls() { return *m_recentUrls; }
    RecentList& recentZips() { return *m_recentZips; }
    void addRecentZip(const QString& path);
    void reopenZip(const QString& path);

    // The views' toggles (the link labels).
    void toggleTasks();
    void toggleConnections();
    void toggleExplore();
    void toggleIntranet();
    void toggleBrowse();
    void toggleZipProperties();
    void showTasks();
    void showZipBrowser();
    // View > Reset Layout: the docks go back to where a first start puts them.
    void resetLayout();
    // The View menu's "Status Bar" item, checked while the status window is shown.
    QAction* statusBarAction() const { return m_statusBarAction; }
    QMenuBar* mainMenu() const { return m_menuBar; }

signals:
    // The first paint is done: the views are up and the schedule thread runs.
    void ready();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildDocks();
    void buildMenus();
    void buildFileMenu();
    void buildEditMenu();
    void buildViewMenu();
    void buildZipMenu();
    void buildHelpMenu();
    void buildTray();
    void wireToolPanel();
    void wireEngine();
    void firstActivation();
    void firstPaint();
    bool closeQuery();
    void closeWindow();

    void setSaveMode(int mode);
    void refreshModeHints();
    void fillProfileBox();
    void fillAddressBox();
    void rebuildReopenMenu();
    void fillDownloadsMenu(QMenu* menu);
    void openZipDialog();
    // The Zip menu's archive commands follow the Zip browser's selection and focus.
    void updateZipActions();
    void closeSelectedZip();
    // The Zip browser was hidden: released unless a Zip-mode task is current.
    void zipBrowserHidden();
    void showAbout();
    void showOnlineHelp();
    // The status window's Run button: the run request for the current task.
    void runCurrentTask();
    void onRunStarted();
    void onRunEnded();
    // The Zip browser's pages and list and the personal intranet tree read again.
    void refreshFileViews();
    void onSummaryRequested(const QString& taskFile);
    void setWorkOffline(bool offline);
    void openDailyArchive();
    bool dropUrl(const QMimeData* mime);

    // The docks, their views and their arrangement (TFormQuarloLayout.cpp).
    QList<ViewDock*> docks() const;
    // The dock's view, made when it does not exist (a view released on hiding is made anew).
    QWidget* viewOf(ViewDock* dock);
    void makeZipBrowser();
    void showDock(ViewDock* dock);
    // The connections, the explorer and the Zip browser, side by side above the status window.
    QList<QDockWidget*> bottomRow() const;
    void makeRoomInBottomRow(ViewDock* dock, int statusHeight);
    void hideDock(ViewDock* dock);
    void toggleDock(ViewDock* dock);
    void onDockClosed(ViewDock* dock);
    // The links and the View menu's check marks follow what is shown.
    void updateLinks();
    // Stored bounds, or 80 % of the screen on a first start.
    void placeWindow();
    void arrangeDefaultDocks();
    void restoreDockLayout();
    // The window's minimum: 600 x 400, or more when the docks shown need more.
    void keepRoomForDocks();
    void showRestoredViews();
    void storeDockLayout();

    ShellEngine& m_engine;
    ToolPanel* m_tools;
    TFormBrowser* m_browser = nullptr;
    TFormStatus* m_status = nullptr;
    TFormDownloader* m_connections = nullptr;
    TFormScheduler* m_tasks = nullptr;
    TFormExplore* m_explore = nullptr;
    TFormPersonalIntranet* m_intranet = nullptr;
    TFormZip* m_zipView = nullptr;
    QList<QAction*> m_zipActions;         // Add, Delete, Unzip, Rename
    QList<QAction*> m_selectedZipActions; // File > Close, Zip > Close and Browse
    ViewDock* m_tasksDock;
    ViewDock* m_intranetDock;
    ViewDock* m_zipDock;
    ViewDock* m_connectionsDock;
    ViewDock* m_exploreDock;
    ViewDock* m_statusDock;
    QMenuBar* m_menuBar = nullptr;
    QByteArray m_defaultLayout; // the docks as a first start arranges them
    QMenu* m_reopenMenu = nullptr;
    QMenu* m_taskMenu = nullptr;
    QAction* m_dailyArchiveAction = nullptr;
    QAction* m_statusBarAction = nullptr;
    std::unique_ptr<RecentList> m_recentUrls;
    std::unique_ptr<RecentList> m_recentZips;
    QString m_launchParameter;
    bool m_activated = false;
    bool m_painted = false;
    bool m_closing = false;
};

} // namespace quarlo::shell
