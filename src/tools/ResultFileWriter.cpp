#include "tools/ResultFileWriter.h"

#include <QByteArray>
#include <QSaveFile>

bool ResultFileWriter::Write(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    // Raw bytes: no line-break translation.
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}
