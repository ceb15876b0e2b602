#pragma once

#include "view/MessageBoxes.h"

// The real message boxes, as modal QMessageBox dialogs over their owner.
class QtMessageBoxes : public MessageBoxes {
public:
    void ShowError(QWidget* owner, const QString& caption, const QString& text) override;
    void ShowInformation(QWidget* owner, const QString& caption, const QString& text) override;
    Answer AskYesNoCancel(QWidget* owner, const QString& caption, const QString& text) override;
};
