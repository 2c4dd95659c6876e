#include "archive/ZipBrowserModel.h"
#include "archive/ZipTree.h"
#include "engine/TickWinInet.h"
#include "model/MainWindowRules.h"
#include "model/RecentList.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "model/UiTexts.h"
#include "platform/FileUtil.h"
#include "reports/ReportPaths.h"
#include "reports/ShellPages.h"
#include "schedule/Clock.h"
#include "schedule/TThreadSchedule.h"
#include "shell/DialogEntryPoints.h"
#include "shell/ExploreModel.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"
#include "shell/ShellHooks.h"
#include "shell/TFormBrowser.h"
#include "shell/TFormDownloader.h"
#include "shell/TFormExplore.h"
#include "shell/TFormPersonalIntranet.h"
#include "shell/TFormQuarlo.h"
#include "shell/TFormStatus.h"
#include "shell/TFormZip.h"
#include "shell/TdlgSelectSkin.h"
#include "shell/ToolPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

namespace quarlo::shell {

namespace {

// Two fixed pages of an outside portal for the Daily News and Web Links
// buttons.
constexpr const char* kDailyNewsUrl = "https://en.wikipedia.org/wiki/Portal:Current_events";
constexpr const char* kWebLinksUrl = "https://en.wikipedia.org/wiki/Wikipedia:Contents";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void TFormQuarlo::wireToolPanel() {
    ToolPanel* t = m_tools;
    connect(t->btnNewZip, &QToolButton::clicked, this, [this] { newTask({}, {}, false); });
    connect(t->btnOpen, &QToolButton::clicked, this, &TFormQuarlo::openZipDialog);
    connect(t->modeGroup, &QButtonGroup::idClicked, this, &TFormQuarlo::setSaveMode);
    connect(t->btnHelp, &QToolButton::clicked, this, &TFormQuarlo::showOnlineHelp);
    connect(t->cmbProfile, &DropDownCombo::aboutToShowPopup, this, &TFormQuarlo::fillProfileBox);
    connect(t->btnGO, &QToolButton::clicked, this, &TFormQuarlo::goClicked);
    auto* goMenu = new QMenu(this);
    connect(goMenu->addAction(tr("New Download Task...")), &QAction::triggered, this,
            [this] { newTask(m_tools->cmbURL->currentText(), {}, false); });
    connect(goMenu->addAction(tr("Map")), &QAction::triggered, this, [this] {
        newTask(m_tools->cmbURL->currentText(), m_tools->cmbProfile->currentText(), true);
    });
    t->btnGO->setMenu(goMenu);
    auto browseAddress = [this] {
        const QString address = m_tools->cmbURL->currentText().trimmed();
        if (!address.isEmpty())
            showInBrowser(address);
    };
    connect(t->cmbURL->lineEdit(), &QLineEdit::returnPressed, this, browseAddress);
    connect(t->btnBrowser, &QToolButton::clicked, this, browseAddress);
    t->cmbURL->lineEdit()->installEventFilter(this);
    connect(t->chkWorkOffline, &QCheckBox::toggled, this, &TFormQuarlo::setWorkOffline);

    connect(t->btnBrowserBack, &QToolButton::clicked, m_browser, &TFormBrowser::back);
    connect(t->btnBrowserForward, &QToolButton::clicked, m_browser, &TFormBrowser::forward);
    connect(t->btnBrowserStop, &QToolButton::clicked, m_browser, &TFormBrowser::stop);
    connect(t->btnBrowserRefresh, &QToolButton::clicked, m_browser, &TFormBrowser::refresh);
    connect(t->btnBrowserHome, &QToolButton::clicked, m_browser, &TFormBrowser::home);
    connect(t->btnBrowseHome, &QToolButton::clicked, this, [this] { showInBrowser({}); });
    connect(t->btnBrowseDailyNews, &QToolButton::clicked, this,
            [this] { showInBrowser(QString::fromLatin1(kDailyNewsUrl)); });
    connect(t->btnBrowseWebLinks, &QToolButton::clicked, this,
            [this] { showInBrowser(QString::fromLatin1(kWebLinksUrl)); });
    connect(t->btnBranding, &QToolButton::clicked, this, [this] {
        const std::string url = brandingUrl(m_engine.app().resourceFolder());
        if (!url.empty())
            showInBrowser(qs(url));
    });
    t->btnBrowserBack->setEnabled(false);
    t->btnBrowserForward->setEnabled(false);
    t->btnBrowserStop->setEnabled(false);
    connect(m_browser, &TFormBrowser::backEnabled, t->btnBrowserBack, &QWidget::setEnabled);
    connect(m_browser, &TFormBrowser::forwardEnabled, t->btnBrowserForward, &QWidget::setEnabled);
    connect(m_browser, &TFormBrowser::stopEnabled, t->btnBrowserStop, &QWidget::setEnabled);
    connect(m_browser, &TFormBrowser::statusText, this,
            [this](const QString& text) { m_status->showStatusLine(text, -1); });
    connect(m_browser, &TFormBrowser::linkHovered, m_status, &TFormStatus::showPassingText);
    connect(m_browser, &TFormBrowser::addressVisited, this, [this](const QString& address) {
        QComboBox* box = m_tools->cmbURL;
        int index = box->findText(address, Qt::MatchFixedString);
        if (index < 0) {
            box->insertItem(0, address);
            index = 0;
        }
        box->setCurrentIndex(index);
    });

    connect(t->lnkTasks, &ViewLink::clicked, this, &TFormQuarlo::toggleTasks);
    connect(t->lnkConnections, &ViewLink::clicked, this, &TFormQuarlo::toggleConnections);
    connect(t->lnkExplore, &ViewLink::clicked, this, &TFormQuarlo::toggleExplore);
    connect(t->lnkIntranet, &ViewLink::clicked, this, &TFormQuarlo::toggleIntranet);
    connect(t->lnkBrowse, &ViewLink::clicked, this, &TFormQuarlo::toggleBrowse);
    connect(t->lnkZipProperties, &ViewLink::clicked, this, &TFormQuarlo::toggleZipProperties);
}

void TFormQuarlo::wireEngine() {
    connect(&m_engine, &ShellEngine::runStarted, this, &TFormQuarlo::onRunStarted);
    connect(&m_engine, &ShellEngine::runEnded, this, &TFormQuarlo::onRunEnded);
    connect(&m_engine, &ShellEngine::summaryRequested, this, &TFormQuarlo::onSummaryRequested);
    connect(&m_engine, &ShellEngine::filesChanged, this, &TFormQuarlo::refreshFileViews);
    connect(&m_engine.hooks(), &ShellHooks::browserRequested, this,
            [this](const QString& location) { showInBrowser(location); });
    connect(&m_engine.hooks(), &ShellHooks::messageRequested, this,
            [this](int kind, const QString& text) {
                switch (static_cast<UiHooks::MessageKind>(kind)) {
                case UiHooks::MessageKind::Error:
                    Prompts::error(this, text);
                    break;
                case UiHooks::MessageKind::Warning:
                    Prompts::warning(this, text);
                    break;
                case UiHooks::MessageKind::Information:
                    Prompts::information(this, text);
                    break;
                }
            });
    connect(m_status, &TFormStatus::runRequested, this, &TFormQuarlo::runCurrentTask);
    connect(m_status, &TFormStatus::stopRequested, this, &TFormQuarlo::stopCurrentTask);
}

void TFormQuarlo::runCurrentTask() {
    TQLTask* task = m_engine.app().currentTask();
    if (task == nullptr || m_engine.isRunning() || task->status() == TaskStatus::Scheduled)
        return;
    if (const std::optional<RunMethod> method = chooseRunMethod(this, *task))
        if (Status requested = task->requestRun(*method); !requested)
            Prompts::error(this, qs(requested.message()));
}

void TFormQuarlo::onRunStarted() {
    m_tools->setBusy(true);
    if (const TQLTask* task = m_engine.runningTask(); task != nullptr && !task->intranetMode())
        showZipBrowser();
    m_status->attach();
    if (m_explore != nullptr)
        m_explore->refill();
}

void TFormQuarlo::onRunEnded() {
    m_tools->setBusy(false);
    if (m_explore != nullptr)
        m_explore->model().refresh();
    m_status->refresh();
    if (m_connections != nullptr)
        m_connections->refresh();
    // The run's archive was renamed and completed, or its pages were saved into the Personal
    // Intranet folder.
    refreshFileViews();
}

void TFormQuarlo::refreshFileViews() {
    ZipBrowserModel& zips = m_engine.zipBrowser();
    if (zips.idle() && zips.currentArchive() != nullptr) {
        zips.pagesListing();
        zips.folderListing();
    }
    if (m_intranet != nullptr)
        m_intranet->refresh();
}

void TFormQuarlo::onSummaryRequested(const QString& taskFile) {
    auto task = TQLTask::loadFromFile(m_engine.app(), taskFile.toStdString());
    auto paths = ReportPaths::of(*task);
    if (!paths)
        return;
    if (!fileExists(paths->summary()) && !createReports(this, m_engine, *task))
        return;
    showInBrowser(qs(paths->summary()), true);
}

void TFormQuarlo::setWorkOffline(bool offline) {
    TickWinInet::setWorkOffline(offline);
}

void TFormQuarlo::setSaveMode(int mode) {
    m_engine.app().setSaveMode(mode);
    (mode == 1 ? m_tools->btnIntranetMode : m_tools->btnQuarloMode)->setChecked(true);
    refreshModeHints();
}

void TFormQuarlo::refreshModeHints() {
    TQLApp& app = m_engine.app();
    m_tools->btnIntranetMode->setToolTip(qs(saveModeHint(true, app.intranetFolder())));
    m_tools->btnQuarloMode->setToolTip(qs(saveModeHint(false, app.downloadsFolder())));
}

void TFormQuarlo::fillProfileBox() {
    QComboBox* box = m_tools->cmbProfile;
    const QString current = box->currentText();
    box->clear();
    box->addItem(QString());
    for (const std::string& name : listFiles(m_engine.app().profilesFolder(), ".qlp"))
        box->addItem(qs(name.substr(0, name.size() - 4)));
    box->setCurrentIndex(std::max(box->findText(current), 0));
}

void TFormQuarlo::fillAddressBox() {
    QComboBox* box = m_tools->cmbURL;
    const QString typed = box->currentText();
    box->clear();
    for (const std::string& url : m_recentUrls->entries())
        box->addItem(qs(url));
    box->setEditText(typed);
}

void TFormQuarlo::rebuildReopenMenu() {
    m_reopenMenu->clear();
    for (const std::string& path : m_recentZips->entries()) {
        const QString file = qs(path);
        connect(m_reopenMenu->addAction(file), &QAction::triggered, this,
                [this, file] { reopenZip(file); });
    }
    m_reopenMenu->setEnabled(!m_recentZips->entries().empty());
}

void TFormQuarlo::addRecentZip(const QString& path) {
    m_engine.app().reportSettingsFailure(m_recentZips->add(path.toStdString()));
    rebuildReopenMenu();
}

void TFormQuarlo::reopenZip(const QString& path) {
    if (!fileExists(path.toStdString())) {
        Prompts::error(this, qs(uiText(732)) + QLatin1Char(' ') + path + QLatin1Char(' ') +
                                 qs(uiText(733)));
        m_engine.app().reportSettingsFailure(m_recentZips->remove(path.toStdString()));
        rebuildReopenMenu();
        return;
    }
    openZip(path);
}

void TFormQuarlo::fillDownloadsMenu(QMenu* menu) {
    menu->clear();
    const std::string folder = m_engine.app().downloadsFolder();
    for (const std::string& name : downloadsMenuArchives(folder)) {
        const QString path = qs(folder + name);
        connect(menu->addAction(qs(name)), &QAction::triggered, this,
                [this, path] { openZip(path); });
    }
    menu->addSeparator();
    connect(menu->addAction(tr("More...")), &QAction::triggered, this,
            [this, folder] { ShellHooks::openLocationFor(this, qs(folder)); });
}

void TFormQuarlo::openZipDialog() {
    const QString path = QFileDialog::getOpenFileName(
        this, qs(uiText(696)), qs(m_engine.app().downloadsFolder()), tr("Zip file (*.ZIP *.zip)"));
    if (!path.isEmpty() && fileExists(path.toStdString()))
        openZip(path);
}

void TFormQuarlo::openZip(const QString& archive) {
    showZipBrowser();
    m_engine.zipBrowser().openArchive(archive.toStdString());
    addRecentZip(archive);
}

void TFormQuarlo::makeZipBrowser() {
    if (m_zipView != nullptr)
        return;
    m_zipView = new TFormZip(m_engine, *this, m_zipDock);
    connect(m_zipView, &TFormZip::commandsChanged, this, &TFormQuarlo::updateZipActions);
    connect(m_zipView, &TFormZip::recentZipChanged, this,
            [this](const QString& oldPath, const QString& newPath) {
                if (!oldPath.isEmpty())
                    m_engine.app().reportSettingsFailure(
                        m_recentZips->remove(oldPath.toStdString()));
                addRecentZip(newPath);
            });
}

void TFormQuarlo::zipBrowserHidden() {
    const TQLTask* task = m_engine.app().currentTask();
    if (m_zipView == nullptr || (task != nullptr && !task->intranetMode()))
        return;
    // Its archives go with it.
    ZipBrowserModel& model = m_engine.zipBrowser();
    while (!model.archives().empty() && model.select(model.archives().front()->root.get()))
        model.closeArchive();
    // Gone at once: a view made again right after must be the model's only listener.
    m_zipDock->takeView();
    delete m_zipView;
    m_zipView = nullptr;
    updateZipActions();
}

void TFormQuarlo::updateZipActions() {
    const bool enabled = m_zipView != nullptr && m_zipView->commandsEnabled();
    for (QAction* action : std::as_const(m_zipActions))
        action->setEnabled(enabled);
    for (QAction* action : std::as_const(m_selectedZipActions))
        action->setEnabled(m_engine.zipBrowser().selected() != nullptr);
}

void TFormQuarlo::closeSelectedZip() {
    if (m_zipView != nullptr)
        m_zipView->closeArchive();
    else if (m_engine.zipBrowser().selected() != nullptr && m_engine.zipBrowser().idle())
        m_engine.zipBrowser().closeArchive();
    updateZipActions();
}

void TFormQuarlo::openDailyArchive() {
    const std::string path =
        dailyArchivePath(m_engine.app().downloadsFolder(), SystemClock::instance().now());
    openZip(qs(path));
    m_tools->btnAddToSelectedZip->setChecked(true);
}

void TFormQuarlo::showAbout() {
    auto page = writeAboutPage(m_engine.app().tempFolder());
    if (page)
        showInBrowser(qs(*page), true);
    else
        Prompts::error(this, qs(page.message()));
}

void TFormQuarlo::showOnlineHelp() {
    auto page = writeHelpPage(m_engine.app().tempFolder());
    if (page)
        showInBrowser(qs(*page), true);
    else
        Prompts::error(this, qs(page.message()));
}

void TFormQuarlo::applySkin() {
    m_tools->applySkin(m_engine.app());
    m_status->applySkin();
}

void TFormQuarlo::selectSkin() {
    TdlgSelectSkin dialog(m_engine, this);
    connect(&dialog, &TdlgSelectSkin::skinChanged, this, &TFormQuarlo::applySkin);
    dialog.exec();
}

} // namespace quarlo::shell
