#include "tools/ResultFileName.h"

#include <algorithm>

QString ResultFileName::Propose(const QString& documentPath)
{
    qsizetype separator = documentPath.lastIndexOf(u'/');
#ifdef Q_OS_WIN
    separator = std::max(separator, documentPath.lastIndexOf(u'\\'));
#endif
    const qsizetype dot = documentPath.lastIndexOf(u'.');
    if (separator < 0 || dot < 0 || separator > dot)
        return QString();
    return documentPath.mid(separator + 1, dot - separator - 1);
}
