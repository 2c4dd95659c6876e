#include "shell/ExploreModel.h"

#include "engine/Queue.h"
#include "html/LinkScan.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "shell/MarkIcons.h"
#include "shell/ShellEngine.h"
#include "shell/ShellHooks.h"
#include "shell/UiTaskLock.h"

#include <QTimer>

#include <mutex>

namespace quarlo::shell {

namespace {

const char* const kHeaders[ExploreModel::ColumnCount] = {
    "Mark", "Status",        "Title",           "URL",   "Type",
    "Size", "Last Modified", "Download Result", "Level", "Referrer"};

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

} // namespace

ExploreModel::ExploreModel(ShellEngine& engine, QObject* parent)
    : QAbstractTableModel(parent), m_engine(engine) {
    connect(&engine.hooks(), &ShellHooks::explorerChanged, this, &ExploreModel::refresh);
}

int ExploreModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int ExploreModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ExploreModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return {};
    return QString::fromLatin1(kHeaders[section]);
}

QVariant ExploreModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const TQLQItem* item = cachedItem(index.row());
    if (item == nullptr)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return displayText(*item, column);
    case Qt::DecorationRole:
        if (column == MarkColumn)
            return markIcon(markIconOf(item->Status, item->Mode));
        return {};
    case MarkIconRole:
        return markIconOf(item->Status, item->Mode);
    case Qt::ForegroundRole: {
        const QColor colour = statusColour(text(StatusName(item->Status)));
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::TextAlignmentRole:
        if (column == SizeColumn || column == LevelColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant ExploreModel::displayText(const TQLQItem& item, int column) const {
    switch (column) {
    case StatusColumn:
        return text(StatusName(item.Status));
    case TitleColumn:
        return text(decodedTitle(item.Title));
    case URLColumn:
        return text(item.URL);
    case TypeColumn:
        return text(item.FileType);
    case SizeColumn:
        return QString::number(item.Size);
    case LastModifiedColumn:
        return text(item.LastModified).trimmed();
    case ResultColumn:
        return text(item.Message);
    case LevelColumn:
        return QString::number(item.Level);
    case ReferrerColumn:
        return text(item.Referrer);
    default:
        return {};
    }
}

QString ExploreModel::refill() {
    beginResetModel();
    m_cache.clear();
    m_task = m_engine.app().currentTask();
    m_rows = 0;
    QString problem;
    if (m_task != nullptr) {
        UiTaskLock lock(m_task->mutex());
        if (m_task->queue().empty()) {
            if (auto loaded = LoadQueue(*m_task); !loaded)
                problem = text(loaded.message());
        }
        m_rows = static_cast<int>(m_task->queue().size());
    }
    endResetModel();
    return problem;
}

void ExploreModel::refillReporting() {
    if (const QString problem = refill(); !problem.isEmpty()) {
        const std::string text = problem.toStdString();
        m_engine.app().reportFailure(text, Status::failure(text));
    }
}

void ExploreModel::clear() {
    beginResetModel();
    m_cache.clear();
    m_task = nullptr;
    m_rows = 0;
    endResetModel();
}

void ExploreModel::refresh() {
    m_refreshPosted = false;
    if (m_engine.app().currentTask() != m_task) {
        refillReporting();
        return;
    }
    if (m_task == nullptr)
        return;
    int rows = 0;
    {
        UiTaskLock lock(m_task->mutex());
        rows = static_cast<int>(m_task->queue().size());
    }
    if (rows < m_rows) {
        refillReporting();
        return;
    }
    m_cache.clear();
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
    // The views repaint only the rows they show, so this stays cheap on a long queue.
    if (m_rows > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, ColumnCount - 1));
}

TQLTask* ExploreModel::task() const {
    return stale() ? nullptr : m_task;
}

std::unique_ptr<TQLQItem> ExploreModel::item(int row) const {
    TQLTask* shown = task();
    if (shown == nullptr || row < 0 || row >= m_rows)
        return nullptr;
    UiTaskLock lock(shown->mutex());
    return LoadItem(*shown, static_cast<std::size_t>(row));
}

bool ExploreModel::stale() const {
    return m_task != nullptr && m_task != m_engine.app().currentTask();
}

const TQLQItem* ExploreModel::cachedItem(int row) const {
    if (stale()) {
        // The task may be gone already: read nothing from it and show the new one soon.
        if (!m_refreshPosted) {
            m_refreshPosted = true;
            QTimer::singleShot(0, const_cast<ExploreModel*>(this), &ExploreModel::refresh);
        }
        return nullptr;
    }
    if (const TQLQItem* cached = m_cache.object(row))
        return cached;
    std::unique_ptr<TQLQItem> loaded = item(row);
    if (!loaded)
        return nullptr;
    loaded->Task = nullptr; // a cached copy outlives no lock and is never stored
    TQLQItem* raw = loaded.release();
    m_cache.insert(row, raw);
    return raw;
}

int ExploreModel::markIconOf(QueueStatus status, QueueMode mode) {
    // The icons of the modes come first, in the order of the modes' numbers.
    if (status <= QueueStatus::Updating)
        return mode <= QueueMode::Update ? toQueueValue(mode) : kNoIcon;
    if (status == QueueStatus::Error)
        return 4;
    if (status >= QueueStatus::Saved)
        return 5;
    return kNoIcon;
}

QColor ExploreModel::statusColour(const QString& statusName) {
    if (statusName == QLatin1String("None"))
        return QColor(128, 128, 128);
    if (statusName == QLatin1String("Parsed") || statusName == QLatin1String("Saved"))
        return QColor(0, 0, 128);
    if (statusName == QLatin1String("Downloading"))
        return QColor(0, 128, 0);
    if (statusName == QLatin1String("Error"))
        return QColor(128, 0, 0);
    return {};
}

} // namespace quarlo::shell
