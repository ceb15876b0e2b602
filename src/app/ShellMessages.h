#pragma once

#include "view/MessageBoxes.h"

#include <QString>

class QWidget;

// The shell's message boxes, through MessageBoxes::Current() and captioned with the
// application title (string 128).
class ShellMessages {
public:
    static MessageBoxes::Answer AskSaveChanges(QWidget* owner, const QString& text);
    // A question whose Yes does what the text asks; No and Cancel both decline.
    static bool AskYes(QWidget* owner, const QString& text);
    static void ShowError(QWidget* owner, const QString& text);
    static void ShowInformation(QWidget* owner, const QString& text);
};
