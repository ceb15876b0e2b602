#include "ui/QtClipboardAccess.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QClipboard* SystemClipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

} // namespace

QString QtClipboardAccess::MimeType(const QString& format)
{
#ifdef Q_OS_WIN
    return QStringLiteral("application/x-qt-windows-mime;value=\"%1\"").arg(format);
#else
    return format;
#endif
}

bool QtClipboardAccess::HasFormat(const QString& format) const
{
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data && data->hasFormat(MimeType(format));
}

std::optional<QByteArray> QtClipboardAccess::GetData(const QString& format) const
{
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    const QString mime = MimeType(format);
    if (!data || !data->hasFormat(mime))
        return std::nullopt;
    return data->data(mime);
}

bool QtClipboardAccess::SetData(const QString& format, const QByteArray& bytes)
{
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard)
        return false;
    auto* data = new QMimeData;
    data->setData(MimeType(format), bytes);
    clipboard->setMimeData(data); // the clipboard owns it from here on
    return HasFormat(format);
}

bool QtClipboardAccess::SetText(const QString& text)
{
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard)
        return false;
    clipboard->setText(text);
    return true;
}
