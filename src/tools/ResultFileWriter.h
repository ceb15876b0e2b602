#pragma once

#include <QByteArray>
#include <QString>

// Writes a transformation result to the file the user chose, as UTF-8 without byte-order
// mark. The file is replaced in one step: a failure leaves no partial file and an existing
// file untouched.
class ResultFileWriter {
public:
    // False when the file cannot be created or written ("Can't create result file.").
    static bool Write(const QString& path, const QByteArray& bytes);
};
