#include "document/DocumentMessages.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/StatusMessageTable.h"

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
