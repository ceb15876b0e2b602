#pragma once

#include <QString>

// What the file system or the file's content said when a load or save failed, beyond the
// status: the reason a message adds under the status table's text.
struct FileFailure {
    enum class Kind {
        None,
        Folder,   // the path names a folder
        System,   // the system refused; `systemText` has its words ("Permission denied")
        NoMarkup, // the content starts with something other than markup: no XML at all
        ReadOnly, // a save onto a file that may not be written
    };
    Kind kind = Kind::None;
    QString systemText;

    static FileFailure Of(Kind kind, const QString& systemText = QString())
    {
        return {kind, systemText};
    }
};
