#include "ui/MenuBuilder.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

const char* const kCommandIdProperty = "toviCommandId";

QList<QAction*> ActionsOf(const QWidget* widget)
{
    return widget ? widget->actions() : QList<QAction*>();
}

} // namespace

QAction* MenuBuilder::AddItem(QWidget* owner, QMenu* menu, QMenuBar* bar,
                              const MenuDescription::Item& item)
{
    using Kind = MenuDescription::Item::Kind;
    QAction* action = nullptr;
    switch (item.kind) {
    case Kind::Separator:
        action = menu ? menu->addSeparator() : bar->addSeparator();
        break;
    case Kind::Popup: {
        QMenu* popup = BuildPopup(item, owner);
        action = menu ? menu->addMenu(popup) : bar->addMenu(popup);
        break;
    }
    case Kind::Command:
        // QMenu shows what follows a tab in its shortcut column.
        action = new QAction(item.text, owner);
        action->setData(item.id);
        action->setProperty(kCommandIdProperty, item.id);
        if (menu)
            menu->addAction(action);
        else
            bar->addAction(action);
        break;
    }
    if (item.grayed)
        action->setEnabled(false);
    return action;
}

void MenuBuilder::AddItems(QMenu* menu, const std::vector<MenuDescription::Item>& items)
{
    for (const MenuDescription::Item& item : items)
        AddItem(menu, menu, nullptr, item);
}

QMenu* MenuBuilder::BuildPopup(const MenuDescription::Item& popup, QWidget* parent)
{
    auto* menu = new QMenu(popup.text, parent);
    AddItems(menu, popup.children);
    if (popup.grayed)
        menu->setEnabled(false);
    return menu;
}

QMenu* MenuBuilder::BuildMenu(const MenuDescription& description, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    AddItems(menu, description.items);
    return menu;
}

QMenuBar* MenuBuilder::BuildMenuBar(const MenuDescription& description, QWidget* parent)
{
    auto* bar = new QMenuBar(parent);
    for (const MenuDescription::Item& item : description.items)
        AddItem(bar, nullptr, bar, item);
    return bar;
}

std::optional<int> MenuBuilder::CommandId(const QAction* action)
{
    if (!action)
        return std::nullopt;
    const QVariant id = action->property(kCommandIdProperty);
    if (!id.isValid())
        return std::nullopt;
    return id.toInt();
}

QAction* MenuBuilder::FindCommand(const QWidget* menuOrBar, int commandId)
{
    for (QAction* action : ActionsOf(menuOrBar)) {
        if (CommandId(action) == commandId)
            return action;
        if (QMenu* sub = action->menu()) {
            if (QAction* found = FindCommand(sub, commandId))
                return found;
        }
    }
    return nullptr;
}

QString MenuBuilder::ShortcutText(const QAction* action)
{
    if (!action)
        return QString();
    const QString text = action->text();
    const qsizetype tab = text.indexOf(u'\t');
    return tab < 0 ? QString() : text.mid(tab + 1);
}
