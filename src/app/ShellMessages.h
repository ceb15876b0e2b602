#pragma once

#include "view/MessageBoxes.h"

#include <QString>

class QWidget;

// The shell's message boxes, through MessageBoxes::Current() and captioned with the
// application title (string 128).
class ShellMessages {
public:
    static MessageBoxes::Answer AskSaveChanges(QWidget* owner, const QString& text);
    static void ShowError(QWidget* owner, const QString& text);
    static void ShowInformation(QWidget* owner, const QString& text);
};
