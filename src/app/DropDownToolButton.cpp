#include "app/DropDownToolButton.h"

#include <QKeyEvent>
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
        emit DropDownRequested(mapToGlobal(rect().bottomLeft()), false);
        return;
    }
    QToolButton::mousePressEvent(event);
}

void DropDownToolButton::keyPressEvent(QKeyEvent* event)
{
    // The keys that open a combo box's list.
    const bool altDown = event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier;
    if (altDown || (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) {
        emit DropDownRequested(mapToGlobal(rect().bottomLeft()), true);
        return;
    }
    QToolButton::keyPressEvent(event);
}
