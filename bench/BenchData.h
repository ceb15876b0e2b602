#pragma once

#include <QByteArray>
#include <QString>

// Generated inputs for the benchmarks, written once into the system's temporary folder.
class BenchData {
public:
    // A records-style file: many elements with 3 to 5 attributes and short text, two
    // namespaces, a comment every hundred records.
    static QByteArray Records(qsizetype targetBytes);
    // A document-style file: sections of paragraphs with mixed content.
    static QByteArray Prose(qsizetype targetBytes);
    // Writes the bytes to a file in the temporary folder and returns its path.
    static QString WriteTemp(const QString& name, const QByteArray& bytes);
    // Resident set size of this process in bytes.
    static qint64 ResidentBytes();
    // Bytes the C heap has handed out and not yet got back (0 where the C library cannot
    // tell).
    static qint64 HeapBytes();
    // The floor every load is measured against: a bare xmlTextReader pass over the bytes that
    // looks at every name and value and builds nothing. Returns a checksum of the lengths.
    static size_t ReaderFloorPass(const QByteArray& bytes);
};
