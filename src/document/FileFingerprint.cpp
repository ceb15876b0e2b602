#include "document/FileFingerprint.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

FileFingerprint FileFingerprint::Of(const QFileInfo& info, const QByteArray& bytes)
{
    FileFingerprint print;
    print.m_size = info.size();
    print.m_modified = info.lastModified();
    print.m_hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    return print;
}

FileFingerprint FileFingerprint::OfFile(const QString& path)
{
    // The time is taken before the read: a change during the read then differs next time.
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly) || file.isSequential())
        return {};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    return Of(info, bytes);
}

bool FileFingerprint::SameStat(const QFileInfo& info) const
{
    return !IsEmpty() && info.exists() && info.size() == m_size &&
           info.lastModified() == m_modified;
}
