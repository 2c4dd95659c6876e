#pragma once

#include <QList>
#include <QObject>

#include <set>

class QTreeView;

namespace quarlo::shell {

// Gives a list's columns the width their content needs, as far as the rows in sight show it,
// and leaves alone every column whose width the user has set by dragging its edge. Within one
// filling the columns only grow, so that they do not jump while the list scrolls.
class ColumnFitter : public QObject {
public:
    // Fits the given columns of the view, none wider than maximumWidth.
    ColumnFitter(QTreeView& view, QList<int> columns, int maximumWidth = 480);

    enum class Fill { Fresh, Grown };
    // After the rows were replaced (Fresh: columns may shrink to the new content) or changed.
    void fit(Fill fill);
    // The columns the user has sized.
    const std::set<int>& userSized() const { return m_userSized; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(bool fresh);

    QTreeView& m_view;
    QList<int> m_columns;
    int m_maximumWidth;
    std::set<int> m_userSized;
    bool m_dragging = false; // a mouse button is down on the header
    bool m_pending = false;  // a fit is queued
    bool m_fresh = false;    // ... and may shrink columns
    bool m_fitting = false;
};

} // namespace quarlo::shell
