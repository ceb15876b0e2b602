#include "ui/MenuBuilder.h"

#include "editing/CommandId.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

const char* const kCommandIdProperty = "toviCommandId";

struct CommandKeys {
    int command;
    QKeyCombination keys[2]; // Key_unknown where a command has one key
};

// The program's keys, whatever language the menus are in. Insert: Ctrl+letter as child,
// Ctrl+Shift+letter after, Ctrl+Alt+Shift+letter before (Ctrl+Alt+T is the desktop's
// terminal); E element, T text, M comment.
const CommandKeys kKeys[] = {
    {CommandId::FileNew, {Qt::CTRL | Qt::Key_N}},
    {CommandId::FileOpen, {Qt::CTRL | Qt::Key_O}},
    {CommandId::FileSave, {Qt::CTRL | Qt::Key_S}},
    {CommandId::SaveAll, {Qt::CTRL | Qt::SHIFT | Qt::Key_S}},
    {CommandId::FileClose, {Qt::CTRL | Qt::Key_F4}},
    {CommandId::CloseAll, {Qt::CTRL | Qt::SHIFT | Qt::Key_F4}},
    {CommandId::NextTab, {Qt::CTRL | Qt::Key_Tab}},
    // Qt matches X11's Backtab (Shift+Tab) against this form.
    {CommandId::PreviousTab, {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab}},
    {CommandId::Undo, {Qt::CTRL | Qt::Key_Z}},
    {CommandId::Redo, {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::CTRL | Qt::Key_Y}},
    {CommandId::Cut, {Qt::CTRL | Qt::Key_X}},
    {CommandId::Copy, {Qt::CTRL | Qt::Key_C}},
    {CommandId::Paste, {Qt::CTRL | Qt::Key_V}},
    {CommandId::Delete, {QKeyCombination(Qt::Key_Delete)}},
    {CommandId::Find, {Qt::CTRL | Qt::Key_F}},
    {CommandId::FindNext, {QKeyCombination(Qt::Key_F3)}},
    {CommandId::FindPrevious, {Qt::SHIFT | Qt::Key_F3}},
    {CommandId::XPathQuery, {Qt::CTRL | Qt::SHIFT | Qt::Key_F}},
    {CommandId::Duplicate, {Qt::CTRL | Qt::Key_D}},
    {CommandId::Rename, {QKeyCombination(Qt::Key_F2)}},
    {CommandId::ChangeValue, {Qt::CTRL | Qt::Key_F2}},
    {CommandId::MoveUp, {Qt::CTRL | Qt::Key_Up}},
    {CommandId::MoveDown, {Qt::CTRL | Qt::Key_Down}},
    {CommandId::InsertAttribute, {Qt::CTRL | Qt::SHIFT | Qt::Key_A}},
    {CommandId::InsertElementAsChild, {Qt::CTRL | Qt::Key_E}},
    {CommandId::InsertElementAfter, {Qt::CTRL | Qt::SHIFT | Qt::Key_E}},
    {CommandId::InsertElementBefore, {Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_E}},
    {CommandId::InsertTextAsChild, {Qt::CTRL | Qt::Key_T}},
    {CommandId::InsertTextAfter, {Qt::CTRL | Qt::SHIFT | Qt::Key_T}},
    {CommandId::InsertTextBefore, {Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_T}},
    {CommandId::InsertCommentAsChild, {Qt::CTRL | Qt::Key_M}},
    {CommandId::InsertCommentAfter, {Qt::CTRL | Qt::SHIFT | Qt::Key_M}},
    {CommandId::InsertCommentBefore, {Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_M}},
};

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
        // Menu texts may carry a key after a tab ("&New\tCtrl+N"): the action gets the label
        // alone and the program's own keys, which QMenu shows natively and in every language.
        action = new QAction(item.text.section(u'\t', 0, 0), owner);
        action->setData(item.id);
        action->setProperty(kCommandIdProperty, item.id);
        action->setShortcuts(Shortcuts(item.id));
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

QList<QKeySequence> MenuBuilder::Shortcuts(int commandId)
{
    QList<QKeySequence> keys;
    for (const CommandKeys& entry : kKeys) {
        if (entry.command != commandId)
            continue;
        for (QKeyCombination key : entry.keys) {
            if (key.key() != Qt::Key_unknown)
                keys << QKeySequence(key);
        }
    }
    return keys;
}

QList<int> MenuBuilder::KeyedCommands()
{
    QList<int> commands;
    for (const CommandKeys& entry : kKeys)
        commands << entry.command;
    return commands;
}
