#include "view/NodeIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const QColor kElementColor(0x80, 0x40, 0x00);
const QColor kAttributeColor(0x00, 0x80, 0x00);
const QColor kGrey(0x80, 0x80, 0x80);

// The angle brackets of a tag, as a closed (filled box) or open (outlined box) element.
void DrawElement(QPainter& painter, bool open)
{
    const QRectF box(1.5, 2.5, 13, 11);
    painter.setPen(QPen(kElementColor, 1));
    painter.setBrush(open ? QColor(0xFF, 0xF0, 0xD8) : kElementColor);
    painter.drawRoundedRect(box, 2, 2);
    painter.setPen(
        QPen(open ? kElementColor : Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF{QPointF(6, 5.5), QPointF(3.8, 8), QPointF(6, 10.5)});
    painter.drawPolyline(QPolygonF{QPointF(10, 5.5), QPointF(12.2, 8), QPointF(10, 10.5)});
    if (open)
        painter.drawLine(QPointF(9, 5), QPointF(7, 11));
}

void DrawAttribute(QPainter& painter)
{
    painter.setPen(QPen(kAttributeColor, 1));
    painter.setBrush(kAttributeColor);
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    painter.setPen(QPen(Qt::white, 1.4));
    painter.drawLine(QPointF(5, 6.5), QPointF(11, 6.5));
    painter.drawLine(QPointF(5, 9.5), QPointF(11, 9.5));
}

void DrawText(QPainter& painter)
{
    painter.setPen(QPen(kGrey, 1));
    painter.setBrush(Qt::white);
    QPainterPath page;
    page.moveTo(3.5, 1.5);
    page.lineTo(10, 1.5);
    page.lineTo(12.5, 4);
    page.lineTo(12.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    painter.drawPath(page);
    for (int y = 5; y <= 12; y += 2)
        painter.drawLine(QPointF(5, y + 0.5), QPointF(11, y + 0.5));
}

void DrawComment(QPainter& painter)
{
    painter.setPen(QPen(kGrey, 1));
    painter.setBrush(QColor(0xF0, 0xF0, 0xF0));
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(1.5, 2.5, 13, 9), 3, 3);
    QPainterPath tail;
    tail.moveTo(4, 11);
    tail.lineTo(4, 14.5);
    tail.lineTo(8, 11);
    tail.closeSubpath();
    painter.drawPath(bubble.united(tail));
    painter.setBrush(kGrey);
    painter.setPen(Qt::NoPen);
    for (int x = 5; x <= 11; x += 3)
        painter.drawEllipse(QRectF(x - 0.9, 6.1, 1.8, 1.8));
}
// A gear: an instruction for whatever program reads the file.
void DrawProcessingInstruction(QPainter& painter)
{
    const QColor kInstructionColor(0x30, 0x50, 0xA0);
    painter.setPen(QPen(kInstructionColor, 2.2, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 4; ++i) {
        painter.save();
        painter.translate(8, 8);
        painter.rotate(45.0 * i);
        painter.drawLine(QPointF(-6.5, 0), QPointF(6.5, 0));
        painter.restore();
    }
    painter.setPen(QPen(kInstructionColor, 1));
    painter.setBrush(kInstructionColor);
    painter.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(6, 6, 4, 4));
}
} // namespace

QPixmap NodeIcons::Draw(int index, qreal devicePixelRatio)
{
    const int pixels = qRound(Size * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    // The painter then works in the 16 by 16 units the pictures are drawn in.
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case ElementClosed:
        DrawElement(painter, false);
        break;
    case ElementOpen:
        DrawElement(painter, true);
        break;
    case Attribute:
        DrawAttribute(painter);
        break;
    case Text:
        DrawText(painter);
        break;
    case Comment:
        DrawComment(painter);
        break;
    case ProcessingInstruction:
        DrawProcessingInstruction(painter);
        break;
    default:
        break;
    }
    return pixmap;
}

const QList<QIcon>& NodeIcons::Images()
{
    static const QList<QIcon> images = [] {
        QList<QIcon> list;
        for (int i = 0; i < Count; ++i) {
            QIcon icon;
            for (const qreal ratio : {1.0, 2.0})
                icon.addPixmap(Draw(i, ratio));
            list.append(icon);
        }
        return list;
    }();
    return images;
}
