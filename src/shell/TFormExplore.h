#pragma once

#include "engine/QueueMarking.h"

#include <QWidget>

#include <map>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QTreeView;

namespace quarlo::shell {

class ExploreModel;
class ShellCommands;
class ShellEngine;

// The explorer: the current task's queue, in which entries are marked for download, update
// or mapping and their pages browsed online or offline.
class TFormExplore : public QWidget {
    Q_OBJECT
public:
    TFormExplore(ShellEngine& engine, ShellCommands& commands, QWidget* parent = nullptr);
    ~TFormExplore() override;

    // Shows the current task (reading its queue file when its queue is empty).
    void refill();
    // Shows nothing.
    void clear();

    ExploreModel& model() { return *m_model; }
    QTreeView& view() { return *m_view; }
    QMenu& popupMenu() { return *m_menu; }
    // The pop-up's items; their objectNames are "markDownloadSelected", "markDownloadAll",
    // "markDownloadErrors", "markDownloadUnmarked", "markUpdateSelected", "markUpdateAll",
    // "markMapSelected", "markMapAll", "unmarkSelected", "unmarkAll", "browseOnline" and
    // "browseOffline".
    QAction* markAction(MarkCommand command) const;
    QAction* browseOnlineAction() const { return m_browseOnline; }
    QAction* browseOfflineAction() const { return m_browseOffline; }
    // The pop-up's sub-menus, enabled only while a row has the focus.
    std::vector<QAction*> groupActions() const;

    // What the pop-up's items do.
    void runCommand(MarkCommand command);
    void browseOnline();
    void browseOffline();
    // A click on a row's mark: a waiting entry switches between unmarked and download.
    void toggleMarkAt(int row);
    // A double click: the row's local file in the embedded browser.
    void showOfflineInBrowser(int row);
    // Enables the pop-up's group items for the focused row (done before it opens).
    void updateMenu();

private:
    void buildMenu();
    QMenu* addGroup(const QString& title);
    void addMarkAction(QMenu* group, const QString& text, const char* name, MarkCommand command);
    void showMenu(const QPoint& position);
    int focusedRow() const;
    std::vector<std::size_t> selectedEntries() const;
    // The local file of the row's entry, the task's archive unpacked first in Zip mode;
    // nothing (the user told why) when there is none.
    std::optional<QString> offlineFile(int row);

    ShellEngine& m_engine;
    ShellCommands& m_commands;
    ExploreModel* m_model = nullptr;
    QTreeView* m_view = nullptr;
    QMenu* m_menu = nullptr;
    std::vector<QMenu*> m_groups;
    std::map<MarkCommand, QAction*> m_markActions;
    QAction* m_browseOnline = nullptr;
    QAction* m_browseOffline = nullptr;
};

} // namespace quarlo::shell
