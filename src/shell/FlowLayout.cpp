#include "shell/FlowLayout.h"

#include <QWidget>

#include <algorithm>

namespace quarlo::shell {

namespace {

// A hidden widget takes no room; a spacer (always "empty") does take its share.
bool hidden(const QLayoutItem* item) {
    return item->widget() != nullptr && item->isEmpty();
}

bool expands(const QLayoutItem* item) {
    return (item->expandingDirections() & Qt::Horizontal) != 0;
}

// The width an item claims when rows are made: an expanding item its minimum (it takes a
// share of what is left over), any other its preferred width.
int naturalWidth(const QLayoutItem* item) {
    return expands(item) ? item->minimumSize().width() : item->sizeHint().width();
}

} // namespace

FlowLayout::FlowLayout(QWidget* parent, int spacing) : QLayout(parent) {
    setSpacing(spacing);
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
}

void FlowLayout::addBreak() {
    m_breaks.insert(static_cast<int>(m_items.size()));
}

int FlowLayout::count() const {
    return static_cast<int>(m_items.size());
}

QLayoutItem* FlowLayout::itemAt(int index) const {
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index) {
    if (index < 0 || index >= m_items.size())
        return nullptr;
    // Breaks stay before the items they were set for.
    std::set<int> breaks;
    for (int at : m_breaks)
        breaks.insert(at > index ? at - 1 : at);
    m_breaks = std::move(breaks);
    return m_items.takeAt(index);
}

int FlowLayout::heightForWidth(int width) const {
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const {
    QSize size;
    for (const QLayoutItem* item : m_items)
        if (!hidden(item))
            size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size.grownBy(margins);
}

QSize FlowLayout::sizeHint() const {
    // As wide as the widest row that only the breaks end.
    int widest = 0;
    int row = 0;
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_breaks.count(i) != 0)
            row = 0;
        const QLayoutItem* item = m_items.at(i);
        if (hidden(item))
            continue;
        row += (row > 0 ? spacing() : 0) + naturalWidth(item);
        widest = std::max(widest, row);
    }
    const QMargins margins = contentsMargins();
    const int width = widest + margins.left() + margins.right();
    return {width, heightForWidth(width)};
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool apply) const {
    const QMargins margins = contentsMargins();
    const QRect area = rect.marginsRemoved(margins);
    const int gap = spacing();
    const int count = static_cast<int>(m_items.size());
    int y = area.y();
    int rows = 0;
    for (int first = 0; first < count;) {
        // A row takes items while they fit, and always at least one.
        int end = first;
        int used = 0;
        int height = 0;
        int expanding = 0;
        for (; end < count; ++end) {
            const QLayoutItem* item = m_items.at(end);
            if (end > first && m_breaks.count(end) != 0)
                break;
            if (hidden(item))
                continue;
            const int width = naturalWidth(item);
            if (used > 0 && used + gap + width > area.width())
                break;
            used += (used > 0 ? gap : 0) + width;
            height = std::max(height, item->sizeHint().height());
            expanding += expands(item) ? 1 : 0;
        }
        if (used == 0 && height == 0) {
            first = end; // hidden items only
            continue;
        }
        if (apply) {
            int spare = std::max(0, area.width() - used);
            int x = area.x();
            for (int i = first; i < end; ++i) {
                QLayoutItem* item = m_items.at(i);
                if (hidden(item))
                    continue;
                int width = naturalWidth(item);
                if (expands(item) && expanding > 0) {
                    const int share = spare / expanding--;
                    width += share;
                    spare -= share;
                }
                width = std::min(width, area.right() + 1 - x);
                const int itemHeight = std::min(item->sizeHint().height(), height);
                item->setGeometry(QRect(x, y + (height - itemHeight) / 2, width, itemHeight));
                x += width + gap;
            }
        }
        y += height + gap;
        ++rows;
        first = end;
    }
    const int content = rows > 0 ? y - gap - area.y() : 0;
    return content + margins.top() + margins.bottom();
}

} // namespace quarlo::shell
