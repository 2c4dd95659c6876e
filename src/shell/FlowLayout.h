#pragma once

#include <QLayout>
#include <QList>

#include <set>

namespace quarlo::shell {

// Lays its items out left to right and starts a new row where the next one does not fit,
// so that a panel stays whole at any width: it grows taller instead of cutting its controls.
// Items that expand horizontally share the room left over in their row; a break makes the
// next item start a row of its own.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 4);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    // The next item added begins a new row.
    void addBreak();
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items in the rectangle (or only measures) and returns the height used.
    int arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> m_items;
    std::set<int> m_breaks; // indexes of the items that begin a row
};

} // namespace quarlo::shell
