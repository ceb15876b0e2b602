#pragma once

class QAction;

// The command ID a menu or tool-bar action carries, so every action routes by its ID.
class CommandAction {
public:
    static int IdOf(const QAction* action);
    static void SetId(QAction* action, int id);
};
