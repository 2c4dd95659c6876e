#pragma once

#include "model/TQLQItem.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QColor>

namespace quarlo {
class TQLTask;
}

namespace quarlo::shell {

class ShellEngine;

// The current task's queue as a table, one row per entry. Rows are read on demand: only the
// entries a view asks for are loaded (under the task's lock, briefly) and a few hundred of
// them are kept until the queue changes.
class ExploreModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        MarkColumn,
        StatusColumn,
        TitleColumn,
        URLColumn,
        TypeColumn,
        SizeColumn,
        LastModifiedColumn,
        ResultColumn,
        LevelColumn,
        ReferrerColumn,
        ColumnCount
    };
    // The number of the Mark column's icon (-1: none).
    static constexpr int MarkIconRole = Qt::UserRole;
    static constexpr int kNoIcon = -1;

    explicit ExploreModel(ShellEngine& engine, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Shows the current task: its queue, read from the queue file when it is empty. Returns
    // why the queue file could not be read (the rows are then those already in memory).
    QString refill();
    // Shows nothing.
    void clear();
    // Follows a change of the queue: rows appended at the end are inserted, the rest
    // re-read; another current task or a shorter queue refills.
    void refresh();

    // The task shown, while it is still the current task; else nullptr.
    TQLTask* task() const;
    // A fresh copy of a row's entry; nothing when there is no such row.
    std::unique_ptr<TQLQItem> item(int row) const;

    // Icon 0-3 is the mode (Unmarked, Download, Map, Update) while the entry waits or is on
    // its way (None, Downloading, Updating), 4 an error, 5 a saved entry (Saved and beyond);
    // Downloaded has none.
    static int markIconOf(QueueStatus status, QueueMode mode);
    // The text colour of a status name; invalid for the default colour.
    static QColor statusColour(const QString& statusName);

private:
    // Refills; a queue file that cannot be read is reported once (the view asked for none).
    void refillReporting();
    const TQLQItem* cachedItem(int row) const;
    QVariant displayText(const TQLQItem& item, int column) const;
    // The task no longer is the current one (the view reads before the refill comes).
    bool stale() const;

    ShellEngine& m_engine;
    TQLTask* m_task = nullptr;
    int m_rows = 0;
    mutable QCache<int, TQLQItem> m_cache{512};
    mutable bool m_refreshPosted = false;
};

} // namespace quarlo::shell
