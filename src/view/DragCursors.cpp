#include "view/DragCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kCursorSize = 32;
// The arrow's tip is the hot spot.
constexpr QPoint kHotSpot(1, 1);

QPixmap ArrowPixmap(bool withPlus)
{
    QPixmap pixmap(kCursorSize, kCursorSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);

    QPainterPath arrow;
    const QPointF points[] = {{1, 1},   {1, 17}, {5, 13},  {8, 20},
                              {10, 19}, {7, 12}, {12, 12}, {1, 1}};
    arrow.moveTo(points[0]);
    for (const QPointF& point : points)
        arrow.lineTo(point);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::black);
    painter.drawPath(arrow);

    if (withPlus) {
        const QRect box(13, 17, 10, 10);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawRect(box);
        painter.drawLine(box.left() + 2, box.center().y(), box.right() - 2, box.center().y());
        painter.drawLine(box.center().x(), box.top() + 2, box.center().x(), box.bottom() - 2);
    }
    return pixmap;
}

} // namespace

DragCursors::DragCursors()
    : m_move(ArrowPixmap(false), kHotSpot.x(), kHotSpot.y()),
      m_copy(ArrowPixmap(true), kHotSpot.x(), kHotSpot.y()), m_noDrop(Qt::ForbiddenCursor)
{
}

const QCursor& DragCursors::Cursor(Kind kind) const
{
    switch (kind) {
    case Kind::Copy:
        return m_copy;
    case Kind::NoDrop:
        return m_noDrop;
    case Kind::Move:
    case Kind::None:
        break;
    }
    return m_move;
}
