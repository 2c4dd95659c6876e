#include "shell/MarkIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace quarlo::shell {

namespace {

constexpr int kSize = 16;

void drawUnmarked(QPainter& p) {
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 3.5, 9, 9));
}

void drawDownload(QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(6, 2);
    arrow.lineTo(10, 2);
    arrow.lineTo(10, 8);
    arrow.lineTo(13, 8);
    arrow.lineTo(8, 14);
    arrow.lineTo(3, 8);
    arrow.lineTo(6, 8);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0, 90, 0), 1));
    p.setBrush(QColor(0, 170, 0));
    p.drawPath(arrow);
}

void drawMap(QPainter& p) {
    const QPointF diamond[] = {{8, 1.5}, {14.5, 8}, {8, 14.5}, {1.5, 8}};
    p.setPen(QPen(QColor(0, 0, 110), 1));
    p.setBrush(QColor(60, 110, 220));
    p.drawPolygon(diamond, 4);
}

void drawUpdate(QPainter& p) {
    // A circling arrow: most of a ring with a head at its open end.
    p.setPen(QPen(QColor(200, 120, 0), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 270 * 16);
    const QPointF head[] = {{8, 0.5}, {12, 3}, {8, 5.5}};
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 120, 0));
    p.drawPolygon(head, 3);
}

void drawError(QPainter& p) {
    p.setPen(QPen(QColor(190, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(12, 12));
    p.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void drawSaved(QPainter& p) {
    p.setPen(QPen(QColor(0, 0, 128), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF tick[] = {{3, 8.5}, {6.5, 12}, {13, 4}};
    p.drawPolyline(tick, 3);
}

QIcon draw(int number) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (number) {
    case 0:
        drawUnmarked(painter);
        break;
    case 1:
        drawDownload(painter);
        break;
    case 2:
        drawMap(painter);
        break;
    case 3:
        drawUpdate(painter);
        break;
    case 4:
        drawError(painter);
        break;
    default:
        drawSaved(painter);
        break;
    }
    painter.end();
    return QIcon(pixmap);
}

} // namespace

QIcon markIcon(int number) {
    if (number < 0 || number >= kMarkIconCount)
        return {};
    // Kept until exit and never destroyed: pixmaps must not outlive the GUI application.
    static auto* icons = new std::array<QIcon, kMarkIconCount>;
    QIcon& icon = (*icons)[static_cast<std::size_t>(number)];
    if (icon.isNull())
        icon = draw(number);
    return icon;
}

} // namespace quarlo::shell
