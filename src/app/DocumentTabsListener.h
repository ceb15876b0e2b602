#pragma once

#include <QPoint>

// What DocumentTabs tells the main frame, before reacting itself.
class DocumentTabsListener {
public:
    virtual ~DocumentTabsListener() = default;
    virtual void OnTabInserted(int index) = 0;
    virtual void OnTabRemoved(int index) = 0;
    // A tab is about to close; the save prompt that follows may still refuse it.
    virtual void OnTabClosing(int index) = 0;
    virtual void OnActiveTabChanged(int oldIndex, int newIndex) = 0;
    // A right click on a tab of the strip, after it became the active one.
    virtual void OnTabContextMenu(int index, const QPoint& globalPosition) = 0;
    // A command for the main frame to route (a double click on the empty area opens).
    virtual void OnCommandFromTabs(int commandId) = 0;
};
