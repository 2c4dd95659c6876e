#pragma once

#include "model/TaskEditor.h"

#include <QDialog>
#include <QString>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace quarlo {
class TQLTask;
}

namespace quarlo::shell {

class FileTypesPage;
class ShellEngine;
class TdlgUserNamePassword;
class UrlFiltersPage;

// The task editor: a tree of pages on the left, a title bar over the shown page, the task
// name and category above, and OK, Cancel, Reset and Run Now. The controls carry the
// values of a TaskEditor, which reads them from the task and saves them back into it.
class TdlgEditTask : public QDialog {
    Q_OBJECT
public:
    TdlgEditTask(ShellEngine& engine, TQLTask& task, EditorMode mode, QWidget* parent = nullptr);
    ~TdlgEditTask() override;

    const TaskEditor& editor() const { return m_editor; }
    TdlgUserNamePassword& accountDialog() { return *m_account; }
    // Shows the page of the node with this text; false when there is none.
    bool selectPage(const QString& nodeText);
    QString titleBarText() const;
    // What "New Zip File" does with the file its save dialog returned.
    void newZipFileChosen(const QString& path);

private:
    void buildLayout();
    void buildTree();
    QWidget* buildUrlsPage();
    QWidget* buildSaveToPage();
    QWidget* buildMethodPage();
    QWidget* buildFollowedPage();
    QWidget* buildAdvancedPage();
    QWidget* buildAggressivePage();
    QWidget* buildConversionPage();
    QWidget* buildSchedulePage();
    void connectControls();
    void connectProfileControls();
    void connectDestination();

    void showValues();
    void showProfile();
    void showNames();
    void fillProfileList();
    void readValues();
    void readProfile();
    void updateEnabling();
    void updateTitleBar();

    void profileChanged(ProfileControl control);
    void profileEntryChosen();
    void urlFiltersChanged();
    void passwordClicked(bool checked);
    void accountClicked();
    void newZipClicked();
    void openZipClicked();
    void folderClicked();
    void scheduleClicked();
    void saveProfileAsClicked();
    void deleteProfileClicked();
    void finish(bool runNow);
    void resetClicked();

    ShellEngine& m_engine;
    TQLTask& m_task;
    TaskEditor m_editor;
    TdlgUserNamePassword* m_account = nullptr;

    QTreeWidget* m_tree = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_titleBar = nullptr;
    QLineEdit* m_taskName = nullptr;
    QComboBox* m_category = nullptr;
    // "Download URLs"
    QRadioButton* m_startPage = nullptr;
    QComboBox* m_url = nullptr;
    QCheckBox* m_requiresPassword = nullptr;
    QCheckBox* m_acceptAnyCertificate = nullptr;
    QPushButton* m_accountButton = nullptr;
    QRadioButton* m_urlListChoice = nullptr;
    QListWidget* m_urlList = nullptr;
    QLineEdit* m_listUrl = nullptr;
    QWidget* m_listControls = nullptr;
    // "Save to"
    QRadioButton* m_intranet = nullptr;
    QLineEdit* m_folder = nullptr;
    QPushButton* m_folderButton = nullptr;
    QRadioButton* m_zip = nullptr;
    QLineEdit* m_zipFile = nullptr;
    QPushButton* m_newZip = nullptr;
    QPushButton* m_openZip = nullptr;
    QCheckBox* m_useTitle = nullptr;
    // "Download Method" and below
    QComboBox* m_profile = nullptr;
    QPushButton* m_deleteProfile = nullptr;
    FileTypesPage* m_fileTypes = nullptr;
    UrlFiltersPage* m_filters = nullptr;
    QRadioButton* m_pageLocations[3] = {};
    QRadioButton* m_levelChoices[3] = {};
    QSpinBox* m_levels = nullptr;
    QRadioButton* m_mediaLocations[3] = {};
    QCheckBox* m_aggressive = nullptr;
    QRadioButton* m_aggressiveScript = nullptr;
    QRadioButton* m_aggressiveAll = nullptr;
    QCheckBox* m_obeyRobots = nullptr;
    QRadioButton* m_followed[2] = {};
    QRadioButton* m_unfollowed[3] = {};
    // "Schedule"
    QRadioButton* m_scheduleNow = nullptr;
    QRadioButton* m_scheduleAt = nullptr;
    QLineEdit* m_atBox = nullptr;
    QRadioButton* m_scheduleNone = nullptr;
};

} // namespace quarlo::shell
