#include "tools/ToolInput.h"

#include "document/FileFingerprint.h"
#include "document/XmlDocument.h"

#include <QFile>
#include <QFileInfo>

namespace {
bool ReadUnchangedFile(const XmlDocument& document, const QString& filePath, QByteArray& text)
{
    if (filePath.isEmpty() || document.IsModified() || document.DiskFingerprint().IsEmpty())
        return false;
    // Only a regular file: opening a FIFO put in its place would wait for a writer.
    const QFileInfo info(filePath);
    if (!info.isFile())
        return false;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError ||
        !FileFingerprint::Of(info, bytes).SameContent(document.DiskFingerprint()))
        return false;
    text = std::move(bytes);
    return true;
}
} // namespace

XmlStatus ToolInputText(const XmlDocument& document, ToolKind kind, const QString& filePath,
                        QByteArray& text)
{
    if (kind == ToolKind::Transform && ReadUnchangedFile(document, filePath, text))
        return XE_OK;
    return document.SerializeDocument(text);
}
