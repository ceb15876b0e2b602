#pragma once

#include <QString>
#include <QStringList>

// Texts of the shell by string ID, and the printf-style formatting their templates use.
class ShellText {
public:
    // The text through LoadText (the language first, the built-in table second).
    static QString Get(int id);
    // Replaces "%s" and "%d" from left to right with the arguments ("%%" gives "%").
    static QString Format(const QString& templateText, const QStringList& arguments);
    static QString Format(int id, const QStringList& arguments)
    {
        return Format(Get(id), arguments);
    }
};

// String IDs of the shell.
namespace ShellStringId {
constexpr int ProgramName = 128;
constexpr int SavePrompt = 130;
constexpr int OpenFilter = 204;
constexpr int SaveFilter = 205;
constexpr int RecentFiles = 206;
constexpr int OpenHint = 207;
constexpr int RecentMissing = 209;
constexpr int Untitled = 213;
constexpr int UntitledNumbered = 214;
constexpr int RestartToApply = 221;
constexpr int TextNotFound = 222;
constexpr int XsltFilter = 223;
constexpr int Languages = 40500;
constexpr int ReloadPrompt = 40600;
constexpr int ReloadModifiedPrompt = 40601;
constexpr int OverwritePrompt = 40602;
constexpr int DeletedCaption = 40603;
constexpr int DeletedToolTip = 40604;
constexpr int OpenInOtherTab = 40605;
} // namespace ShellStringId
