#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Whole-file writes and reads for tests. A write says whether every byte went out; a read of a
// file that cannot be opened gives no bytes.
inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
