#include "app/ShellText.h"

#include "config/LoadText.h"

QString ShellText::Get(int id)
{
    return LoadText(id);
}

QString ShellText::Format(const QString& templateText, const QStringList& arguments)
{
    QString result;
    result.reserve(templateText.size() + 64);
    qsizetype next = 0;
    for (qsizetype i = 0; i < templateText.size(); ++i) {
        const QChar c = templateText.at(i);
        if (c == u'%' && i + 1 < templateText.size()) {
            const QChar kind = templateText.at(i + 1);
            if (kind == u'%') {
                result += u'%';
                ++i;
                continue;
            }
            if (kind == u's' || kind == u'd') {
                if (next < arguments.size())
                    result += arguments.at(next);
                ++next;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}
