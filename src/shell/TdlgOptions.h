#pragma once

#include "model/Preferences.h"
#include "shell/DialogEntryPoints.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace quarlo::shell {

class ShellEngine;

// "Quarlo - Preferences": the application's settings on four tabs (General, Zip Folders,
// Connection, Personal Intranet). Filled when it opens; OK stores everything, Cancel
// nothing. The two "Clear" buttons act at once, after a Yes.
class TdlgOptions : public QDialog {
    Q_OBJECT
public:
    TdlgOptions(ShellEngine& engine, RecentListClearing clearing, QWidget* parent = nullptr);

    QTabWidget& tabs() { return *m_tabs; }
    // What the controls say now.
    PreferenceValues values() const;

    void accept() override;

    // Replaces the folder browser ("Browse for Folder"): given the box's folder, returns
    // the chosen one or an empty text. An empty chooser restores the platform's.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& start)>;
    static void setFolderChooser(FolderChooser chooser);

private:
    QWidget* buildGeneralTab();
    QWidget* buildHistoryRows(QWidget* page);
    QWidget* buildTempGroup(QWidget* page);
    QWidget* buildZipFoldersTab();
    QWidget* buildConnectionTab();
    QWidget* buildProxyGroup(QWidget* page);
    QWidget* buildLimitsGroup(QWidget* page);
    QWidget* buildIntranetTab();
    QLineEdit* folderRow(QWidget* page, const QString& name, QWidget** row);
    void fill();
    void clearRecent(int question, const std::function<void()>& clear, const char* keyName);
    void proxyToggled(bool on);

    ShellEngine& m_engine;
    RecentListClearing m_clearing;
    bool m_loading = false;
    QTabWidget* m_tabs = nullptr;
    // General
    QSpinBox* m_maxUrls = nullptr;
    QSpinBox* m_maxFiles = nullptr;
    QCheckBox* m_zipLast = nullptr;
    QCheckBox* m_noAds = nullptr;
    QCheckBox* m_taskScreen = nullptr;
    QCheckBox* m_beep = nullptr;
    QCheckBox* m_summary = nullptr;
    QLineEdit* m_tempFolder = nullptr;
    // Zip Folders
    QLineEdit* m_downloadsFolder = nullptr;
    QRadioButton* m_lastZipFolder = nullptr;
    QRadioButton* m_zipFolderChoice = nullptr;
    QLineEdit* m_zipFolder = nullptr;
    QRadioButton* m_lastUnzipFolder = nullptr;
    QRadioButton* m_unzipFolderChoice = nullptr;
    QLineEdit* m_unzipFolder = nullptr;
    // Connection
    QCheckBox* m_useProxy = nullptr;
    QLineEdit* m_proxyAddress = nullptr;
    QLineEdit* m_proxyPort = nullptr;
    QLineEdit* m_proxyUser = nullptr;
    QLineEdit* m_proxyPassword = nullptr;
    QSpinBox* m_connectionsPerHost = nullptr;
    QSpinBox* m_maxRate = nullptr;
    QComboBox* m_userAgent = nullptr;
    // Personal Intranet
    QLineEdit* m_intranetFolder = nullptr;
};

} // namespace quarlo::shell
