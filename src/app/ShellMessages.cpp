#include "app/ShellMessages.h"

#include "app/ShellText.h"

MessageBoxes::Answer ShellMessages::AskSaveChanges(QWidget* owner, const QString& text)
{
    return MessageBoxes::Current().AskYesNoCancel(owner, ShellText::Get(ShellStringId::ProgramName),
                                                  text);
}

bool ShellMessages::AskYes(QWidget* owner, const QString& text)
{
    return AskSaveChanges(owner, text) == MessageBoxes::Answer::Yes;
}

void ShellMessages::ShowError(QWidget* owner, const QString& text)
{
    MessageBoxes::Current().ShowError(owner, ShellText::Get(ShellStringId::ProgramName), text);
}

void ShellMessages::ShowInformation(QWidget* owner, const QString& text)
{
    MessageBoxes::Current().ShowInformation(owner, ShellText::Get(ShellStringId::ProgramName),
                                            text);
}
