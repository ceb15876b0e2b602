#include "app/DropDownToolButton.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionToolButton>

DropDownToolButton::DropDownToolButton(QWidget* parent) : QToolButton(parent)
{
    setPopupMode(QToolButton::MenuButtonPopup);
}

QRect DropDownToolButton::ArrowRect() const
{
    QStyleOptionToolButton option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButtonMenu, this);
}

void DropDownToolButton::mousePressEvent(QMouseEvent* event)
{
    const QRect arrow = ArrowRect();
    if (event->button() == Qt::LeftButton && arrow.isValid() &&
        arrow.contains(event->position().toPoint())) {
        emit DropDownRequested(mapToGlobal(rect().bottomLeft()));
        return;
    }
    QToolButton::mousePressEvent(event);
}
