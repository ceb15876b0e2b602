#pragma once

#include <QString>
#include <QStringList>

// The naming rules of document tabs: display names, captions, tool-tips, the names of new
// documents, the proposals of the Save as dialog and the window title.
class DocumentNaming {
public:
    static constexpr int CaptionLimit = 30;
    static constexpr int TitleCaptionLimit = 113;
    static constexpr int MaxUntitledNumber = 9999;

    static bool IsSeparator(QChar c);
    // An untitled document's given name; otherwise the part after the last separator
    // (empty when the path has none).
    static QString DisplayName(const QString& path, bool untitled);
    // Long names keep their first 15 and last 16 characters around "...".
    static QString Caption(const QString& displayName, bool modified);
    // The path, and below it the document type declaration without its internal subset when
    // the document has one, so the user sees that a save keeps it.
    static QString ToolTip(const QString& path, bool modified,
                           const QString& documentType = QString());
    // "Untitled", else the first free "Untitled %d", compared without case against the
    // display names of the open tabs; empty when all 9999 are taken.
    static QString NewName(const QStringList& displayNames);

    struct SaveAsProposal {
        QString initialName;
        QString defaultExtension;
    };
    // The file name and its extension, or nothing when the path has no extension after its
    // last separator (or is untitled).
    static SaveAsProposal ProposeSaveAs(const QString& path, bool untitled);

    // "<caption> - <application title>", the caption cut to 113 characters; the
    // application title alone without a tab.
    static QString WindowTitle(const QString& activeCaption, bool hasActiveTab,
                               const QString& applicationTitle);
};
