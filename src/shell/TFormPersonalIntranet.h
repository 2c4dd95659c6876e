#pragma once

#include <QModelIndex>
#include <QStringList>
#include <QWidget>

class QFileSystemModel;
class QTreeView;

namespace quarlo::shell {

class ShellCommands;
class ShellEngine;

// The Personal Intranet folder as a tree of folders and files; the chosen node is shown in
// the embedded browser.
class TFormPersonalIntranet : public QWidget {
    Q_OBJECT
public:
    TFormPersonalIntranet(ShellEngine& engine, ShellCommands& commands, QWidget* parent = nullptr);
    ~TFormPersonalIntranet() override;

    // Reads the folder again (also on every show).
    void refresh();

    QTreeView& view() { return *m_view; }
    QFileSystemModel& model() { return *m_model; }
    QString rootPath() const { return m_root; }
    // The node of a path below the root (invalid until the tree has read its folder).
    QModelIndex indexOf(const QString& path) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void choose(const QModelIndex& current);
    // The paths of the expanded folders below the node, parents first.
    QStringList expandedFolders(const QModelIndex& parent) const;

    ShellEngine& m_engine;
    ShellCommands& m_commands;
    QTreeView* m_view = nullptr;
    QFileSystemModel* m_model = nullptr;
    QString m_root;
};

} // namespace quarlo::shell
