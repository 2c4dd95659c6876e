#include "shell/ToolPanel.h"

#include "model/TQLApp.h"
#include "platform/FileUtil.h"
#include "shell/FlowLayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QToolButton>

namespace quarlo::shell {

void DropDownCombo::showPopup() {
    emit aboutToShowPopup();
    QComboBox::showPopup();
}

ViewLink::ViewLink(const QString& caption, QWidget* parent) : QLabel(parent), m_caption(caption) {
    setCursor(Qt::PointingHandCursor);
    setShown(false);
}

void ViewLink::setShown(bool shown) {
    m_shown = shown;
    // Bold with a yellow hover colour while the view is shown, a plain link otherwise.
    setStyleSheet(shown ? QStringLiteral("QLabel { font-weight: bold; color: #1a3d8f; }"
                                         "QLabel:hover { color: #d4a000; }")
                        : QStringLiteral("QLabel { font-weight: normal; color: #1a3d8f; }"
                                         "QLabel:hover { color: #2d6be0; }"));
    setText(m_caption);
}

void ViewLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(event);
}

QToolButton* ToolPanel::makeButton(const char* name, const QString& hint, bool checkable) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setCheckable(checkable);
    button->setIconSize(QSize(24, 24));
    return button;
}

ToolPanel::ToolPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ToolPanel"));
    btnNewZip = makeButton("btnNewZip", tr("New"));
    btnNewZip->setPopupMode(QToolButton::MenuButtonPopup);
    btnOpen = makeButton("btnOpen", tr("Open a Zip file"));
    btnDownloads = makeButton("btnDownloads", tr("Downloads folder"));
    btnDownloads->setPopupMode(QToolButton::InstantPopup);
    btnQuarloMode = makeButton("btnQuarloMode", {}, true);
    btnIntranetMode = makeButton("btnIntranetMode", {}, true);
    btnAddToSelectedZip = makeButton("btnAddToSelectedZip",
                                     tr("Add future downloads to currently selected zip"), true);
    btnHelp = makeButton("btnHelp", tr("Help"));
    lblProfile = new QLabel(tr("Profile:"), this);
    cmbProfile = new DropDownCombo(this);
    cmbProfile->setObjectName(QStringLiteral("cmbProfile"));
    // Both boxes are sized by a number of characters, never by the longest entry.
    cmbProfile->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbProfile->setMinimumContentsLength(12);
    cmbURL = new QComboBox(this);
    cmbURL->setObjectName(QStringLiteral("cmbURL"));
    cmbURL->setEditable(true);
    cmbURL->setInsertPolicy(QComboBox::NoInsert);
    cmbURL->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbURL->setMinimumContentsLength(24);
    cmbURL->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    btnGO = makeButton("btnGO", tr("Download"));
    btnGO->setText(tr("GO"));
    btnGO->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnGO->setPopupMode(QToolButton::MenuButtonPopup);
    chkWorkOffline = new QCheckBox(tr("Work Offline"), this);
    chkWorkOffline->setObjectName(QStringLiteral("chkWorkOffline"));

    btnBrowserBack = makeButton("btnBrowserBack", tr("Back"));
    btnBrowserForward = makeButton("btnBrowserForward", tr("Forward"));
    btnBrowserStop = makeButton("btnBrowserStop", tr("Stop"));
    btnBrowserRefresh = makeButton("btnBrowserRefresh", tr("Refresh"));
    btnBrowserHome = makeButton("btnBrowserHome", tr("Home"));
    btnBrowser = makeButton("btnBrowser", tr("Browse the address"));
    btnBrowseHome = makeButton("btnBrowseHome", tr("Quarlo home"), true);
    btnBrowseDailyNews = makeButton("btnBrowseDailyNews", tr("Daily News"), true);
    btnBrowseWebLinks = makeButton("btnBrowseWebLinks", tr("Web Links"), true);
    btnBranding = makeButton("btnBranding", {}, true);
    btnBranding->setVisible(false);
    lblAnimation = new QLabel(this);
    lblAnimation->setObjectName(QStringLiteral("lblAnimation"));

    modeGroup = new QButtonGroup(this);
    modeGroup->addButton(btnQuarloMode, 0);
    modeGroup->addButton(btnIntranetMode, 1);
    browseGroup = new QButtonGroup(this);
    for (QToolButton* b : {btnBrowseHome, btnBrowseDailyNews, btnBrowseWebLinks, btnBranding})
        browseGroup->addButton(b);

    lnkZipProperties = new ViewLink(tr("Zip Properties"), this);
    lnkConnections = new ViewLink(tr("Connections"), this);
    lnkExplore = new ViewLink(tr("Explore"), this);
    lnkBrowse = new ViewLink(tr("Browse"), this);
    lnkTasks = new ViewLink(tr("Tasks"), this);
    lnkIntranet = new ViewLink(tr("Personal Intranet"), this);

    // Groups that stay together; the panel wraps between them when the window is narrow.
    const auto group = [this](std::initializer_list<QWidget*> widgets, int stretchAt = -1) {
        auto* box = new QWidget(this);
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(2);
        int index = 0;
        for (QWidget* w : widgets)
            row->addWidget(w, index++ == stretchAt ? 1 : 0);
        return box;
    };
    auto* flow = new FlowLayout(this, 4);
    flow->setContentsMargins(4, 2, 4, 2);
    flow->addWidget(group({btnNewZip, btnOpen, btnDownloads, btnQuarloMode, btnIntranetMode,
                           btnAddToSelectedZip, btnHelp}));
    flow->addWidget(group({lblProfile, cmbProfile}));
    QWidget* address = group({cmbURL, btnGO}, 0);
    address->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    flow->addWidget(address);
    flow->addWidget(group({chkWorkOffline, lblAnimation}));
    flow->addBreak();
    flow->addWidget(
        group({btnBrowserBack, btnBrowserForward, btnBrowserStop, btnBrowserRefresh, btnBrowserHome,
               btnBrowser, btnBrowseHome, btnBrowseDailyNews, btnBrowseWebLinks, btnBranding}));
    // Pushes the view links to the right end of their row.
    flow->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));
    QWidget* links =
        group({lnkZipProperties, lnkConnections, lnkExplore, lnkBrowse, lnkTasks, lnkIntranet});
    links->layout()->setSpacing(10);
    flow->addWidget(links);
}

void ToolPanel::applySkin(TQLApp& app) {
    const std::pair<QToolButton*, const char*> glyphs[] = {
        {btnNewZip, "new.bmp"},
        {btnOpen, "open.bmp"},
        {btnDownloads, "dwnloads.bmp"},
        {btnQuarloMode, "qlmode.bmp"},
        {btnIntranetMode, "pimode.bmp"},
        {btnAddToSelectedZip, "addtocur.bmp"},
        {btnHelp, "help.bmp"},
        {btnGO, "download.bmp"},
        {btnBrowserBack, "browser_back.bmp"},
        {btnBrowserForward, "browser_forward.bmp"},
        {btnBrowserStop, "browser_stop.bmp"},
        {btnBrowserRefresh, "browser_refresh.bmp"},
        {btnBrowserHome, "browser_home.bmp"},
        {btnBrowser, "browser.bmp"},
        {btnBrowseHome, "browse_quarlohome.bmp"},
        {btnBrowseDailyNews, "browse_dailynews.bmp"},
        {btnBrowseWebLinks, "browse_weblinks.bmp"},
    };
    for (const auto& [button, file] : glyphs)
        button->setIcon(QIcon(QString::fromStdString(app.skinFile(file))));
    const std::string branding = app.resourceFolder() + "branding.bmp";
    btnBranding->setVisible(fileExists(branding));
    if (btnBranding->isVisible())
        btnBranding->setIcon(QIcon(QString::fromStdString(branding)));

    const bool wasBusy = isBusy();
    delete m_animation;
    m_animation = new QMovie(QString::fromStdString(app.skinFile("qlanim.gif")), {}, this);
    lblAnimation->setMovie(m_animation);
    setBusy(wasBusy);
}

void ToolPanel::setBusy(bool busy) {
    if (m_animation == nullptr)
        return;
    if (busy) {
        m_animation->start();
    } else {
        m_animation->stop();
        m_animation->jumpToFrame(0);
    }
}

bool ToolPanel::isBusy() const {
    return m_animation != nullptr && m_animation->state() == QMovie::Running;
}

} // namespace quarlo::shell
