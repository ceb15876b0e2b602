#include "tools/ResultFileWriter.h"

#include <QByteArray>
#include <QSaveFile>

bool ResultFileWriter::Write(const QString& path, const QString& resultText)
{
    if (path.isEmpty())
        return false;
    const QByteArray bytes = resultText.toUtf8();
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
