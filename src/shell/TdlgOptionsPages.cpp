#include "shell/TdlgOptions.h"

#include "model/TQLApp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

TdlgOptions::FolderChooser& folderChooser() {
    static TdlgOptions::FolderChooser chooser;
    return chooser;
}

QString chooseFolder(QWidget* parent, const QString& start) {
    if (folderChooser())
        return folderChooser()(parent, start);
    return QFileDialog::getExistingDirectory(parent, QObject::tr("Browse for Folder"), start);
}

QCheckBox* checkBox(QWidget* page, const QString& caption, const QString& name) {
    auto* box = new QCheckBox(caption, page);
    box->setObjectName(name);
    return box;
}

QLineEdit* lineEdit(QWidget* page, const QString& name) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(name);
    return edit;
}

QRadioButton* radio(QWidget* page, const QString& caption, const QString& name) {
    auto* button = new QRadioButton(caption, page);
    button->setObjectName(name);
    return button;
}

} // namespace

void TdlgOptions::setFolderChooser(FolderChooser chooser) {
    folderChooser() = std::move(chooser);
}

QLineEdit* TdlgOptions::folderRow(QWidget* page, const QString& name, QWidget** row) {
    *row = new QWidget(page);
    auto* layout = new QHBoxLayout(*row);
    layout->setContentsMargins(0, 0, 0, 0);
    QLineEdit* edit = lineEdit(*row, QStringLiteral("ed") + name);
    auto* browse = new QPushButton(tr("..."), *row);
    browse->setObjectName(QStringLiteral("btnBrowse") + name);
    browse->setToolTip(tr("Browse for Folder"));
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, [this, edit] {
        const QString folder = chooseFolder(this, edit->text());
        if (!folder.isEmpty())
            edit->setText(folder);
    });
    return edit;
}

QWidget* TdlgOptions::buildGeneralTab() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsGeneral"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(buildHistoryRows(page));
    m_zipLast = checkBox(page, tr("Zip files only after download has completed"),
                         QStringLiteral("cbZipLast"));
    m_noAds = checkBox(page, tr("Turn off banner ad insertion"), QStringLiteral("cbNoAds"));
    m_taskScreen = checkBox(page, tr("Display Task Screen at startup"),
                            QStringLiteral("cbZipPropertiesFirst"));
    m_beep = checkBox(page, tr("Beep on task completion"), QStringLiteral("cbBeep"));
    m_summary =
        checkBox(page, tr("Show summary on task completion"), QStringLiteral("cbShowSummary"));
    for (QCheckBox* box : {m_zipLast, m_noAds, m_taskScreen, m_beep, m_summary})
        layout->addWidget(box);
    layout->addWidget(buildTempGroup(page));
    layout->addStretch();
    return page;
}

QWidget* TdlgOptions::buildHistoryRows(QWidget* page) {
    auto* rows = new QWidget(page);
    auto* grid = new QGridLayout(rows);
    grid->setContentsMargins(0, 0, 0, 0);
    struct Row {
        QString caption;
        QSpinBox** box;
        QString name;
        int question;
        std::function<void()> RecentListClearing::*clear;
        const char* key;
    } list[] = {
        {tr("Max. URL's in recently typed URL's list:"), &m_maxUrls, QStringLiteral("Urls"), 734,
         &RecentListClearing::urls, "Recent URLs"},
        {tr("Max. files in recently opened files list:"), &m_maxFiles, QStringLiteral("Files"), 735,
         &RecentListClearing::files, "Recent ZIP files"},
    };
    int r = 0;
    for (const Row& row : list) {
        *row.box = new QSpinBox(rows);
        (*row.box)->setObjectName(QStringLiteral("edMax") + row.name);
        (*row.box)->setRange(0, 999);
        auto* clear = new QPushButton(tr("Clear"), rows);
        clear->setObjectName(QStringLiteral("btnClear") + row.name);
        connect(clear, &QPushButton::clicked, this,
                [this, row] { clearRecent(row.question, m_clearing.*row.clear, row.key); });
        grid->addWidget(new QLabel(row.caption, rows), r, 0);
        grid->addWidget(*row.box, r, 1);
        grid->addWidget(clear, r, 2);
        ++r;
    }
    grid->setColumnStretch(3, 1);
    return rows;
}

QWidget* TdlgOptions::buildTempGroup(QWidget* page) {
    auto* group = new QGroupBox(tr("Temporary Quarlo Files "), page);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(
        new QLabel(tr("Specify a location in which to store temporary files:"), group));
    QWidget* row = nullptr;
    m_tempFolder = folderRow(group, QStringLiteral("TempFolder"), &row);
    layout->addWidget(row);
    auto* note = new QLabel(tr("NOTE: Temporary files are automatically deleted on exit."), group);
    note->setWordWrap(true);
    layout->addWidget(note);
    return group;
}

QWidget* TdlgOptions::buildZipFoldersTab() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsZipFolders"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(tr("Default Downloads Folder:"), page));
    QWidget* row = nullptr;
    m_downloadsFolder = folderRow(page, QStringLiteral("DownloadsFolder"), &row);
    layout->addWidget(row);
    // Each pair of choices lies in its own group, so that the two pairs do not exclude
    // each other.
    struct Choice {
        QString caption, last, name;
        QRadioButton** lastChoice;
        QRadioButton** folderChoice;
        QLineEdit** box;
    } choices[] = {
        {tr("Default Zip Folder:"), tr("Last Zip Folder"), QStringLiteral("Zip"), &m_lastZipFolder,
         &m_zipFolderChoice, &m_zipFolder},
        {tr("Default Unzip Folder:"), tr("Last Unzip Folder"), QStringLiteral("Unzip"),
         &m_lastUnzipFolder, &m_unzipFolderChoice, &m_unzipFolder},
    };
    for (const Choice& c : choices) {
        auto* group = new QGroupBox(c.caption, page);
        auto* grid = new QGridLayout(group);
        *c.lastChoice = radio(group, c.last, QStringLiteral("rbLast") + c.name + "Folder");
        *c.folderChoice = radio(group, tr("Folder"), QStringLiteral("rb") + c.name + "Folder");
        *c.box = folderRow(group, c.name + QStringLiteral("Folder"), &row);
        grid->addWidget(*c.lastChoice, 0, 0, 1, 2);
        grid->addWidget(*c.folderChoice, 1, 0);
        grid->addWidget(row, 1, 1);
        grid->setColumnStretch(1, 1);
        layout->addWidget(group);
    }
    layout->addStretch();
    return page;
}

QWidget* TdlgOptions::buildConnectionTab() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsConnection"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(buildProxyGroup(page));
    layout->addWidget(buildLimitsGroup(page));
    auto* agent = new QGroupBox(tr("Agent Identity"), page);
    auto* agentLayout = new QFormLayout(agent);
    m_userAgent = new QComboBox(agent);
    m_userAgent->setObjectName(QStringLiteral("cmbUserAgent"));
    m_userAgent->setEditable(true);
    m_userAgent->setInsertPolicy(QComboBox::NoInsert);
    agentLayout->addRow(tr("Identify Quarlo as:"), m_userAgent);
    layout->addWidget(agent);
    layout->addStretch();
    return page;
}

QWidget* TdlgOptions::buildProxyGroup(QWidget* page) {
    auto* proxy = new QWidget(page);
    auto* layout = new QVBoxLayout(proxy);
    layout->setContentsMargins(0, 0, 0, 0);
    m_useProxy = checkBox(proxy, tr("Connect to the Internet using a proxy server"),
                          QStringLiteral("cbUseProxy"));
    layout->addWidget(m_useProxy);
    auto* server = new QHBoxLayout;
    m_proxyAddress = lineEdit(proxy, QStringLiteral("edProxyAddress"));
    m_proxyPort = lineEdit(proxy, QStringLiteral("edProxyPort"));
    m_proxyPort->setMaximumWidth(80);
    server->addWidget(new QLabel(tr("Address:"), proxy));
    server->addWidget(m_proxyAddress, 1);
    server->addWidget(new QLabel(tr("Port:"), proxy));
    server->addWidget(m_proxyPort);
    layout->addLayout(server);
    auto* account =
        new QGroupBox(tr("Authorization (If proxy server requires a password):"), proxy);
    auto* form = new QFormLayout(account);
    m_proxyUser = lineEdit(account, QStringLiteral("edProxyUser"));
    m_proxyPassword = lineEdit(account, QStringLiteral("edProxyPassword"));
    m_proxyPassword->setEchoMode(QLineEdit::Password);
    form->addRow(tr("Username:"), m_proxyUser);
    form->addRow(tr("Password:"), m_proxyPassword);
    layout->addWidget(account);
    return proxy;
}

QWidget* TdlgOptions::buildLimitsGroup(QWidget* page) {
    auto* limits = new QGroupBox(tr("Limits"), page);
    auto* form = new QFormLayout(limits);
    m_connectionsPerHost = new QSpinBox(limits);
    m_connectionsPerHost->setObjectName(QStringLiteral("seConnectionsPerHost"));
    m_connectionsPerHost->setRange(0, TQLApp::kMaxConnections);
    m_connectionsPerHost->setSpecialValueText(tr("as Connections"));
    m_maxRate = new QSpinBox(limits);
    m_maxRate->setObjectName(QStringLiteral("seMaxRate"));
    m_maxRate->setRange(0, 1000000);
    m_maxRate->setSuffix(tr(" KB/s"));
    m_maxRate->setSpecialValueText(tr("no limit"));
    form->addRow(tr("Connections per host:"), m_connectionsPerHost);
    form->addRow(tr("Max. download rate:"), m_maxRate);
    return limits;
}

QWidget* TdlgOptions::buildIntranetTab() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsIntranet"));
    auto* layout = new QVBoxLayout(page);
    auto* group = new QGroupBox(tr("Local Intranet Folder:"), page);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(
        new QLabel(tr("Specify the default folder to use for your personal Intranet"), group));
    QWidget* row = nullptr;
    m_intranetFolder = folderRow(group, QStringLiteral("IntranetFolder"), &row);
    groupLayout->addWidget(row);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

} // namespace quarlo::shell
