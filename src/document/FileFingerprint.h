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

    // The hash of bytes that come in pieces: the same whatever the pieces, and the same as
    // Of gives for them held whole.
    class Hasher {
    public:
        void Add(const char* bytes, qint64 count);
        size_t Result() const;

    private:
        static constexpr qsizetype kBlock = 1 << 20;
        size_t m_hash = 0;
        QByteArray m_tail; // short of a block
    };
    // `info` describes the file as it was before its bytes were read.
    static FileFingerprint Of(const QFileInfo& info, size_t hash);

    // Hashing held bytes costs a save about a tenth of writing them, so a save starts it on
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
