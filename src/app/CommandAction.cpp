#include "app/CommandAction.h"

#include <QAction>
#include <QVariant>

int CommandAction::IdOf(const QAction* action)
{
    if (!action)
        return 0;
    bool ok = false;
    const int id = action->data().toInt(&ok);
    return ok ? id : 0;
}

void CommandAction::SetId(QAction* action, int id)
{
    action->setData(id);
}
