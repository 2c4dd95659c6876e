#pragma once

#include "archive/ZipBrowserModel.h"

#include <QHash>
#include <QIcon>
#include <QWidget>

#include <map>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace quarlo::shell {

class ColumnFitter;
class ShellCommands;
class ShellEngine;

// The Zip browser ("Zip Properties"): the open archives as trees on the "Zips" tab, the
// HTML pages of the current archive on the "Pages" tab, and the entries of the selected
// node in the list beside them. It shows the engine's one Zip browser model, so the
// archive a Zip-mode run adds into grows here while the run goes on.
class TFormZip : public QWidget, private ZipBrowserListener {
    Q_OBJECT
public:
    TFormZip(ShellEngine& engine, ShellCommands& commands, QWidget* parent = nullptr);
    ~TFormZip() override;

    ZipBrowserModel& model() { return m_model; }
    QTabWidget* tabs() const { return m_tabs; }
    QTreeWidget* tree() const { return m_tree; }
    QTreeWidget* pagesTree() const { return m_pages; }
    QTreeWidget* list() const { return m_list; }
    QMenu* popupMenu() const { return m_menu; }
    QTreeWidgetItem* itemOf(const ZipNode* node) const;
    QString summaryText() const;
    QString selectionText() const;

    // Add, Delete, Unzip and Rename act only while an archive is selected and the tree or
    // the list has the focus.
    bool commandsEnabled() const;
    // Add: the file zip wizard over the selected archive.
    void addFiles();
    // Delete: list rows without a question, a folder or file node after one, the archive
    // node's file to the trash.
    void deleteSelection();
    // Unzip: the selected rows when the list has the focus, else the dialog's own choice.
    void unzip();
    // Rename: edits the selected archive's name in place.
    void startRename();
    // Close: closes the selected archive.
    void closeArchive();
    // Browse: the entry of the focused tree node or list row, in the embedded browser or
    // opened with its program.
    void browse(bool openWithProgram);

signals:
    // The selection, the focus or the busy state changed: the commands' enabling may too.
    void commandsChanged();
    // An archive was opened (old path empty) or renamed.
    void recentZipChanged(const QString& oldPath, const QString& newPath);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLists();
    void buildMenu();
    void nodeAdded(ZipNode& node) override;
    void nodeRemoving(ZipNode& node) override;
    void nodeChanged(ZipNode& node) override;
    void selectionChanged(ZipNode* node) override;
    void rowsChanged() override;
    void pagesChanged() override;
    void summaryChanged(const std::string& summary) override;
    void recentFileChanged(const std::string& oldPath, const std::string& newPath) override;
    ZipReplaceAnswer askReplace(const std::string& question) override;

    void addTree(ZipNode& node);
    void forgetItem(QTreeWidgetItem* item);
    void onTreeCurrentChanged(QTreeWidgetItem* current);
    void onPageChosen(QTreeWidgetItem* current);
    void onItemEdited(QTreeWidgetItem* item);
    void showListMenu(const QPoint& position);
    void browseFrom(ZipBrowserModel::Focus where, bool openWithProgram);
    void updateSelectionText();
    std::vector<std::size_t> selectedRows() const;
    ZipBrowserModel::Focus focus() const;
    QIcon iconFor(const std::string& name);
    ZipNode* nodeOf(const QTreeWidgetItem* item) const;

    ShellEngine& m_engine;
    ShellCommands& m_commands;
    ZipBrowserModel& m_model;
    QTabWidget* m_tabs = nullptr;
    QTreeWidget* m_tree = nullptr;
    QTreeWidget* m_pages = nullptr;
    QTreeWidget* m_list = nullptr;
    ColumnFitter* m_columns = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_selection = nullptr;
    QMenu* m_menu = nullptr;
    std::map<const ZipNode*, QTreeWidgetItem*> m_items;
    QHash<QString, QIcon> m_icons;
    bool m_filling = false;
};

} // namespace quarlo::shell
