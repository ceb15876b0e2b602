#include "app/ListKeys.h"

#include <QAbstractItemView>
#include <QKeyEvent>

void ListKeys::Keep(QAbstractItemView* list)
{
    list->installEventFilter(new ListKeys(list));
}

bool ListKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeyCombination pressed = key->keyCombination();
        if (key->matches(QKeySequence::Copy) || key->key() == Qt::Key_Delete ||
            pressed == QKeyCombination(Qt::CTRL, Qt::Key_Insert)) {
            // Accepted, the key arrives as a key press; the view copies its current row.
            key->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
