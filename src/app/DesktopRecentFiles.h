#pragma once

#include <QString>

// The desktop's shared list of recently used files (recently-used.xbel in the user's data
// folder), which file choosers and launchers offer. GLib's bookmark file reads it, keeps every
// other program's entries and replaces it atomically; without GLib (Windows) there is no list.
class DesktopRecentFiles {
public:
    static bool IsAvailable();
    // $XDG_DATA_HOME/recently-used.xbel (~/.local/share when it is not set).
    static QString DefaultListPath();
    // Records that this program used the file just now. False, with the reason, when the list
    // cannot be read or written; a list that cannot be read is left as it is.
    static bool Add(const QString& path, QString* error = nullptr,
                    const QString& listPath = DefaultListPath());
};
