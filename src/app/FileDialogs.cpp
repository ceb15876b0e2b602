#include "app/FileDialogs.h"

QString FileDialogs::ToQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i];
        QString pattern = parts[i + 1];
        if (description.isEmpty())
            break;
        // "*.*" would hide files without an extension.
        pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        pattern.replace(u';', u' ');
        // The patterns shown in a description are ';'-separated, as stored; Qt reads them
        // only when they are separated by spaces.
        if (description.contains(u'('))
            filters << QString(description).replace(u';', u' ');
        else
            filters << QStringLiteral("%1 (%2)").arg(description, pattern);
    }
    return filters.join(QStringLiteral(";;"));
}
