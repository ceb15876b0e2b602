#pragma once

#include "app/DesktopServices.h"

#include <QThreadPool>

// The real desktop: QDesktopServices, the freedesktop FileManager1 call over D-Bus where
// QtDBus is built in, explorer /select on Windows, the shared recent-files list.
class SystemDesktopServices : public DesktopServices {
public:
    SystemDesktopServices();
    bool OpenUrl(const QString& url) override;
    bool ShowInFolder(const QString& path) override;
    // On a thread of its own, one file at a time: the list may be large or on a slow disk,
    // and two writers at once would lose an entry. Pending notes finish before destruction.
    void NoteRecentlyUsed(const QString& path) override;

private:
    QThreadPool m_recentWriter;
};
