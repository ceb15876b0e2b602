// The settings file reader: any file content either opens (and then saves and opens again to
// the same fields) or is refused and then never overwritten, not even by a later Save.
#include "FuzzCheck.h"

#include "config/AppSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {

QString SettingsPath()
{
    static QTemporaryDir folder;
    return folder.filePath(AppSettings::FileName());
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool SameFields(const AppSettings& a, const AppSettings& b)
{
    return a.maximized == b.maximized && a.normalLeft == b.normalLeft &&
           a.normalTop == b.normalTop && a.normalRight == b.normalRight &&
           a.normalBottom == b.normalBottom && a.topToolbarVisible == b.topToolbarVisible &&
           a.bottomToolbarVisible == b.bottomToolbarVisible && a.recentFiles == b.recentFiles &&
           a.language == b.language && a.recentFileListLength == b.recentFileListLength &&
           a.tabsBottom == b.tabsBottom && a.tabsOneOpenDocShow == b.tabsOneOpenDocShow &&
           a.tabsDblClickClose == b.tabsDblClickClose;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = SettingsPath();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size())
            return 0;
    }
    AppSettings settings;
    if (!settings.Open(path)) {
        FUZZ_CHECK(!settings.IsLoaded(), "a refused file stays loaded");
        FUZZ_CHECK(!settings.Save(), "a refused file is saved");
        FUZZ_CHECK(ReadAll(path) == bytes, "a refused file was overwritten");
        return 0;
    }
    FUZZ_CHECK(settings.recentFileListLength >= 0 &&
                   settings.recentFileListLength <= AppSettings::kMaxRecentFileListLength,
               "recent file list length out of range");
    AppSettings::FindDialogState find;
    settings.ReadFindDialog(find, 20);
    FUZZ_CHECK(find.history.size() <= 20, "find history over its limit");
    FUZZ_CHECK(settings.WriteFindDialog(find, 20), "find dialog state written");
    FUZZ_CHECK(settings.Save(), "a loaded file saves");

    AppSettings again;
    FUZZ_CHECK(again.Open(path), "a saved file opens");
    FUZZ_CHECK(SameFields(settings, again), "fields survive save and open");
    AppSettings::FindDialogState findAgain;
    again.ReadFindDialog(findAgain, 20);
    FUZZ_CHECK(findAgain.history == find.history && findAgain.flags == find.flags,
               "find dialog state survives");
    return 0;
}
