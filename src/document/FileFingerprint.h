#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstddef>
#include <future>

class QFileInfo;

// What a document last read from or wrote to its file: the size and modification time notice
// a change cheaply, the hash of the bytes tells a real change from a mere touch.
class FileFingerprint {
public:
    FileFingerprint() = default;
    // `info` describes the file as it was when `bytes` were read or written.
    static FileFingerprint Of(const QFileInfo& info, const QByteArray& bytes);
    // The file as it is now, read whole; empty when it is missing or cannot be read.
    static FileFingerprint OfFile(const QString& path);

    // Hashing a large file costs about a tenth of parsing it, so a load or save starts it on
    // another thread beside its own work and takes the fingerprint when both are done.
    class Pending {
    public:
        explicit Pending(const QByteArray& bytes);
        FileFingerprint Finish(const QFileInfo& info);

    private:
        std::future<size_t> m_hash;
    };

    // Nothing known: the document never came from or went to a file.
    bool IsEmpty() const { return !m_known; }
    // The file still shows the size and modification time recorded here.
    bool SameStat(const QFileInfo& info) const;
    bool SameContent(const FileFingerprint& other) const
    {
        return m_known && other.m_known && m_hash == other.m_hash;
    }

private:
    static size_t Hash(const QByteArray& bytes);

    qint64 m_size = -1;
    QDateTime m_modified;
    size_t m_hash = 0;
    bool m_known = false;
};
