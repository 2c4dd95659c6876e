#include "shell/TdlgOptions.h"

#include "model/RecentList.h"
#include "model/TQLApp.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

TdlgOptions::TdlgOptions(ShellEngine& engine, RecentListClearing clearing, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_clearing(std::move(clearing)) {
    setObjectName(QStringLiteral("dlgOptions"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pcOptions"));
    m_tabs->addTab(buildGeneralTab(), tr("General"));
    m_tabs->addTab(buildZipFoldersTab(), tr("Zip Folders"));
    m_tabs->addTab(buildConnectionTab(), tr("Connection"));
    m_tabs->addTab(buildIntranetTab(), tr("Personal Intranet"));
    layout->addWidget(m_tabs);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TdlgOptions::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // Typing a folder (or browsing to one) chooses it over the last-used folder.
    connect(m_zipFolder, &QLineEdit::textChanged, this, [this] {
        if (!m_loading)
            m_zipFolderChoice->setChecked(true);
    });
    connect(m_unzipFolder, &QLineEdit::textChanged, this, [this] {
        if (!m_loading)
            m_unzipFolderChoice->setChecked(true);
    });
    connect(m_useProxy, &QCheckBox::toggled, this, &TdlgOptions::proxyToggled);
    fill();
    setMinimumSize(520, 420);
}

void TdlgOptions::fill() {
    m_loading = true;
    for (const std::string& agent : userAgentChoices())
        m_userAgent->addItem(qs(agent));
    setWindowTitle(tr("Quarlo - Preferences"));
    const PreferenceValues v = loadPreferences(m_engine.app());
    m_zipLast->setChecked(v.zipLast);
    m_taskScreen->setChecked(v.zipPropertiesFirst);
    m_beep->setChecked(v.beepOnCompletion);
    m_summary->setChecked(v.showSummaryOnCompletion);
    m_noAds->setChecked(v.noAds);
    m_tempFolder->setText(qs(v.tempFolder));
    m_lastZipFolder->setChecked(v.lastZipFolder);
    m_zipFolderChoice->setChecked(!v.lastZipFolder);
    m_lastUnzipFolder->setChecked(v.lastUnzipFolder);
    m_unzipFolderChoice->setChecked(!v.lastUnzipFolder);
    m_zipFolder->setText(qs(v.zipFolder));
    m_unzipFolder->setText(qs(v.unzipFolder));
    m_downloadsFolder->setText(qs(v.downloadsFolder));
    m_intranetFolder->setText(qs(v.intranetFolder));
    m_useProxy->setChecked(v.useProxy);
    proxyToggled(v.useProxy);
    m_proxyAddress->setText(qs(v.proxyAddress));
    m_proxyPort->setText(qs(v.proxyPort));
    m_proxyUser->setText(qs(v.proxyUser));
    m_proxyPassword->setText(qs(v.proxyPassword));
    m_connectionsPerHost->setValue(v.connectionsPerHost);
    m_maxRate->setValue(v.maxRate);
    m_loading = false;
    m_userAgent->setCurrentText(qs(v.userAgent));
    m_maxUrls->setValue(std::stoi(v.maxUrlHistory));
    m_maxFiles->setValue(std::stoi(v.maxFileHistory));
}

PreferenceValues TdlgOptions::values() const {
    PreferenceValues v;
    v.maxUrlHistory = m_maxUrls->text().toStdString();
    v.maxFileHistory = m_maxFiles->text().toStdString();
    v.zipLast = m_zipLast->isChecked();
    v.noAds = m_noAds->isChecked();
    v.zipPropertiesFirst = m_taskScreen->isChecked();
    v.beepOnCompletion = m_beep->isChecked();
    v.showSummaryOnCompletion = m_summary->isChecked();
    v.tempFolder = text(m_tempFolder);
    v.downloadsFolder = text(m_downloadsFolder);
    v.lastZipFolder = m_lastZipFolder->isChecked();
    v.zipFolder = text(m_zipFolder);
    v.lastUnzipFolder = m_lastUnzipFolder->isChecked();
    v.unzipFolder = text(m_unzipFolder);
    v.useProxy = m_useProxy->isChecked();
    v.proxyAddress = text(m_proxyAddress);
    v.proxyPort = text(m_proxyPort);
    v.proxyUser = text(m_proxyUser);
    v.proxyPassword = text(m_proxyPassword);
    v.connectionsPerHost = m_connectionsPerHost->value();
    v.maxRate = m_maxRate->value();
    v.userAgent = m_userAgent->currentText().toStdString();
    v.intranetFolder = text(m_intranetFolder);
    return v;
}

void TdlgOptions::accept() {
    storePreferences(m_engine.app(), values());
    QDialog::accept();
}

void TdlgOptions::proxyToggled(bool on) {
    m_proxyAddress->setEnabled(on);
    m_proxyPort->setEnabled(on);
}

void TdlgOptions::clearRecent(int question, const std::function<void()>& clear,
                              const char* keyName) {
    if (!Prompts::askYesNo(this, qs(preferencesText(question))))
        return;
    if (clear) {
        clear();
        return;
    }
    TQLApp& app = m_engine.app();
    app.reportSettingsFailure(RecentList(app.settings(), keyName, 0).clear());
}

bool editPreferences(QWidget* parent, ShellEngine& engine, const RecentListClearing& clearing) {
    TdlgOptions dialog(engine, clearing, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace quarlo::shell
