#pragma once

#include "app/DesktopServices.h"

// The real desktop: QDesktopServices, the freedesktop FileManager1 call over D-Bus where
// QtDBus is built in, explorer /select on Windows, the shared recent-files list.
class SystemDesktopServices : public DesktopServices {
public:
    bool OpenUrl(const QString& url) override;
    bool ShowInFolder(const QString& path) override;
    void NoteRecentlyUsed(const QString& path) override;
};
