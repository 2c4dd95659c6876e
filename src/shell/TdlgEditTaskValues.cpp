#include "shell/TdlgEditTask.h"

#include "shell/FileTypesPage.h"
#include "shell/TdlgUserNamePassword.h"
#include "shell/UrlFiltersPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace quarlo::shell {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string text(const QString& value) {
    return value.toStdString();
}

template <std::size_t N> void check(QRadioButton* (&choices)[N], int index) {
    if (index >= 0 && index < static_cast<int>(N))
        choices[index]->setChecked(true);
}

template <std::size_t N> int checkedIndex(QRadioButton* const (&choices)[N], int fallback) {
    for (std::size_t i = 0; i < N; ++i) {
        if (choices[i]->isChecked())
            return static_cast<int>(i);
    }
    return fallback;
}

} // namespace

// Everything the editor holds into the controls; their signals do not count as changes.
void TdlgEditTask::showValues() {
    const TaskEditorValues& values = m_editor.values();
    m_editor.setLoading(true);
    m_category->clear();
    for (const std::string& category : m_editor.categories())
        m_category->addItem(qs(category));
    m_category->setEditText(qs(values.category));
    m_taskName->setText(qs(values.taskName));
    m_url->setEditText(qs(values.url));
    m_urlList->clear();
    for (const std::string& url : values.urls)
        m_urlList->addItem(qs(url));
    m_listUrl->setText(qs(values.listUrl));
    m_listControls->setVisible(values.urlList);
    (values.urlList ? m_urlListChoice : m_startPage)->setChecked(true);
    m_account->setAccount(qs(values.account), qs(values.password));
    m_requiresPassword->setChecked(values.requiresPassword);
    m_acceptAnyCertificate->setChecked(values.acceptAnyCertificate);
    m_folder->setText(qs(values.folder));
    m_zipFile->setText(qs(values.zipFile));
    (values.intranet ? m_intranet : m_zip)->setChecked(true);
    m_atBox->setText(qs(values.atText));
    switch (values.schedule) {
    case EditorSchedule::Now:
        m_scheduleNow->setChecked(true);
        break;
    case EditorSchedule::At:
        m_scheduleAt->setChecked(true);
        break;
    case EditorSchedule::None:
        m_scheduleNone->setChecked(true);
        break;
    }
    m_editor.setLoading(false);
    showProfile();
}

void TdlgEditTask::fillProfileList() {
    m_profile->clear();
    for (const std::string& entry : m_editor.profileEntries())
        m_profile->addItem(qs(entry));
}

void TdlgEditTask::showProfile() {
    const ProfileControls& profile = m_editor.values().profile;
    const bool wasLoading = m_editor.loading();
    m_editor.setLoading(true);
    fillProfileList();
    m_profile->setCurrentIndex(std::max(0, m_profile->findText(qs(profile.profileName))));
    m_deleteProfile->setEnabled(!profile.profileName.empty());
    m_useTitle->setChecked(profile.useStartPageTitle);
    TQLProfile lists;
    storeProfileControls(profile, lists);
    m_fileTypes->load(lists);
    m_filters->load(lists);
    check(m_pageLocations, profile.pageLocation);
    check(m_mediaLocations, profile.resourceLocation);
    m_levels->setMaximum(std::max(20, profile.levels));
    m_levels->setValue(profile.levels);
    check(m_levelChoices, static_cast<int>(profile.levelChoice));
    m_aggressive->setChecked(profile.aggressive);
    (profile.aggressiveWholePage ? m_aggressiveAll : m_aggressiveScript)->setChecked(true);
    m_obeyRobots->setChecked(profile.obeyRobots);
    check(m_followed, profile.convertFollowed);
    check(m_unfollowed, profile.convertUnfollowed);
    m_editor.setLoading(wasLoading);
    updateEnabling();
    updateTitleBar();
}

// The names the editor filled in from the URL.
void TdlgEditTask::showNames() {
    const bool wasLoading = m_editor.loading();
    m_editor.setLoading(true);
    m_taskName->setText(qs(m_editor.values().taskName));
    m_zipFile->setText(qs(m_editor.values().zipFile));
    m_editor.setLoading(wasLoading);
}

void TdlgEditTask::readValues() {
    TaskEditorValues& values = m_editor.values();
    values.taskName = text(m_taskName->text());
    values.category = text(m_category->currentText());
    values.urlList = m_urlListChoice->isChecked();
    values.url = text(m_url->currentText());
    values.urls.clear();
    for (int row = 0; row < m_urlList->count(); ++row)
        values.urls.push_back(text(m_urlList->item(row)->text()));
    values.listUrl = text(m_listUrl->text());
    values.requiresPassword = m_requiresPassword->isChecked();
    values.account = text(m_account->account());
    values.password = text(m_account->password());
    values.acceptAnyCertificate = m_acceptAnyCertificate->isChecked();
    values.intranet = m_intranet->isChecked();
    values.folder = text(m_folder->text());
    values.zipFile = text(m_zipFile->text());
    values.atText = text(m_atBox->text());
    values.schedule = m_scheduleNow->isChecked()  ? EditorSchedule::Now
                      : m_scheduleAt->isChecked() ? EditorSchedule::At
                                                  : EditorSchedule::None;
    readProfile();
}

void TdlgEditTask::readProfile() {
    ProfileControls& profile = m_editor.values().profile;
    profile.profileName = text(m_profile->currentText());
    profile.useStartPageTitle = m_useTitle->isChecked();
    TQLProfile lists;
    m_fileTypes->store(lists);
    m_filters->store(lists);
    profile.fileTypes = lists.fileTypes();
    profile.include = lists.urlFiltersInclude();
    profile.exclude = lists.urlFiltersExclude();
    profile.pageSizeMin = lists.pageFileSizeMin();
    profile.pageSizeMax = lists.pageFileSizeMax();
    profile.mediaSizeMin = lists.resourceFileSizeMin();
    profile.mediaSizeMax = lists.resourceFileSizeMax();
    profile.pageLocation = checkedIndex(m_pageLocations, profile.pageLocation);
    profile.resourceLocation = checkedIndex(m_mediaLocations, profile.resourceLocation);
    profile.levelChoice = static_cast<LevelChoice>(
        checkedIndex(m_levelChoices, static_cast<int>(LevelChoice::AllLevels)));
    profile.levels = m_levels->value();
    profile.aggressive = m_aggressive->isChecked();
    profile.aggressiveWholePage = m_aggressiveAll->isChecked();
    profile.obeyRobots = m_obeyRobots->isChecked();
    profile.convertFollowed = checkedIndex(m_followed, profile.convertFollowed);
    profile.convertUnfollowed = checkedIndex(m_unfollowed, profile.convertUnfollowed);
}

void TdlgEditTask::updateEnabling() {
    const bool intranet = m_intranet->isChecked();
    m_folder->setEnabled(intranet);
    m_folderButton->setEnabled(intranet);
    for (QWidget* zip : {static_cast<QWidget*>(m_zipFile), static_cast<QWidget*>(m_newZip),
                         static_cast<QWidget*>(m_openZip), static_cast<QWidget*>(m_useTitle)})
        zip->setEnabled(!intranet);
    m_aggressiveScript->setEnabled(m_aggressive->isChecked());
    m_aggressiveAll->setEnabled(m_aggressive->isChecked());
}

} // namespace quarlo::shell
