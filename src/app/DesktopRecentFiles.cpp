#include "app/DesktopRecentFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#ifdef TOVI_HAVE_GLIB
#include <glib.h>

#include <memory>
#endif

namespace {

bool Fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

QString DesktopRecentFiles::DefaultListPath()
{
    // The base-directory rule itself, as every other program applies it (QStandardPaths
    // would answer with its own folder while tests run).
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/recently-used.xbel");
}

#ifdef TOVI_HAVE_GLIB

namespace {
// The entry names this program as the desktop entry does, so launchers find it by its id.
constexpr char kApplicationName[] = "tovi-xmleditor";
constexpr char kApplicationExec[] = "tovi-xmleditor %f";
} // namespace

bool DesktopRecentFiles::IsAvailable()
{
    return true;
}

bool DesktopRecentFiles::Add(const QString& path, QString* error, const QString& listPath)
{
    const auto failWith = [error](GError* failure) {
        const QString reason = QString::fromUtf8(failure->message);
        g_error_free(failure);
        return Fail(error, reason);
    };
    const QString absolute = QFileInfo(path).absoluteFilePath();
    GError* failure = nullptr;
    const std::unique_ptr<gchar, decltype(&g_free)> uri(
        g_filename_to_uri(QFile::encodeName(absolute).constData(), nullptr, &failure), g_free);
    if (!uri)
        return failWith(failure);

    const std::unique_ptr<GBookmarkFile, decltype(&g_bookmark_file_free)> list(
        g_bookmark_file_new(), g_bookmark_file_free);
    const QByteArray listFile = QFile::encodeName(listPath);
    // A missing or empty list starts afresh; one that cannot be read is never overwritten.
    if (QFileInfo(listPath).size() > 0 &&
        !g_bookmark_file_load_from_file(list.get(), listFile.constData(), &failure))
        return failWith(failure);

    const QByteArray mime = QMimeDatabase().mimeTypeForFile(absolute).name().toUtf8();
    g_bookmark_file_set_mime_type(list.get(), uri.get(), mime.constData());
    // Adds the entry when it is new, counts one more use and stamps it now.
    g_bookmark_file_add_application(list.get(), uri.get(), kApplicationName, kApplicationExec);

    gsize length = 0;
    const std::unique_ptr<gchar, decltype(&g_free)> data(
        g_bookmark_file_to_data(list.get(), &length, &failure), g_free);
    if (!data)
        return failWith(failure);
    QDir().mkpath(QFileInfo(listPath).absolutePath());
    // Temporary file, flush and rename; readable by the user alone, like the list GTK keeps.
    if (!g_file_set_contents_full(listFile.constData(), data.get(), gssize(length),
                                  G_FILE_SET_CONTENTS_CONSISTENT, 0600, &failure))
        return failWith(failure);
    return true;
}

#else

bool DesktopRecentFiles::IsAvailable()
{
    return false;
}

bool DesktopRecentFiles::Add(const QString&, QString* error, const QString&)
{
    return Fail(error, QStringLiteral("no shared recent-files list on this system"));
}

#endif
