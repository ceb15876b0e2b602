#include "app/CommandIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

const QColor Ink(60, 60, 70);
const QColor Paper(255, 255, 255);
const QColor ElementBrown(0x80, 0x40, 0x00);
const QColor AttributeGreen(0x00, 0x80, 0x00);
const QColor CommentGrey(0x80, 0x80, 0x80);
const QColor FolderYellow(235, 190, 70);
const QColor DiskBlue(60, 100, 180);

using Painter = std::function<void(QPainter&)>;

void Page(QPainter& p, QRectF r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(Ink, 1));
    p.setBrush(Paper);
    p.drawPath(path);
}

void Disk(QPainter& p, QRectF r)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(DiskBlue);
    p.drawRect(r);
    p.setBrush(Paper);
    p.drawRect(QRectF(r.left() + 2, r.top(), r.width() - 4, r.height() * 0.4));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(
        QRectF(r.left() + 3, r.bottom() - r.height() * 0.35, r.width() - 6, r.height() * 0.35));
}

void Node(QPainter& p, QRectF r, const QColor& color)
{
    p.setPen(QPen(color.darker(130), 1));
    p.setBrush(color);
    p.drawRoundedRect(r, 1.5, 1.5);
}

void Plus(QPainter& p, QPointF c)
{
    p.setPen(QPen(QColor(0, 140, 0), 2));
    p.drawLine(c + QPointF(-3, 0), c + QPointF(3, 0));
    p.drawLine(c + QPointF(0, -3), c + QPointF(0, 3));
}

void Letter(QPainter& p, QRectF r, const QString& text, const QColor& color, bool italic = false)
{
    QFont font(QStringLiteral("Sans"));
    font.setPixelSize(int(r.height()));
    font.setBold(true);
    font.setItalic(italic);
    p.setFont(font);
    p.setPen(color);
    p.drawText(r, Qt::AlignCenter, text);
}

void Arrow(QPainter& p, bool left)
{
    QPainterPath path;
    if (left) {
        path.moveTo(13, 12);
        path.cubicTo(13, 5, 7, 4, 4, 7);
    } else {
        path.moveTo(3, 12);
        path.cubicTo(3, 5, 9, 4, 12, 7);
    }
    p.setPen(QPen(DiskBlue, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    QPolygonF head;
    if (left)
        head << QPointF(2, 4) << QPointF(7, 4) << QPointF(3, 10);
    else
        head << QPointF(14, 4) << QPointF(9, 4) << QPointF(13, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(DiskBlue);
    p.drawPolygon(head);
}

Painter PainterFor(int id)
{
    switch (id) {
    case 57600: // New
        return [](QPainter& p) {
            Page(p, QRectF(3.5, 1.5, 9, 13));
            Plus(p, QPointF(12, 12));
        };
    case 57601: // Open
        return [](QPainter& p) {
            p.setPen(QPen(FolderYellow.darker(150), 1));
            p.setBrush(FolderYellow);
            p.drawRect(QRectF(1.5, 4.5, 12, 9));
            p.drawRect(QRectF(1.5, 3.5, 5, 2));
            p.setBrush(FolderYellow.lighter(120));
            QPolygonF front;
            front << QPointF(3.5, 7.5) << QPointF(15.5, 7.5) << QPointF(13.5, 13.5)
                  << QPointF(1.5, 13.5);
            p.drawPolygon(front);
        };
    case 57603: // Save
        return [](QPainter& p) { Disk(p, QRectF(2.5, 2.5, 11, 11)); };
    case 32786: // Save all
        return [](QPainter& p) {
            Disk(p, QRectF(1.5, 1.5, 9, 9));
            Disk(p, QRectF(5.5, 5.5, 9, 9));
        };
    case 57632: // Delete
        return [](QPainter& p) {
            p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(4, 4), QPointF(12, 12));
            p.drawLine(QPointF(12, 4), QPointF(4, 12));
        };
    case 57635: // Cut
        return [](QPainter& p) {
            p.setPen(QPen(Ink, 1.3));
            p.drawLine(QPointF(5, 2), QPointF(10, 10));
            p.drawLine(QPointF(11, 2), QPointF(6, 10));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(5, 12), 2.2, 2.2);
            p.drawEllipse(QPointF(11, 12), 2.2, 2.2);
        };
    case 57634: // Copy
        return [](QPainter& p) {
            Page(p, QRectF(1.5, 1.5, 8, 10));
            Page(p, QRectF(6.5, 4.5, 8, 10));
        };
    case 57637: // Paste
        return [](QPainter& p) {
            p.setPen(QPen(ElementBrown.darker(120), 1));
            p.setBrush(QColor(190, 140, 80));
            p.drawRoundedRect(QRectF(2.5, 2.5, 10, 12), 1, 1);
            p.setBrush(QColor(150, 150, 150));
            p.drawRect(QRectF(5.5, 1.5, 4, 3));
            Page(p, QRectF(7.5, 6.5, 7, 8));
        };
    case 57643: // Undo
        return [](QPainter& p) { Arrow(p, true); };
    case 57644: // Redo
        return [](QPainter& p) { Arrow(p, false); };
    case 32869: // Duplicate
        return [](QPainter& p) {
            Node(p, QRectF(1.5, 2.5, 9, 6), ElementBrown.lighter(160));
            Node(p, QRectF(5.5, 7.5, 9, 6), ElementBrown.lighter(130));
        };
    case 32862: // Insert element as child
        return [](QPainter& p) {
            p.setPen(QPen(Ink, 1));
            p.drawLine(QPointF(3.5, 6), QPointF(3.5, 11.5));
            p.drawLine(QPointF(3.5, 11.5), QPointF(6, 11.5));
            Node(p, QRectF(1.5, 1.5, 8, 5), ElementBrown.lighter(150));
            Node(p, QRectF(6.5, 9.5, 6, 5), ElementBrown.lighter(120));
            Plus(p, QPointF(12.5, 4.5));
        };
    case 32876: // Insert text as child
        return [](QPainter& p) {
            Letter(p, QRectF(0, 1, 12, 14), QStringLiteral("T"), CommentGrey.darker(150), true);
            Plus(p, QPointF(12.5, 4.5));
        };
    case 32863: // Insert attribute
        return [](QPainter& p) {
            Letter(p, QRectF(0, 1, 12, 14), QStringLiteral("@"), AttributeGreen);
            Plus(p, QPointF(12.5, 4.5));
        };
    case 32868: // Insert comment as child
        return [](QPainter& p) {
            p.setPen(QPen(CommentGrey, 1));
            p.setBrush(QColor(235, 235, 235));
            p.drawRoundedRect(QRectF(1.5, 2.5, 11, 8), 2, 2);
            QPolygonF tail;
            tail << QPointF(3.5, 10.5) << QPointF(3.5, 14) << QPointF(7, 10.5);
            p.drawPolygon(tail);
            Plus(p, QPointF(12.5, 11.5));
        };
    case 32894: // Validate
        return [](QPainter& p) {
            Page(p, QRectF(2.5, 1.5, 9, 13));
            p.setPen(QPen(AttributeGreen, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF() << QPointF(5, 9) << QPointF(8, 12) << QPointF(14, 4));
        };
    case 32895: // Transform
        return [](QPainter& p) {
            Page(p, QRectF(1.5, 1.5, 6, 8));
            Page(p, QRectF(8.5, 6.5, 6, 8));
            p.setPen(QPen(DiskBlue, 1.5));
            p.drawLine(QPointF(5, 12), QPointF(7, 12));
            p.drawLine(QPointF(10, 2.5), QPointF(12, 4.5));
            p.drawLine(QPointF(12, 4.5), QPointF(10, 4.5));
        };
    default:
        return {};
    }
}

QPixmap Render(const Painter& painter, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    painter(p);
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace

QIcon CommandIcons::Icon(int commandId)
{
    const Painter painter = PainterFor(commandId);
    if (!painter)
        return QIcon();
    QIcon icon;
    for (int size : {16, 24, 32})
        icon.addPixmap(Render(painter, size));
    return icon;
}

QImage CommandIcons::ProgramImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(size / 64.0, size / 64.0);
    PaintProgram(p);
    p.end();
    return image;
}

void CommandIcons::PaintProgram(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, 64);
    background.setColorAt(0, QColor(70, 120, 200));
    background.setColorAt(1, QColor(30, 70, 150));
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    // A small tree: an element with two children, in the view's colours.
    p.setPen(QPen(QColor(230, 235, 245), 2.5));
    p.drawLine(QPointF(18, 22), QPointF(18, 46));
    p.drawLine(QPointF(18, 34), QPointF(28, 34));
    p.drawLine(QPointF(18, 46), QPointF(28, 46));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 200, 120));
    p.drawRoundedRect(QRectF(10, 10, 30, 12), 3, 3);
    p.setBrush(QColor(140, 220, 140));
    p.drawRoundedRect(QRectF(28, 29, 26, 10), 3, 3);
    p.setBrush(QColor(240, 240, 240));
    p.drawRoundedRect(QRectF(28, 41, 26, 10), 3, 3);
}

QIcon CommandIcons::ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(ProgramImage(size)));
    return icon;
}
