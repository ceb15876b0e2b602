#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

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

    // Nothing known: the document never came from or went to a file.
    bool IsEmpty() const { return m_hash.isEmpty(); }
    // The file still shows the size and modification time recorded here.
    bool SameStat(const QFileInfo& info) const;
    bool SameContent(const FileFingerprint& other) const
    {
        return !IsEmpty() && m_hash == other.m_hash;
    }

private:
    qint64 m_size = -1;
    QDateTime m_modified;
    QByteArray m_hash;
};
