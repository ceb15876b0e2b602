#pragma once

#include <QString>

// What the shell asks of the desktop: a document in the default browser, a file shown in the
// file manager, a file noted in the shared recent list. Tests replace it; failures are
// ignored by the callers.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    virtual bool OpenUrl(const QString& url) = 0;
    // Opens the file's folder with the file selected where the file manager can do that.
    virtual bool ShowInFolder(const QString& path) = 0;
    // A file was opened or saved. Stand-ins that keep no such list need not care.
    virtual void NoteRecentlyUsed(const QString&) {}
};
