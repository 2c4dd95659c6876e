#include "shell/TaskTreeView.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>

namespace quarlo::shell {

namespace {

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// A task file shows as its task's name, without ".qlt".
class TaskFileModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;
    QVariant data(const QModelIndex& index, int role) const override {
        QVariant value = QFileSystemModel::data(index, role);
        if (role != Qt::DisplayRole || index.column() != 0 || isDir(index))
            return value;
        QString name = value.toString();
        if (name.endsWith(QStringLiteral(".qlt"), Qt::CaseInsensitive))
            name.chop(4);
        return name;
    }
};

} // namespace

TaskTreeView::TaskTreeView(const QString& tasksFolder, QWidget* parent)
    : QTreeView(parent), m_tasksFolder(withoutTrailingSlash(QDir::cleanPath(tasksFolder))) {
    m_model = new TaskFileModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    // Folders pass whatever the name filter says (AllDirs); files must be task files.
    m_model->setNameFilters({QStringLiteral("*.qlt")});
    m_model->setNameFilterDisables(false);
    m_model->setReadOnly(false);
    QDir base(m_tasksFolder);
    base.cdUp();
    setModel(m_model);
    setRootIndex(m_model->setRootPath(base.absolutePath()));
    for (int column = 1; column < m_model->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setEditTriggers(QAbstractItemView::EditKeyPressed);

    // Hidden rows are kept by persistent index, so sorting keeps them hidden; new items
    // beside the Tasks folder are hidden as they come.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& under) {
        if (under == rootIndex())
            hideOthersThanTasks();
    });
    connect(m_model, &QFileSystemModel::directoryLoaded, this, [this] { hideOthersThanTasks(); });
    hideOthersThanTasks();
}

QString TaskTreeView::filePath(const QModelIndex& index) const {
    return index.isValid() ? m_model->filePath(index) : QString();
}

bool TaskTreeView::isFile(const QModelIndex& index) const {
    return index.isValid() && !m_model->isDir(index);
}

bool TaskTreeView::isTopNode(const QModelIndex& index) const {
    return index.isValid() && filePath(index) == m_tasksFolder;
}

QModelIndex TaskTreeView::indexOfPath(const QString& path) const {
    const QString clean = withoutTrailingSlash(QDir::cleanPath(path));
    if (clean != m_tasksFolder && !clean.startsWith(m_tasksFolder + QLatin1Char('/')))
        return {};
    return m_model->index(clean);
}

bool TaskTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (isFile(index) || isTopNode(index))
        return false;
    return QTreeView::edit(index, trigger, event);
}

void TaskTreeView::hideOthersThanTasks() {
    const QModelIndex root = rootIndex();
    for (int row = 0; row < m_model->rowCount(root); ++row) {
        const QModelIndex child = m_model->index(row, 0, root);
        setRowHidden(row, root, m_model->filePath(child) != m_tasksFolder);
    }
}

} // namespace quarlo::shell
