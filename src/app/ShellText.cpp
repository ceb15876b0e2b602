#include "app/ShellText.h"

#include "config/LoadText.h"

QString ShellText::Get(int id)
{
    return LoadText(id);
}

QString ShellText::Format(const QString& templateText, const QStringList& arguments)
{
    return FormatPlaceholders(templateText, arguments);
}
