#include "shell/TFormPersonalIntranet.h"

#include "html/FileNames.h"
#include "model/TQLApp.h"
#include "shell/ShellCommands.h"
#include "shell/ShellEngine.h"

#include <QDir>
#include <QFileSystemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

// Saved pages keep the escapes of their addresses in their names; the tree shows them
// decoded (café.html for caf%C3%A9.html).
class ReadableFileModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;
    QVariant data(const QModelIndex& index, int role) const override {
        QVariant value = QFileSystemModel::data(index, role);
        if (role != Qt::DisplayRole || index.column() != 0)
            return value;
        return QString::fromStdString(displayFileName(value.toString().toStdString()));
    }
};

} // namespace

TFormPersonalIntranet::TFormPersonalIntranet(ShellEngine& engine, ShellCommands& commands,
                                             QWidget* parent)
    : QWidget(parent), m_engine(engine), m_commands(commands) {
    setWindowTitle(tr("Personal Intranet"));
    m_view = new QTreeView(this);
    m_view->setObjectName(QStringLiteral("intranetTree"));
    m_view->setHeaderHidden(true);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    refresh();
}

TFormPersonalIntranet::~TFormPersonalIntranet() = default;

QStringList TFormPersonalIntranet::expandedFolders(const QModelIndex& parent) const {
    QStringList folders;
    for (int row = 0; row < m_model->rowCount(parent); ++row) {
        const QModelIndex child = m_model->index(row, 0, parent);
        if (m_view->isExpanded(child))
            folders << m_model->filePath(child) << expandedFolders(child);
    }
    return folders;
}

void TFormPersonalIntranet::refresh() {
    // A fresh model reads the folder anew; the old one may hold a stale cache. The folders
    // the user opened stay open.
    const QStringList expanded =
        m_model != nullptr ? expandedFolders(m_view->rootIndex()) : QStringList();
    QFileSystemModel* old = m_model;
    QItemSelectionModel* oldSelection = m_view->selectionModel();
    m_root = QDir::cleanPath(QString::fromStdString(m_engine.app().intranetFolder()));
    m_model = new ReadableFileModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    const QModelIndex root = m_model->setRootPath(m_root);
    m_view->setModel(m_model);
    m_view->setRootIndex(root);
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_view->hideColumn(column);
    // The selection, not the current node: the tree makes its first node current on focus
    // without anyone choosing it.
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.indexes().isEmpty())
                    choose(selected.indexes().front());
            });
    delete oldSelection;
    delete old;
    for (const QString& folder : expanded)
        m_view->expand(m_model->index(folder));
}

QModelIndex TFormPersonalIntranet::indexOf(const QString& path) const {
    return m_model->index(QDir::cleanPath(path));
}

void TFormPersonalIntranet::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void TFormPersonalIntranet::choose(const QModelIndex& current) {
    if (current.isValid())
        m_commands.showInBrowser(m_model->filePath(current));
}

} // namespace quarlo::shell
