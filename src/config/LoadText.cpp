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
