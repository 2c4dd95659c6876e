#include "shell/TdlgEditTask.h"

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "shell/DialogEntryPoints.h"
#include "shell/FileTypesPage.h"
#include "shell/ProfileDialogs.h"
#include "shell/Prompts.h"
#include "shell/ShellEngine.h"
#include "shell/TdlgUserNamePassword.h"
#include "shell/UrlFiltersPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace quarlo::shell {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Reports a radio button's change once, when it becomes checked.
template <class Receiver, class Handler>
void onChecked(QRadioButton* choice, Receiver* receiver, Handler handler) {
    QObject::connect(choice, &QRadioButton::toggled, receiver, [handler](bool checked) {
        if (checked)
            handler();
    });
}

} // namespace

void TdlgEditTask::connectControls() {
    // The start page and the URL list lie in different frames but are one choice.
    auto* source = new QButtonGroup(this);
    source->addButton(m_startPage);
    source->addButton(m_urlListChoice);
    connect(m_taskName, &QLineEdit::textEdited, this,
            [this](const QString& name) { m_editor.taskNameTyped(name.toStdString()); });
    connect(m_url, &QComboBox::editTextChanged, this, [this](const QString& url) {
        if (m_editor.loading())
            return;
        m_editor.startUrlTyped(url.toStdString());
        showNames();
    });
    connect(m_category, &QComboBox::currentTextChanged, this, [this](const QString& category) {
        if (m_editor.loading())
            return;
        m_editor.categoryTyped(category.toStdString());
        showNames();
    });
    connect(m_listUrl, &QLineEdit::textChanged, this,
            [this](const QString& url) { m_editor.values().listUrl = url.toStdString(); });
    connect(m_requiresPassword, &QCheckBox::clicked, this, &TdlgEditTask::passwordClicked);
    connect(m_accountButton, &QPushButton::clicked, this, &TdlgEditTask::accountClicked);
    onChecked(m_scheduleNow, this, [this] {
        if (!m_editor.loading())
            m_atBox->clear();
    });
}

void TdlgEditTask::connectProfileControls() {
    connect(m_profile, &QComboBox::currentIndexChanged, this, &TdlgEditTask::profileEntryChosen);
    const auto watch = [this](QRadioButton* choice, ProfileControl control) {
        onChecked(choice, this, [this, control] { profileChanged(control); });
    };
    for (QRadioButton* choice : m_pageLocations)
        watch(choice, ProfileControl::PageLocation);
    for (QRadioButton* choice : m_mediaLocations)
        watch(choice, ProfileControl::ResourceLocation);
    for (QRadioButton* choice : m_levelChoices)
        watch(choice, ProfileControl::LevelChoice);
    watch(m_aggressiveScript, ProfileControl::AggressiveChoice);
    watch(m_aggressiveAll, ProfileControl::AggressiveChoice);
    for (QRadioButton* choice : m_followed)
        watch(choice, ProfileControl::ConvertFollowed);
    for (QRadioButton* choice : m_unfollowed)
        watch(choice, ProfileControl::ConvertUnfollowed);
    connect(m_levels, &QSpinBox::valueChanged, this,
            [this] { profileChanged(ProfileControl::Levels); });
    connect(m_aggressive, &QCheckBox::toggled, this, [this] {
        updateEnabling();
        profileChanged(ProfileControl::AggressiveParser);
    });
    connect(m_obeyRobots, &QCheckBox::toggled, this,
            [this] { profileChanged(ProfileControl::ObeyRobots); });
    connect(m_useTitle, &QCheckBox::toggled, this,
            [this] { profileChanged(ProfileControl::UseStartPageTitle); });
    connect(m_fileTypes, &FileTypesPage::changed, this,
            [this] { profileChanged(ProfileControl::FileTypeMark); });
    connect(m_filters, &UrlFiltersPage::changed, this, &TdlgEditTask::urlFiltersChanged);
}

void TdlgEditTask::connectDestination() {
    onChecked(m_intranet, this, [this] { updateEnabling(); });
    onChecked(m_zip, this, [this] { updateEnabling(); });
    connect(m_newZip, &QPushButton::clicked, this, &TdlgEditTask::newZipClicked);
    connect(m_openZip, &QPushButton::clicked, this, &TdlgEditTask::openZipClicked);
    connect(m_folderButton, &QPushButton::clicked, this, &TdlgEditTask::folderClicked);
}

void TdlgEditTask::profileChanged(ProfileControl control) {
    if (!m_editor.profileControlChanged(control))
        return;
    const bool wasLoading = m_editor.loading();
    m_editor.setLoading(true);
    m_profile->setCurrentIndex(0);
    m_editor.setLoading(wasLoading);
    m_deleteProfile->setEnabled(false);
    updateTitleBar();
}

void TdlgEditTask::profileEntryChosen() {
    if (m_editor.loading())
        return;
    m_editor.applyProfileEntry(m_profile->currentText().toStdString());
    showProfile();
}

void TdlgEditTask::urlFiltersChanged() {
    const ProfileControls before = m_editor.values().profile;
    TQLProfile lists;
    m_filters->store(lists);
    m_editor.values().profile.include = lists.urlFiltersInclude();
    m_editor.values().profile.exclude = lists.urlFiltersExclude();
    profileChanged(urlFilterChange(before, lists.urlFiltersInclude(), lists.urlFiltersExclude()));
}

void TdlgEditTask::passwordClicked(bool checked) {
    if (!checked || !m_account->account().isEmpty() || !m_account->password().isEmpty())
        return;
    if (m_account->exec() != QDialog::Accepted)
        m_requiresPassword->setChecked(false);
}

void TdlgEditTask::accountClicked() {
    if (m_account->exec() == QDialog::Accepted)
        m_requiresPassword->setChecked(true);
}

void TdlgEditTask::newZipClicked() {
    const QString path = QFileDialog::getSaveFileName(this, tr("New Zip File"),
                                                      qs(folderOf(m_zipFile->text().toStdString())),
                                                      tr("Zip files (*.zip)"));
    if (!path.isEmpty())
        newZipFileChosen(path);
}

void TdlgEditTask::newZipFileChosen(const QString& path) {
    m_editor.newZipFileChosen(path.toStdString());
    m_zipFile->setText(path);
}

void TdlgEditTask::openZipClicked() {
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Zip File"),
                                                      qs(folderOf(m_zipFile->text().toStdString())),
                                                      tr("Zip files (*.zip)"));
    if (!path.isEmpty())
        m_zipFile->setText(path);
}

void TdlgEditTask::folderClicked() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Personal Intranet"), m_folder->text());
    if (!folder.isEmpty())
        m_folder->setText(qs(withTrailingSlash(folder.toStdString())));
}

void TdlgEditTask::scheduleClicked() {
    // The schedule dialog works on a task of its own: the edited task changes only on OK.
    TQLTask scratch(m_engine.app());
    if (!editSchedule(this, m_engine, scratch))
        return;
    m_editor.scheduleChosen(scratch.nextRun());
    m_atBox->setText(qs(m_editor.values().atText));
    m_scheduleAt->setChecked(true);
}

void TdlgEditTask::saveProfileAsClicked() {
    readValues();
    TQLProfile profile = m_task.profile();
    storeProfileControls(m_editor.values().profile, profile);
    const std::optional<QString> saved =
        saveProfileAs(this, m_engine, profile, m_profile->currentText());
    if (!saved)
        return;
    m_editor.values().profile.profileName = saved->toStdString();
    showProfile();
}

void TdlgEditTask::deleteProfileClicked() {
    if (!deleteProfile(this, m_engine, m_profile->currentText()))
        return;
    // The shown values stay; they now form a custom profile.
    readValues();
    m_editor.values().profile.profileName.clear();
    showProfile();
}

void TdlgEditTask::finish(bool runNow) {
    readValues();
    if (runNow)
        m_scheduleNow->setChecked(true);
    const auto ask = [this](const std::string& question) {
        return Prompts::askYesNo(this, qs(question));
    };
    if (const std::optional<EditorRefusal> refused = m_editor.validate(ask)) {
        if (refused->kind == EditorRefusal::Kind::Error)
            Prompts::error(this, qs(refused->message));
        else if (refused->kind == EditorRefusal::Kind::Warning)
            Prompts::warning(this, qs(refused->message));
        return;
    }
    // The completed URL and Zip file name.
    m_editor.setLoading(true);
    m_url->setEditText(qs(m_editor.values().url));
    m_zipFile->setText(qs(m_editor.values().zipFile));
    m_editor.setLoading(false);
    if (Status saved = m_editor.save(runNow); !saved) {
        Prompts::error(this, qs(saved.message()));
        return;
    }
    accept();
}

void TdlgEditTask::resetClicked() {
    m_editor.show();
    showValues();
}

} // namespace quarlo::shell
