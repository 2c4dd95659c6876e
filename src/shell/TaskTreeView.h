#pragma once

#include <QString>
#include <QTreeView>

class QFileSystemModel;

namespace quarlo::shell {

// The task manager's tree: the folder above the Tasks folder as its root, with every item
// there but the Tasks folder hidden, so that the Tasks folder shows as the top node "Tasks".
// Below it every folder and every task file (".qlt"). Only categories are renamed in place:
// a task file keeps the name its queue file goes by.
class TaskTreeView : public QTreeView {
    Q_OBJECT
public:
    // tasksFolder: the Tasks folder, with or without a trailing "/".
    TaskTreeView(const QString& tasksFolder, QWidget* parent = nullptr);

    QFileSystemModel& fileModel() const { return *m_model; }
    const QString& tasksFolder() const { return m_tasksFolder; }
    QString filePath(const QModelIndex& index) const;
    bool isFile(const QModelIndex& index) const;
    bool isTopNode(const QModelIndex& index) const;
    // The item of a path; invalid until the model has read the folders down to it.
    QModelIndex indexOfPath(const QString& path) const;
    using QTreeView::edit;

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    void hideOthersThanTasks();

    QFileSystemModel* m_model = nullptr;
    QString m_tasksFolder; // without the trailing "/"
};

} // namespace quarlo::shell
