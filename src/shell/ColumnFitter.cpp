#include "shell/ColumnFitter.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <utility>

namespace quarlo::shell {

ColumnFitter::ColumnFitter(QTreeView& view, QList<int> columns, int maximumWidth)
    : QObject(&view), m_view(view), m_columns(std::move(columns)), m_maximumWidth(maximumWidth) {
    QHeaderView* header = view.header();
    // Only the rows in sight are measured: a long list costs no more than a short one.
    header->setResizeContentsPrecision(0);
    header->viewport()->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, [this](int column) {
        if (m_dragging && !m_fitting)
            m_userSized.insert(column);
    });
    // A double click on a column's edge sizes it to its content: the fitting takes it back.
    connect(header, &QHeaderView::sectionHandleDoubleClicked, this,
            [this](int column) { m_userSized.erase(column); });
    connect(view.verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { fit(Fill::Grown); });
}

bool ColumnFitter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress)
        m_dragging = true;
    else if (event->type() == QEvent::MouseButtonRelease)
        m_dragging = false;
    return QObject::eventFilter(watched, event);
}

void ColumnFitter::fit(Fill fill) {
    m_fresh = m_fresh || fill == Fill::Fresh;
    if (m_pending)
        return;
    // Once the view has laid the new rows out, and once for a burst of changes.
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        apply(std::exchange(m_fresh, false));
    });
}

void ColumnFitter::apply(bool fresh) {
    QHeaderView* header = m_view.header();
    // The tree view keeps its measure protected; the item view's is the same, public one.
    const QAbstractItemView& measure = m_view;
    m_fitting = true;
    for (int column : std::as_const(m_columns)) {
        if (m_userSized.count(column) != 0 || m_view.isColumnHidden(column))
            continue;
        const int wanted = std::min(m_maximumWidth, std::max(measure.sizeHintForColumn(column),
                                                             header->sectionSizeHint(column)));
        if (fresh || wanted > header->sectionSize(column))
            header->resizeSection(column, wanted);
    }
    m_fitting = false;
}

} // namespace quarlo::shell
