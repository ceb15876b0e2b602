#pragma once

#include <QIcon>
#include <QImage>

class QPainter;

// The pictures of the tool-bar buttons and menu commands, drawn in code.
class CommandIcons {
public:
    // The picture of a command, or a null icon for a command without one.
    static QIcon Icon(int commandId);
    // The program's own icon (window, desktop entry) at the given size.
    static QImage ProgramImage(int size);
    // Draws the program's picture on a 64 by 64 canvas (scale the painter for other sizes);
    // the packaged icons, bitmaps and scalable, come from this too.
    static void PaintProgram(QPainter& painter);
    static QIcon ProgramIcon();
};
