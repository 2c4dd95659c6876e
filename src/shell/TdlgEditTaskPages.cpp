#include "shell/TdlgEditTask.h"

#include "model/RecentList.h"
#include "model/TQLApp.h"
#include "shell/ShellEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

constexpr int kMaxLevels = 20;

template <class Widget> Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QRadioButton* radio(const QString& text, const char* name, QWidget* parent) {
    return named(new QRadioButton(text, parent), name);
}

QPushButton* pushButton(const QString& text, const char* name, QWidget* parent) {
    return named(new QPushButton(text, parent), name);
}

// A group of three choices in a frame of its own, so that each group is exclusive.
QGroupBox* choiceGroup(const QString& title, QRadioButton* (&choices)[3], const QString (&texts)[3],
                       const char* const (&names)[3], QWidget* parent) {
    auto* group = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(group);
    for (int i = 0; i < 3; ++i) {
        choices[i] = radio(texts[i], names[i], group);
        layout->addWidget(choices[i]);
    }
    return group;
}

} // namespace

QWidget* TdlgEditTask::buildUrlsPage() {
    auto* page = new QWidget(this);
    m_startPage = radio(tr("Download a Web page and follow links from this start page:"),
                        "rbStartPage", page);
    m_url = named(new QComboBox(page), "cmbURL");
    m_url->setEditable(true);
    m_url->setInsertPolicy(QComboBox::NoInsert);
    const RecentList recent(m_engine.app().settings(), "Recent URLs",
                            m_engine.app().maxUrlHistory());
    for (const std::string& url : recent.entries())
        m_url->addItem(QString::fromStdString(url));
    m_url->setEditText(QStringLiteral("http://"));
    m_requiresPassword = named(new QCheckBox(tr("Site requires a password"), page), "cbPassword");
    m_accountButton = pushButton(tr("&User Name/Password..."), "btnUserNamePassword", page);

    // The list of URLs: shown only for a task that has one.
    m_listControls = new QWidget(page);
    m_urlListChoice = radio(tr("Download a list of URLs:"), "rbURLList", m_listControls);
    m_urlList = named(new QListWidget(m_listControls), "lbURLs");
    m_listUrl = named(new QLineEdit(QStringLiteral("http://"), m_listControls), "edListURL");
    auto* addUrl = pushButton(tr("<--  &Add"), "btnAddURL", m_listControls);
    auto* deleteUrl = pushButton(tr("&Delete"), "btnDeleteURL", m_listControls);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(m_listUrl, 1);
    listRow->addWidget(addUrl);
    listRow->addWidget(deleteUrl);
    auto* listLayout = new QVBoxLayout(m_listControls);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(m_urlListChoice);
    listLayout->addWidget(m_urlList, 1);
    listLayout->addLayout(listRow);
    connect(addUrl, &QPushButton::clicked, this, [this] {
        const QString url = m_listUrl->text().trimmed();
        if (!url.isEmpty() && url != QStringLiteral("http://"))
            m_urlList->addItem(url);
    });
    connect(deleteUrl, &QPushButton::clicked, this, [this] { delete m_urlList->currentItem(); });

    auto* account = new QHBoxLayout;
    account->addWidget(m_requiresPassword);
    account->addStretch(1);
    account->addWidget(m_accountButton);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_startPage);
    layout->addWidget(m_url);
    layout->addLayout(account);
    layout->addSpacing(12);
    layout->addWidget(m_listControls, 1);
    layout->addStretch(1);
    return page;
}

QWidget* TdlgEditTask::buildSaveToPage() {
    auto* page = new QWidget(this);
    m_intranet = radio(tr("Download this Website to your Personal Intranet"), "rbIntranet", page);
    m_folder = named(new QLineEdit(page), "edFolder");
    m_folderButton = pushButton(tr("..."), "btnFolder", page);
    m_folderButton->setFixedWidth(36);
    m_zip = radio(tr("Download and Zip this Website"), "rbZip", page);
    m_zipFile = named(new QLineEdit(page), "edZipFile");
    m_newZip = pushButton(tr("New Zip File"), "btnNewZip", page);
    m_openZip = pushButton(tr("Open Zip File"), "btnOpenZip", page);
    m_useTitle = named(new QCheckBox(tr("Rename zip file to start page title"), page),
                       "cbUseStartPageTitle");

    auto* layout = new QGridLayout(page);
    layout->addWidget(m_intranet, 0, 0, 1, 3);
    layout->addWidget(m_folder, 1, 0, 1, 2);
    layout->addWidget(m_folderButton, 1, 2);
    layout->setRowMinimumHeight(2, 16);
    layout->addWidget(m_zip, 3, 0, 1, 3);
    layout->addWidget(m_zipFile, 4, 0, 1, 3);
    auto* zipButtons = new QHBoxLayout;
    zipButtons->addWidget(m_newZip);
    zipButtons->addWidget(m_openZip);
    zipButtons->addStretch(1);
    layout->addLayout(zipButtons, 5, 0, 1, 3);
    layout->addWidget(m_useTitle, 6, 0, 1, 3);
    layout->setRowStretch(7, 1);
    layout->setColumnStretch(0, 1);
    return page;
}

QWidget* TdlgEditTask::buildMethodPage() {
    auto* page = new QWidget(this);
    m_profile = named(new QComboBox(page), "cmbProfile");
    m_profile->setMinimumWidth(220);
    auto* saveAs = pushButton(tr("Save &As..."), "btnSaveProfileAs", page);
    m_deleteProfile = pushButton(tr("&Delete"), "btnDeleteProfile", page);
    connect(saveAs, &QPushButton::clicked, this, &TdlgEditTask::saveProfileAsClicked);
    connect(m_deleteProfile, &QPushButton::clicked, this, &TdlgEditTask::deleteProfileClicked);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Profile:"), page));
    row->addWidget(m_profile, 1);
    row->addWidget(saveAs);
    row->addWidget(m_deleteProfile);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget* TdlgEditTask::buildFollowedPage() {
    auto* page = new QWidget(this);
    auto* pages =
        choiceGroup(tr("Followed page links - Location:"), m_pageLocations,
                    {tr("Within current directory"), tr("Within current site"), tr("Anywhere")},
                    {"rbPagesDirectory", "rbPagesSite", "rbPagesAnywhere"}, page);

    auto* levels = new QGroupBox(tr("Followed links - Levels"), page);
    m_levelChoices[0] = radio(tr("This page only"), "rbLevelsThisPage", levels);
    m_levelChoices[1] = radio(tr("This page and"), "rbLevelsThisPageAnd", levels);
    m_levelChoices[2] = radio(tr("All levels"), "rbLevelsAll", levels);
    m_levels = named(new QSpinBox(levels), "edLevels");
    m_levels->setRange(1, kMaxLevels);
    m_levels->setValue(1);
    // Only the up-down control changes the box.
    m_levels->findChild<QLineEdit*>()->setReadOnly(true);
    auto* andRow = new QHBoxLayout;
    andRow->addWidget(m_levelChoices[1]);
    andRow->addWidget(m_levels);
    andRow->addWidget(new QLabel(tr("level/s"), levels));
    andRow->addStretch(1);
    auto* levelLayout = new QVBoxLayout(levels);
    levelLayout->addWidget(m_levelChoices[0]);
    levelLayout->addLayout(andRow);
    levelLayout->addWidget(m_levelChoices[2]);

    auto* media = choiceGroup(tr("Followed media links - Location"), m_mediaLocations,
                              {tr("Current directory"), tr("Current site"), tr("Anywhere")},
                              {"rbMediaDirectory", "rbMediaSite", "rbMediaAnywhere"}, page);
    auto* layout = new QGridLayout(page);
    layout->addWidget(pages, 0, 0);
    layout->addWidget(media, 0, 1);
    layout->addWidget(levels, 1, 0, 1, 2);
    layout->setRowStretch(2, 1);
    return page;
}

QWidget* TdlgEditTask::buildAdvancedPage() {
    auto* page = new QWidget(this);
    auto* group = new QGroupBox(tr("Certificates"), page);
    m_acceptAnyCertificate =
        named(new QCheckBox(tr("Accept any certificate from the start URL's server"), group),
              "cbAcceptAnyCertificate");
    auto* warning = named(new QLabel(tr("Warning: the server's identity is then not checked, so "
                                        "anyone between you and it could send you other files. "
                                        "Use this only for a server you know, such as one on "
                                        "your own network with a self-signed certificate."),
                                     group),
                          "lblCertificateWarning");
    warning->setWordWrap(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_acceptAnyCertificate);
    groupLayout->addWidget(warning);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

QWidget* TdlgEditTask::buildAggressivePage() {
    auto* page = new QWidget(this);
    m_aggressive = named(new QCheckBox(tr("Aggressive Parser"), page), "cbAggressiveParser");
    m_aggressiveScript =
        radio(tr("Aggressively extract and follow links from within <SCRIPT> tags only"),
              "rbAggressiveScript", page);
    m_aggressiveAll = radio(tr("Aggressively extract and follow all possible links from the "
                               "entire page"),
                            "rbAggressiveAll", page);
    m_obeyRobots =
        named(new QCheckBox(tr("Obey robots.txt and robots meta tags"), page), "cbObeyRobots");
    auto* robotsNote = new QLabel(tr("Pages and files the site's robots.txt keeps crawlers from "
                                     "are left out, and the links of pages marked \"nofollow\" "
                                     "are not followed. The start page is always fetched."),
                                  page);
    robotsNote->setWordWrap(true);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_aggressive);
    layout->addWidget(m_aggressiveScript);
    layout->addWidget(m_aggressiveAll);
    layout->addSpacing(12);
    layout->addWidget(m_obeyRobots);
    layout->addWidget(robotsNote);
    layout->addStretch(1);
    return page;
}

QWidget* TdlgEditTask::buildConversionPage() {
    auto* page = new QWidget(this);
    auto* followed = new QGroupBox(tr("Followed Links:  "), page);
    m_followed[0] = radio(tr("Do NOT convert ANY followed links"), "rbFollowedNone", followed);
    m_followed[1] =
        radio(tr("Convert ALL followed links to relative links"), "rbFollowedAll", followed);
    auto* followedLayout = new QVBoxLayout(followed);
    followedLayout->addWidget(m_followed[0]);
    followedLayout->addWidget(m_followed[1]);
    auto* unfollowed =
        choiceGroup(tr("Unfollowed Links:  "), m_unfollowed,
                    {tr("Do NOT convert ANY unfollowed links"),
                     tr("Convert unfollowed links within the current website to relative links"),
                     tr("Convert ALL unfollowed links to relative links")},
                    {"rbUnfollowedNone", "rbUnfollowedSite", "rbUnfollowedAll"}, page);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(followed);
    layout->addWidget(unfollowed);
    layout->addStretch(1);
    return page;
}

QWidget* TdlgEditTask::buildSchedulePage() {
    auto* page = new QWidget(this);
    auto* group = new QGroupBox(tr("Schedule this task to start:"), page);
    m_scheduleNow = radio(tr("Now"), "rbScheduleNow", group);
    m_scheduleAt = radio(tr("At:"), "rbScheduleAt", group);
    m_atBox = named(new QLineEdit(group), "edScheduleAt");
    m_atBox->setReadOnly(true);
    auto* schedule = pushButton(tr("Schedule"), "btnSchedule", group);
    m_scheduleNone = radio(tr("Don't schedule this task"), "rbScheduleNone", group);
    m_scheduleNone->setChecked(true);
    connect(schedule, &QPushButton::clicked, this, &TdlgEditTask::scheduleClicked);
    auto* atRow = new QHBoxLayout;
    atRow->addWidget(m_scheduleAt);
    atRow->addWidget(m_atBox, 1);
    atRow->addWidget(schedule);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_scheduleNow);
    groupLayout->addLayout(atRow);
    groupLayout->addWidget(m_scheduleNone);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

} // namespace quarlo::shell
