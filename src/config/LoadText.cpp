#include "config/LoadText.h"

#include "config/StringTable.h"

namespace {
TextOverride& Override()
{
    static TextOverride lookup;
    return lookup;
}
} // namespace

QString LoadText(int id)
{
    if (const TextOverride& lookup = Override()) {
        QString text;
        if (lookup(id, text))
            return text;
    }
    return StringTable::Text(id);
}

void SetTextOverride(TextOverride lookup)
{
    Override() = std::move(lookup);
}

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
