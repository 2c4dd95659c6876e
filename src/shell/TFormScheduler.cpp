#include "shell/TFormScheduler.h"

#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "reports/TaskList.h"
#include "shell/Prompts.h"
#include "shell/ShellCommands.h"
#include "shell/ShellEngine.h"
#include "shell/TaskTreeView.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace quarlo::shell {

namespace {

constexpr int kRetryIntervalMs = 100;
constexpr int kMaxRetries = 50;
constexpr int kFollowIntervalMs = 1000;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Notes the current item before a mouse press changes it, so that the press knows whether
// the selection change has already shown the item.
class PressWatcher : public QObject {
public:
    PressWatcher(QTreeView& tree, QPersistentModelIndex& before)
        : QObject(&tree), m_tree(tree), m_before(before) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress)
            m_before = m_tree.currentIndex();
        return false;
    }

private:
    QTreeView& m_tree;
    QPersistentModelIndex& m_before;
};

} // namespace

TFormScheduler::TFormScheduler(ShellEngine& engine, ShellCommands& commands, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_commands(commands) {
    setWindowTitle(tr("Tasks"));
    setObjectName(QStringLiteral("TFormScheduler"));
    const QString tasks = qs(m_engine.app().tasksFolder());
    QDir().mkpath(tasks);

    m_tvTasks = new TaskTreeView(tasks, this);
    m_tvTasks->setObjectName(QStringLiteral("tvTasks"));
    m_tvTasks->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tvTasks->viewport()->installEventFilter(new PressWatcher(*m_tvTasks, m_beforePress));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tvTasks);

    buildMenu();

    connect(m_tvTasks->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { onCurrentChanged(current); });
    connect(m_tvTasks, &QTreeView::pressed, this,
            [this](const QModelIndex& index) { onPressed(index); });
    connect(m_tvTasks, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        if (m_tvTasks->isFile(index))
            browseSelectedInBrowser();
    });
    connect(m_tvTasks, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (m_tvTasks->indexAt(pos).isValid())
            m_popTask->popup(m_tvTasks->viewport()->mapToGlobal(pos));
    });
    // The model reads folders in the background and may take a moment to report a new or
    // renamed one: a pending path is looked for a few times a second for a while.
    m_retry = new QTimer(this);
    m_retry->setInterval(kRetryIntervalMs);
    connect(m_retry, &QTimer::timeout, this, [this] {
        if (trySelectPending() || ++m_retries >= kMaxRetries)
            m_retry->stop();
    });
    // Queued: looking a path up inserts rows, and the view must take those in first.
    QFileSystemModel& model = m_tvTasks->fileModel();
    connect(
        &model, &QFileSystemModel::directoryLoaded, this, [this] { trySelectPending(); },
        Qt::QueuedConnection);
    connect(
        &model, &QAbstractItemModel::rowsInserted, this, [this] { trySelectPending(); },
        Qt::QueuedConnection);
    connect(&model, &QFileSystemModel::fileRenamed, this,
            [this](const QString& folder, const QString&, const QString& newName) {
                onRenamed(folder, newName);
            });

    m_follow = new QTimer(this);
    m_follow->setInterval(kFollowIntervalMs);
    connect(m_follow, &QTimer::timeout, this, &TFormScheduler::followShownTask);
    m_follow->start();
    connect(&engine, &ShellEngine::runStarted, this, &TFormScheduler::followShownTask);
    connect(&engine, &ShellEngine::runEnded, this, &TFormScheduler::followShownTask);

    // A category removed since it was last shown leaves the top node selected.
    const QString last = tasks + qs(m_engine.app().lastCategory());
    selectPath(QFileInfo(last).isDir() ? last : tasks);
}

TFormScheduler::~TFormScheduler() = default;

void TFormScheduler::showPath(const QString& path) {
    selectPath(path);
}

void TFormScheduler::selectPath(const QString& path) {
    setPending(path, false, false);
}

void TFormScheduler::setPending(const QString& path, bool edit, bool step) {
    m_pendingPath = QDir::cleanPath(path);
    m_pendingEdit = edit;
    m_pendingStep = step;
    m_retries = 0;
    if (!trySelectPending())
        m_retry->start();
}

bool TFormScheduler::trySelectPending() {
    if (m_pendingPath.isEmpty())
        return false;
    // Persistent: selecting shows the item, and a list export lets the model change.
    const QPersistentModelIndex index = m_tvTasks->indexOfPath(m_pendingPath);
    if (!index.isValid())
        return false;
    const bool edit = m_pendingEdit;
    const bool step = m_pendingStep;
    m_pendingPath.clear();
    m_pendingEdit = m_pendingStep = false;
    m_retry->stop();
    m_tvTasks->scrollTo(index);
    m_tvTasks->setCurrentIndex(index);
    if (edit && index.isValid())
        m_tvTasks->edit(index);
    if (step)
        runSelectionStep();
    return true;
}

QString TFormScheduler::selectedPath() const {
    return m_tvTasks->filePath(m_tvTasks->currentIndex());
}

bool TFormScheduler::selectedIsFile() const {
    return m_tvTasks->isFile(m_tvTasks->currentIndex());
}

TaskTreeItem TFormScheduler::itemOf(const QModelIndex& index) const {
    return {m_tvTasks->filePath(index).toStdString(), m_tvTasks->isFile(index)};
}

TaskTreeItem TFormScheduler::selectedItem() const {
    return itemOf(m_tvTasks->currentIndex());
}

void TFormScheduler::onCurrentChanged(const QModelIndex& current) {
    if (current.isValid())
        runSelectionStep();
}

void TFormScheduler::runSelectionStep() {
    const TaskTreeItem item = selectedItem();
    if (item.path.empty())
        return;
    TQLApp& app = m_engine.app();
    if (selectionChangeShows(item.path, app.lastTask(), app.tasksFolder(), app.lastCategory()))
        showItem(item);
}

void TFormScheduler::onPressed(const QModelIndex& index) {
    // A press that changed the selection has been handled by the change already.
    if (index.isValid() && index == m_beforePress && index == m_tvTasks->currentIndex())
        showSelected();
}

void TFormScheduler::showSelected() {
    const TaskTreeItem item = selectedItem();
    if (!item.path.empty())
        showItem(item);
}

void TFormScheduler::onRenamed(const QString& folder, const QString& newName) {
    // Select the renamed category once the model has settled, then show it.
    const QString path = folder + QLatin1Char('/') + newName;
    QTimer::singleShot(0, this, [this, path] { setPending(path, false, true); });
}

void TFormScheduler::showItem(const TaskTreeItem& item) {
    if (m_exporting) {
        // A list export lets events run; whatever is asked for meanwhile is shown after it.
        m_deferredShow = std::make_unique<TaskTreeItem>(item);
        return;
    }
    TQLApp& app = m_engine.app();
    const ShowPlan plan = planShow(item, app.lastTask(), m_commands.browserLocation().toStdString(),
                                   app.tasksFolder());
    if (plan.unchanged)
        return;
    app.setLastTask(plan.lastTask);
    app.setLastCategory(plan.lastCategory);
    if (plan.kind == ShowKind::TaskDetails)
        exportDetails(item.path);
    else if (plan.kind == ShowKind::TaskList)
        exportList(plan.lastCategory);
}

void TFormScheduler::exportList(const std::string& category) {
    m_followed.clear();
    m_exporting = true;
    auto exported =
        exportTaskList(m_engine.app(), category, [](int, int) { QApplication::processEvents(); });
    m_exporting = false;
    if (!exported)
        Prompts::error(this, qs(exported.message()));
    else
        m_commands.showInBrowser(qs(exported->pageUrl), true);
    if (m_deferredShow) {
        const TaskTreeItem next = *m_deferredShow;
        m_deferredShow.reset();
        showItem(next);
    }
}

std::unique_ptr<TQLTask> TFormScheduler::loadSelectedTask() const {
    const TaskTreeItem item = selectedItem();
    if (!item.isFile)
        return nullptr;
    return TQLTask::loadFromFile(m_engine.app(), item.path);
}

} // namespace quarlo::shell
