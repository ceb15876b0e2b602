#include "document/DocumentMessages.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/StatusMessageTable.h"

#include <QStringList>

namespace {

// Fills printf-style placeholders (%s, %d) in order. QString::arg would also expand "%1" in
// a path or a message, so the texts are inserted literally; "%%" gives one percent sign.
QString FormatPlaceholders(const QString& pattern, const QStringList& arguments)
{
    QString result;
    result.reserve(pattern.size() + 64);
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'%' && i + 1 < pattern.size()) {
            const QChar kind = pattern[i + 1];
            if (kind == u'%') {
                result += u'%';
                ++i;
                continue;
            }
            if (kind == u's' || kind == u'd') {
                if (next < arguments.size())
                    result += arguments[next];
                ++next;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

} // namespace

QString LoadErrorText(const QString& path, XmlStatus status, int32_t line, int32_t position)
{
    return FormatPlaceholders(LoadText(StringId::LoadError),
                              {path, StatusMessageTable::MessageOf(status), QString::number(line),
                               QString::number(position)});
}

QString SaveErrorText(const QString& path, XmlStatus status)
{
    return FormatPlaceholders(LoadText(StringId::SaveError),
                              {path, StatusMessageTable::MessageOf(status)});
}
