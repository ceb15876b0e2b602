#pragma once

#include <QIcon>
#include <QImage>

// The pictures of the tool-bar buttons and menu commands, drawn in code.
class CommandIcons {
public:
    // The picture of a command, or a null icon for a command without one.
    static QIcon Icon(int commandId);
    // The program's own icon (window, desktop entry) at the given size.
    static QImage ProgramImage(int size);
    static QIcon ProgramIcon();
};
