#include "shell/TFormExplore.h"

#include "archive/ZipBrowserModel.h"
#include "engine/Queue.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "reports/Browse.h"
#include "reports/ReportArchive.h"
#include "shell/ColumnFitter.h"
#include "shell/ExploreModel.h"
#include "shell/Prompts.h"
#include "shell/ShellCommands.h"
#include "shell/ShellEngine.h"
#include "shell/ShellHooks.h"
#include "shell/UiTaskLock.h"

#include <QHeaderView>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>

namespace quarlo::shell {

TFormExplore::TFormExplore(ShellEngine& engine, ShellCommands& commands, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_commands(commands) {
    setWindowTitle(tr("Explore"));
    m_model = new ExploreModel(engine, this);
    m_view = new QTreeView(this);
    m_view->setObjectName(QStringLiteral("exploreList"));
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true); // rows are only read when shown
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->header()->setStretchLastSection(false);
    m_view->setColumnWidth(ExploreModel::MarkColumn, 40);
    m_view->setColumnWidth(ExploreModel::TitleColumn, 200);
    m_view->setColumnWidth(ExploreModel::URLColumn, 300);
    // Every column but the mark follows its content, unless the user has sized it.
    QList<int> fitted;
    for (int column = ExploreModel::StatusColumn; column < ExploreModel::ColumnCount; ++column)
        fitted << column;
    auto* columns = new ColumnFitter(*m_view, fitted, 600);
    connect(m_model, &QAbstractItemModel::modelReset, columns,
            [columns] { columns->fit(ColumnFitter::Fill::Fresh); });
    const auto grown = [columns] { columns->fit(ColumnFitter::Fill::Grown); };
    connect(m_model, &QAbstractItemModel::rowsInserted, columns, grown);
    connect(m_model, &QAbstractItemModel::dataChanged, columns, grown);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    buildMenu();
    connect(m_view, &QTreeView::customContextMenuRequested, this, &TFormExplore::showMenu);
    connect(m_view, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == ExploreModel::MarkColumn)
            toggleMarkAt(index.row());
    });
    connect(m_view, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { showOfflineInBrowser(index.row()); });
}

TFormExplore::~TFormExplore() = default;

void TFormExplore::buildMenu() {
    m_menu = new QMenu(this);
    QMenu* download = addGroup(tr("Mark for download"));
    addMarkAction(download, tr("Selected"), "markDownloadSelected", MarkCommand::DownloadSelected);
    addMarkAction(download, tr("All"), "markDownloadAll", MarkCommand::DownloadAll);
    addMarkAction(download, tr("All errors"), "markDownloadErrors", MarkCommand::DownloadAllErrors);
    addMarkAction(download, tr("All unmarked"), "markDownloadUnmarked",
                  MarkCommand::DownloadAllUnmarked);
    QMenu* update = addGroup(tr("Mark for update"));
    addMarkAction(update, tr("Selected"), "markUpdateSelected", MarkCommand::UpdateSelected);
    addMarkAction(update, tr("All"), "markUpdateAll", MarkCommand::UpdateAll);
    QMenu* map = addGroup(tr("Mark for mapping"));
    addMarkAction(map, tr("Selected"), "markMapSelected", MarkCommand::MapSelected);
    addMarkAction(map, tr("All"), "markMapAll", MarkCommand::MapAll);
    QMenu* unmark = addGroup(tr("Unmark"));
    addMarkAction(unmark, tr("Selected"), "unmarkSelected", MarkCommand::UnmarkSelected);
    addMarkAction(unmark, tr("All"), "unmarkAll", MarkCommand::UnmarkAll);
    QMenu* browse = addGroup(tr("&Browse"));
    m_browseOnline = browse->addAction(tr("Online"), this, &TFormExplore::browseOnline);
    m_browseOnline->setObjectName(QStringLiteral("browseOnline"));
    m_browseOffline = browse->addAction(tr("&Offline"), this, &TFormExplore::browseOffline);
    m_browseOffline->setObjectName(QStringLiteral("browseOffline"));
}

QMenu* TFormExplore::addGroup(const QString& title) {
    QMenu* group = m_menu->addMenu(title);
    m_groups.push_back(group);
    return group;
}

void TFormExplore::addMarkAction(QMenu* group, const QString& text, const char* name,
                                 MarkCommand command) {
    QAction* action = group->addAction(text, this, [this, command] { runCommand(command); });
    action->setObjectName(QString::fromLatin1(name));
    m_markActions[command] = action;
}

QAction* TFormExplore::markAction(MarkCommand command) const {
    const auto found = m_markActions.find(command);
    return found == m_markActions.end() ? nullptr : found->second;
}

std::vector<QAction*> TFormExplore::groupActions() const {
    std::vector<QAction*> actions;
    for (QMenu* group : m_groups)
        actions.push_back(group->menuAction());
    return actions;
}

void TFormExplore::refill() {
    const QString problem = m_model->refill();
    if (!problem.isEmpty())
        Prompts::error(this, problem);
}

void TFormExplore::clear() {
    m_model->clear();
}

void TFormExplore::updateMenu() {
    const bool focused = focusedRow() >= 0;
    for (QAction* group : groupActions())
        group->setEnabled(focused);
}

void TFormExplore::showMenu(const QPoint& position) {
    updateMenu();
    m_menu->popup(m_view->viewport()->mapToGlobal(position));
}

int TFormExplore::focusedRow() const {
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() && m_model->task() != nullptr ? current.row() : -1;
}

std::vector<std::size_t> TFormExplore::selectedEntries() const {
    std::vector<std::size_t> entries;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        entries.push_back(static_cast<std::size_t>(index.row()));
    std::sort(entries.begin(), entries.end());
    return entries;
}

void TFormExplore::runCommand(MarkCommand command) {
    TQLTask* task = m_model->task();
    if (task == nullptr)
        return;
    const Result<std::size_t> marked = markEntries(*task, command, selectedEntries());
    m_model->refresh();
    m_engine.hooks().refreshCounters();
    if (!marked)
        Prompts::error(this, QString::fromStdString(marked.message()));
}

void TFormExplore::toggleMarkAt(int row) {
    TQLTask* task = m_model->task();
    if (task == nullptr || row < 0)
        return;
    if (toggleMark(*task, static_cast<std::size_t>(row)))
        m_model->refresh();
}

void TFormExplore::browseOnline() {
    if (auto item = m_model->item(focusedRow()))
        ShellHooks::openLocationFor(this, QString::fromStdString(item->URL));
}

void TFormExplore::browseOffline() {
    if (const auto file = offlineFile(focusedRow()))
        ShellHooks::openLocationFor(this, *file);
}

void TFormExplore::showOfflineInBrowser(int row) {
    if (const auto file = offlineFile(row))
        m_commands.showInBrowser(*file);
}

std::optional<QString> TFormExplore::offlineFile(int row) {
    TQLTask* task = m_model->task();
    if (task == nullptr || row < 0)
        return std::nullopt;
    if (!task->intranetMode()) {
        const std::string archive = task->destination();
        if (archive.empty() || !fileExists(archive)) {
            Prompts::information(this, QString::fromLatin1(kNotRunMessage));
            return std::nullopt;
        }
        if (Status unpacked = unpackArchiveForBrowsing(m_engine.zipBrowser(), archive); !unpacked) {
            Prompts::error(this, QString::fromStdString(unpacked.message()));
            return std::nullopt;
        }
    }
    std::string url;
    std::string local;
    {
        UiTaskLock lock(task->mutex());
        auto item = LoadItem(*task, static_cast<std::size_t>(row));
        if (!item)
            return std::nullopt;
        url = item->URL;
        local = LocalName(*item);
    }
    if (local.empty() || !fileExists(local)) {
        Prompts::information(this,
                             tr("%1 has not been downloaded.").arg(QString::fromStdString(url)));
        return std::nullopt;
    }
    return QString::fromStdString(local);
}

} // namespace quarlo::shell
