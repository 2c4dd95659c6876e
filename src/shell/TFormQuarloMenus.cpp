#include "model/MainWindowRules.h"
#include "model/RecentList.h"
#include "model/TQLApp.h"
#include "model/UiTexts.h"
#include "schedule/Clock.h"
#include "shell/DialogEntryPoints.h"
#include "shell/ShellEngine.h"
#include "shell/TFormQuarlo.h"
#include "shell/TFormScheduler.h"
#include "shell/TFormStatus.h"
#include "shell/TFormZip.h"
#include "shell/ToolPanel.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QToolButton>

#include <tuple>

namespace quarlo::shell {

namespace {

QAction* addItem(QMenu* menu, const QString& caption, const QKeySequence& key = {}) {
    QAction* action = menu->addAction(caption);
    if (!key.isEmpty())
        action->setShortcut(key);
    return action;
}

// The edit box the Edit menu acts on: the focused line edit, or that of a
// focused combo box.
QLineEdit* focusedEdit() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(focus))
        return combo->lineEdit();
    return nullptr;
}

} // namespace

void TFormQuarlo::buildMenus() {
    buildFileMenu();
    buildEditMenu();
    buildViewMenu();
    buildZipMenu();
    // The Task menu is the task manager's own pop-up menu, enabled by the same rule.
    m_taskMenu = m_tasks->taskMenu();
    m_taskMenu->setTitle(tr("&Task"));
    m_menuBar->addMenu(m_taskMenu);
    buildHelpMenu();
}

void TFormQuarlo::buildFileMenu() {
    QMenu* file = m_menuBar->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QMenu* newMenu = file->addMenu(tr("&New"));
    connect(addItem(newMenu, tr("&File Zip..."), QKeySequence(Qt::Key_F6)), &QAction::triggered,
            this, [this] { openFileZipWizard(this, m_engine, {}); });
    connect(addItem(newMenu, tr("&Download Task..."), QKeySequence(Qt::Key_F7)),
            &QAction::triggered, this, [this] { newTask({}, {}, false); });
    connect(addItem(newMenu, tr("New Personal Intranet Website")), &QAction::triggered, this,
            [this] {
                setSaveMode(1);
                newTask({}, {}, false);
            });
    newMenu->addSeparator();
    m_dailyArchiveAction = addItem(newMenu, {});
    connect(m_dailyArchiveAction, &QAction::triggered, this, &TFormQuarlo::openDailyArchive);
    connect(newMenu, &QMenu::aboutToShow, this, [this] {
        m_dailyArchiveAction->setText(
            QString::fromStdString(dailyArchiveCaption(SystemClock::instance().now())));
    });
    m_tools->btnNewZip->setMenu(newMenu);

    connect(addItem(file, tr("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O)), &QAction::triggered,
            this, &TFormQuarlo::openZipDialog);
    m_reopenMenu = file->addMenu(tr("&Reopen"));
    m_reopenMenu->setObjectName(QStringLiteral("mnuReopen"));
    rebuildReopenMenu();
    m_selectedZipActions << addItem(file, tr("&Close"));
    file->addSeparator();
    connect(addItem(file, tr("E&xit"), QKeySequence(Qt::ALT | Qt::Key_F4)), &QAction::triggered,
            this, &QWidget::close);
}

void TFormQuarlo::buildEditMenu() {
    QMenu* edit = m_menuBar->addMenu(tr("&Edit"));
    QAction* undo = addItem(edit, tr("&Undo"), QKeySequence::Undo);
    QAction* cut = addItem(edit, tr("Cu&t"), QKeySequence::Cut);
    QAction* copy = addItem(edit, tr("&Copy"), QKeySequence::Copy);
    QAction* paste = addItem(edit, tr("&Paste"), QKeySequence::Paste);
    edit->addSeparator();
    connect(addItem(edit, tr("Paste URL..."), QKeySequence(Qt::CTRL | Qt::Key_B)),
            &QAction::triggered, this, &TFormQuarlo::pasteUrl);
    // The menu's own shortcuts would take the keys from every edit box: the items
    // act only through the menu, enabled for what the focused box can do.
    for (QAction* a : {undo, cut, copy, paste})
        a->setShortcutContext(Qt::WidgetShortcut);
    connect(edit, &QMenu::aboutToShow, this, [undo, cut, copy, paste] {
        QLineEdit* box = focusedEdit();
        const bool selection = box != nullptr && box->hasSelectedText();
        undo->setEnabled(box != nullptr && box->isUndoAvailable());
        cut->setEnabled(selection);
        copy->setEnabled(selection);
        paste->setEnabled(box != nullptr && !QApplication::clipboard()->text().isEmpty());
    });
    connect(undo, &QAction::triggered, this, [] {
        if (QLineEdit* box = focusedEdit())
            box->undo();
    });
    connect(cut, &QAction::triggered, this, [] {
        if (QLineEdit* box = focusedEdit())
            box->cut();
    });
    connect(copy, &QAction::triggered, this, [] {
        if (QLineEdit* box = focusedEdit())
            box->copy();
    });
    connect(paste, &QAction::triggered, this, [] {
        if (QLineEdit* box = focusedEdit())
            box->paste();
    });
}

void TFormQuarlo::buildViewMenu() {
    QMenu* view = m_menuBar->addMenu(tr("&View"));
    m_statusBarAction = addItem(view, tr("Status Bar"));
    m_statusBarAction->setCheckable(true);
    m_statusBarAction->setObjectName(QStringLiteral("mnuStatusBar"));
    connect(m_statusBarAction, &QAction::triggered, this, [this](bool on) {
        if (on)
            showDock(m_statusDock);
        else
            hideDock(m_statusDock);
    });
    QAction* reset = addItem(view, tr("Reset Layout"));
    reset->setObjectName(QStringLiteral("mnuResetLayout"));
    connect(reset, &QAction::triggered, this, &TFormQuarlo::resetLayout);
    QMenu* downloads = view->addMenu(tr("Downloads Folder"));
    connect(downloads, &QMenu::aboutToShow, this,
            [this, downloads] { fillDownloadsMenu(downloads); });
    auto* buttonMenu = new QMenu(this);
    connect(buttonMenu, &QMenu::aboutToShow, this,
            [this, buttonMenu] { fillDownloadsMenu(buttonMenu); });
    m_tools->btnDownloads->setMenu(buttonMenu);
    view->addSeparator();
    QAction* preferences = addItem(view, tr("&Preferences..."));
    preferences->setObjectName(QStringLiteral("mnuPreferences"));
    connect(preferences, &QAction::triggered, this, [this] {
        RecentListClearing clearing;
        clearing.urls = [this] {
            m_engine.app().reportSettingsFailure(m_recentUrls->clear());
            fillAddressBox();
        };
        clearing.files = [this] {
            m_engine.app().reportSettingsFailure(m_recentZips->clear());
            rebuildReopenMenu();
        };
        if (editPreferences(this, m_engine, clearing)) {
            TQLApp& app = m_engine.app();
            app.reportSettingsFailure(m_recentUrls->setLimit(app.maxUrlHistory()));
            app.reportSettingsFailure(m_recentZips->setLimit(app.maxFileHistory()));
            rebuildReopenMenu();
            refreshModeHints();
        }
    });
    connect(addItem(view, tr("&Select Skin..."), QKeySequence(Qt::CTRL | Qt::Key_K)),
            &QAction::triggered, this, &TFormQuarlo::selectSkin);
    QMenu* language = view->addMenu(tr("Language"));
    auto* languages = new QActionGroup(language);
    // The built-in catalogue is the "Native" language, shown as English.
    QAction* english = addItem(language, tr("English"));
    english->setCheckable(true);
    english->setChecked(true);
    languages->addAction(english);
    connect(english, &QAction::triggered, this, [this] { m_engine.app().setLanguage("Native"); });
}

void TFormQuarlo::buildZipMenu() {
    QMenu* zip = m_menuBar->addMenu(tr("&Zip"));
    zip->setObjectName(QStringLiteral("mnuZip"));
    connect(addItem(zip, tr("&Web Zip..."), QKeySequence(Qt::CTRL | Qt::Key_N)),
            &QAction::triggered, this, [this] { newTask({}, {}, false); });
    connect(addItem(zip, tr("&File Zip..."), QKeySequence(Qt::CTRL | Qt::Key_F)),
            &QAction::triggered, this, [this] { openFileZipWizard(this, m_engine, {}); });
    connect(addItem(zip, tr("&Open...")), &QAction::triggered, this, &TFormQuarlo::openZipDialog);
    m_selectedZipActions << addItem(zip, tr("&Close"));
    // Close (and Browse, below) act on the selected archive: enabled while there is one.
    for (QAction* close : std::as_const(m_selectedZipActions)) {
        close->setEnabled(false);
        connect(close, &QAction::triggered, this, &TFormQuarlo::closeSelectedZip);
    }
    zip->addSeparator();
    // The archive operations belong to the Zip browser, which enables them while
    // it has the focus and an archive is selected.
    using Command = void (TFormZip::*)();
    for (const auto& [caption, key, name, command] :
         {std::tuple{tr("&Add..."), QKeySequence(Qt::CTRL | Qt::Key_A), "mnuZipAdd",
                     Command(&TFormZip::addFiles)},
          std::tuple{tr("&Delete"), QKeySequence(Qt::Key_Delete), "mnuZipDelete",
                     Command(&TFormZip::deleteSelection)},
          std::tuple{tr("&Unzip..."), QKeySequence(Qt::CTRL | Qt::Key_U), "mnuZipUnzip",
                     Command(&TFormZip::unzip)},
          std::tuple{tr("Rena&me"), QKeySequence(Qt::CTRL | Qt::Key_R), "mnuZipRename",
                     Command(&TFormZip::startRename)}}) {
        QAction* action = addItem(zip, caption, key);
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, [this, command] {
            if (m_zipView != nullptr && m_zipView->commandsEnabled())
                (m_zipView->*command)();
        });
        m_zipActions << action;
    }
    QAction* browse = addItem(zip, tr("&Browse"));
    browse->setEnabled(false);
    connect(browse, &QAction::triggered, this, [this] {
        if (m_zipView != nullptr)
            m_zipView->browse(true);
    });
    m_selectedZipActions << browse;
}

void TFormQuarlo::buildHelpMenu() {
    QMenu* help = m_menuBar->addMenu(tr("&Help"));
    connect(addItem(help, tr("Online Help")), &QAction::triggered, this,
            &TFormQuarlo::showOnlineHelp);
    connect(addItem(help, tr("&About...")), &QAction::triggered, this, &TFormQuarlo::showAbout);
}

void TFormQuarlo::buildTray() {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    auto* tray = new QSystemTrayIcon(windowIcon(), this);
    tray->setObjectName(QStringLiteral("trayIcon"));
    tray->setToolTip(QString::fromLatin1(kCaption));
    auto* menu = new QMenu(this);
    QAction* addToZip = menu->addAction(tr("Add To Current Zip"));
    addToZip->setCheckable(true);
    connect(addToZip, &QAction::toggled, m_tools->btnAddToSelectedZip, &QToolButton::setChecked);
    connect(m_tools->btnAddToSelectedZip, &QToolButton::toggled, addToZip, &QAction::setChecked);
    connect(menu->addAction(tr("Paste URL and download...")), &QAction::triggered, this,
            &TFormQuarlo::pasteUrl);
    connect(menu->addAction(tr("&Options...")), &QAction::triggered, this,
            [this] { findChild<QAction*>(QStringLiteral("mnuPreferences"))->trigger(); });
    auto restore = [this] {
        showNormal();
        activateWindow();
    };
    connect(menu->addAction(tr("&Restore")), &QAction::triggered, this, restore);
    connect(menu->addAction(tr("E&xit")), &QAction::triggered, this, &QWidget::close);
    tray->setContextMenu(menu);
    connect(tray, &QSystemTrayIcon::activated, this,
            [restore](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    restore();
            });
    tray->show();
}

} // namespace quarlo::shell
