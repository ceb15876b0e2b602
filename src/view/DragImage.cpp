#include "view/DragImage.h"

#include <QPainter>

DragImage::DragImage(const QPixmap& picture, QWidget* parent) : QWidget(parent), m_picture(picture)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    resize(m_picture.size() / m_picture.devicePixelRatio());
}

void DragImage::MoveTo(QPoint pointer)
{
    move(pointer - HotSpot);
}

void DragImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setOpacity(0.75);
    painter.drawPixmap(0, 0, m_picture);
}
