#include "app/SystemDesktopServices.h"

#include "app/DesktopRecentFiles.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#ifdef TOVI_HAVE_QTDBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#endif

SystemDesktopServices::SystemDesktopServices()
{
    m_recentWriter.setMaxThreadCount(1);
}

bool SystemDesktopServices::OpenUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

bool SystemDesktopServices::ShowInFolder(const QString& path)
{
    const QFileInfo file(path);
#ifdef Q_OS_WIN
    return QProcess::startDetached(
        QStringLiteral("explorer.exe"),
        {QStringLiteral("/select,\"%1\"").arg(QDir::toNativeSeparators(file.absoluteFilePath()))});
#else
#ifdef TOVI_HAVE_QTDBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.freedesktop.FileManager1");
    if (bus.isConnected() && bus.interface() &&
        (bus.interface()->isServiceRegistered(service).value() ||
         bus.interface()->activatableServiceNames().value().contains(service))) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                           service, QStringLiteral("ShowItems"));
        call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString()} << QString();
        if (bus.call(call, QDBus::Block, 5000).type() != QDBusMessage::ErrorMessage)
            return true;
    }
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absolutePath()));
#endif
}

void SystemDesktopServices::NoteRecentlyUsed(const QString& path)
{
    m_recentWriter.start([path] { DesktopRecentFiles::Add(path); });
}
