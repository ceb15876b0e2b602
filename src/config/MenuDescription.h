#pragma once

#include <QString>

#include <vector>

// A menu as the language resource file (or the built-in resources) describe it, free of any
// toolkit; src/ui/MenuBuilder turns it into real menus.
struct MenuDescription {
    struct Item {
        enum class Kind { Command, Separator, Popup };
        Kind kind = Kind::Command;
        int id = 0;   // the command ID (unused for pop-ups and separators)
        QString text; // the label; a tab separates the shortcut text
        bool grayed = false;
        std::vector<Item> children; // a pop-up's items
    };

    int id = 0;
    std::vector<Item> items;

    // The first pop-up item (tab and context menus are shown as their first pop-up), or null.
    const Item* FirstPopup() const
    {
        for (const Item& item : items) {
            if (item.kind == Item::Kind::Popup)
                return &item;
        }
        return nullptr;
    }
};
