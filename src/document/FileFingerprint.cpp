#include "document/FileFingerprint.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

size_t FileFingerprint::Hash(const QByteArray& bytes)
{
    // Only compared with other hashes of this process, never stored: a fixed start value
    // does, and Qt's hash of bytes runs at memory speed, which no cryptographic hash does.
    return qHashBits(bytes.constData(), size_t(bytes.size()), 0);
}

FileFingerprint FileFingerprint::Of(const QFileInfo& info, const QByteArray& bytes)
{
    FileFingerprint print;
    print.m_size = info.size();
    print.m_modified = info.lastModified();
    print.m_hash = Hash(bytes);
    print.m_known = true;
    return print;
}

FileFingerprint::Pending::Pending(const QByteArray& bytes)
    : m_hash(std::async(std::launch::async, [bytes] { return Hash(bytes); }))
{
}

FileFingerprint FileFingerprint::Pending::Finish(const QFileInfo& info)
{
    FileFingerprint print;
    print.m_size = info.size();
    print.m_modified = info.lastModified();
    print.m_hash = m_hash.get();
    print.m_known = true;
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
    return m_known && info.exists() && info.size() == m_size && info.lastModified() == m_modified;
}
