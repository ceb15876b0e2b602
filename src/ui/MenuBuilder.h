#pragma once

#include "config/MenuDescription.h"

#include <QKeySequence>
#include <QList>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// Turns menu descriptions (built-in or from the language resource file) into Qt menus. Every
// command action carries its command ID and the program's keys for that command; a key text
// after a tab in the description is not part of the label.
class MenuBuilder {
public:
    // The menu bar: each top-level pop-up becomes a menu, other top-level items actions.
    static QMenuBar* BuildMenuBar(const MenuDescription& menu, QWidget* parent);
    // All top-level items of the description in one menu.
    static QMenu* BuildMenu(const MenuDescription& menu, QWidget* parent);
    // One pop-up item as a menu of its own (the tab and context menus show their first one).
    static QMenu* BuildPopup(const MenuDescription::Item& popup, QWidget* parent);
    static void AddItems(QMenu* menu, const std::vector<MenuDescription::Item>& items);

    // The command ID of an action made here; none for pop-ups, separators and other actions.
    static std::optional<int> CommandId(const QAction* action);
    // The first command action with this ID in a menu or menu bar, searching sub-menus too.
    static QAction* FindCommand(const QWidget* menuOrBar, int commandId);
    // The program's keys for a command, the one menus show first; none for most commands.
    static QList<QKeySequence> Shortcuts(int commandId);
    // Every command that has keys.
    static QList<int> KeyedCommands();

private:
    static QAction* AddItem(QWidget* owner, QMenu* menu, QMenuBar* bar,
                            const MenuDescription::Item& item);
};
