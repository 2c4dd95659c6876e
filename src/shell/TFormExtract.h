#pragma once

#include <QDialog>

class QCheckBox;
class QFileSystemModel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace quarlo {
struct ExtractSettings;
}

namespace quarlo::shell {

// The Unzip dialog: the target folder typed or picked in the folder tree, All or Selected
// Files, and the two options. Unzip writes the choices back into the settings record it was
// given; the caller stores them and extracts.
class TFormExtract : public QDialog {
    Q_OBJECT
public:
    TFormExtract(ExtractSettings& settings, QWidget* parent = nullptr);
    ~TFormExtract() override;

private:
    void buildControls();
    QLayout* buildTargetColumn();
    QLayout* buildChoicesColumn();
    void selectFolder(const QString& folder);
    void folderChosen(const QModelIndex& index);
    void unzip();

    ExtractSettings& m_settings;
    QLineEdit* m_folder = nullptr;
    QTreeView* m_tree = nullptr;
    QFileSystemModel* m_folders = nullptr;
    QRadioButton* m_allFiles = nullptr;
    QRadioButton* m_selectedFiles = nullptr;
    QCheckBox* m_usePaths = nullptr;
    QCheckBox* m_overwrite = nullptr;
    QPushButton* m_unzip = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace quarlo::shell
