#include "document/FileFingerprint.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

// Only compared with other hashes of this process, never stored: a fixed start value does,
// and Qt's hash of bytes runs at memory speed, which no cryptographic hash does. Chained over
// fixed blocks, so bytes read in pieces hash as they would held whole.
void FileFingerprint::Hasher::Add(const char* bytes, qint64 count)
{
    if (!m_tail.isEmpty()) {
        const qint64 take = std::min(count, qint64(kBlock - m_tail.size()));
        m_tail.append(bytes, qsizetype(take));
        bytes += take;
        count -= take;
        if (m_tail.size() < kBlock)
            return;
        m_hash = qHashBits(m_tail.constData(), size_t(kBlock), m_hash);
        m_tail.clear();
    }
    for (; count >= kBlock; bytes += kBlock, count -= kBlock)
        m_hash = qHashBits(bytes, size_t(kBlock), m_hash);
    m_tail.append(bytes, qsizetype(count));
}

size_t FileFingerprint::Hasher::Result() const
{
    return qHashBits(m_tail.constData(), size_t(m_tail.size()), m_hash);
}

size_t FileFingerprint::Hash(const QByteArray& bytes)
{
    Hasher hasher;
    hasher.Add(bytes.constData(), bytes.size());
    return hasher.Result();
}

FileFingerprint FileFingerprint::Of(const QFileInfo& info, size_t hash)
{
    FileFingerprint print;
    print.m_size = info.size();
    print.m_modified = info.lastModified();
    print.m_hash = hash;
    print.m_known = true;
    return print;
}

FileFingerprint FileFingerprint::Of(const QFileInfo& info, const QByteArray& bytes)
{
    return Of(info, Hash(bytes));
}

FileFingerprint::Pending::Pending(const QByteArray& bytes)
    : m_hash(std::async(std::launch::async, [bytes] { return Hash(bytes); }))
{
}

FileFingerprint FileFingerprint::Pending::Finish(const QFileInfo& info)
{
    return Of(info, m_hash.get());
}

FileFingerprint FileFingerprint::OfFile(const QString& path)
{
    // The time is taken before the read: a change during the read then differs next time.
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly) || file.isSequential())
        return {};
    // In pieces: a large file is never held whole just to be hashed.
    Hasher hasher;
    QByteArray piece(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(piece.data(), piece.size());
        if (got < 0)
            return {};
        if (got == 0)
            break;
        hasher.Add(piece.constData(), got);
    }
    return Of(info, hasher.Result());
}

bool FileFingerprint::SameStat(const QFileInfo& info) const
{
    return m_known && info.exists() && info.size() == m_size && info.lastModified() == m_modified;
}
