#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QStackedWidget;
class QTreeWidget;

namespace quarlo {
class ZipBrowserModel;
class ZipWizard;
} // namespace quarlo

namespace quarlo::shell {

// The file zip wizard over the core's wizard state: page 1 the archive and the add action,
// page 2 the file list and path handling, page 3 the compression. Finish hands the settings
// to the Zip browser's component and stores them; the caller then applies the wizard.
class TwizFileZip : public QDialog {
    Q_OBJECT
public:
    // What the file dialogs ask for; the answer is the chosen paths (none when cancelled).
    enum class FileDialog { NewArchive, OpenArchive, AddFiles };
    using FileChooser = std::function<QStringList(FileDialog, const QString& startFolder)>;

    TwizFileZip(ZipWizard& wizard, ZipBrowserModel& browser, QWidget* parent = nullptr);
    ~TwizFileZip() override;

    // Replaces the file dialogs (tests answer them).
    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
    int page() const; // 1..3

private:
    QWidget* buildArchivePage();
    QWidget* buildFilesPage();
    QWidget* buildCompressionPage();
    QLayout* buildButtons();
    void showPage(int page);
    void next();
    void back();
    void chooseArchive(FileDialog which);
    void showArchiveChoice();
    void addFiles();
    void removeFiles();
    void fillFileList();
    void finish();
    QStringList ask(FileDialog which);

    ZipWizard& m_wizard;
    ZipBrowserModel& m_browser;
    FileChooser m_chooser;
    QStackedWidget* m_pages = nullptr;
    QLineEdit* m_fileName = nullptr;
    QButtonGroup* m_actions = nullptr;
    QTreeWidget* m_files = nullptr;
    QCheckBox* m_usePaths = nullptr;
    QCheckBox* m_recurse = nullptr;
    QSlider* m_compression = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace quarlo::shell
