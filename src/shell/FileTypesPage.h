#pragma once

#include "html/FileTypeTree.h"

#include <QWidget>

class QCheckBox;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace quarlo {
class TQLProfile;
}

namespace quarlo::shell {

class ShellEngine;

// The task editor's "Filetypes" page: the tree of file types with check marks (groups
// tri-state, "All" at the top) and "&New...", "&Edit...", "&Delete". Edits a profile's
// file-type list; emits changed() on every change the user makes (not on load()).
class FileTypesPage : public QWidget {
    Q_OBJECT
public:
    explicit FileTypesPage(ShellEngine& engine, QWidget* parent = nullptr);
    ~FileTypesPage() override;

    void load(const TQLProfile& profile);
    void store(TQLProfile& profile) const;

    QCheckBox& allBox() { return *m_all; }
    QTreeWidget& tree() { return *m_treeView; }
    QPushButton& newButton() { return *m_new; }
    QPushButton& editButton() { return *m_edit; }
    QPushButton& deleteButton() { return *m_delete; }
    // The tree's item of a group, or of one of its extensions (nullptr when not shown).
    QTreeWidgetItem* itemOf(const QString& group, const QString& extension = {}) const;

signals:
    void changed();

private:
    QWidget* buildSizeLimits();
    void fillTree();
    void showMarks();
    void itemChanged(QTreeWidgetItem* item);
    void allClicked(bool checked);
    void updateButtons();
    FileTypeNode nodeOf(const QTreeWidgetItem* item) const;
    void newFileType();
    void editFileType();
    void deleteFileType();
    // Reads the table again after the user changed it, keeping the marks and selection.
    void tableChanged(const QString& selectGroup);

    ShellEngine& m_engine;
    FileTypeTree m_model;
    // Set while the widgets are filled, so that their signals are not the user's changes.
    bool m_filling = false;
    QCheckBox* m_all = nullptr;
    QTreeWidget* m_treeView = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_delete = nullptr;
    // Size limits in KB (0: none): pages min/max, media files min/max.
    QSpinBox* m_sizes[4] = {};
};

} // namespace quarlo::shell
