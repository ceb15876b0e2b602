#include "document/DocumentMessages.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/StatusMessageTable.h"

namespace {

QString WithReason(const QString& text, const FileFailure& failure)
{
    const QString reason = FileFailureText(failure);
    return reason.isEmpty() ? text : text + u'\n' + reason;
}

} // namespace

QString FileFailureText(const FileFailure& failure)
{
    switch (failure.kind) {
    case FileFailure::Kind::None:
        break;
    case FileFailure::Kind::Folder:
        return LoadText(StringId::PathIsFolder);
    case FileFailure::Kind::System:
        return FormatPlaceholders(LoadText(StringId::SystemReason), {failure.systemText});
    case FileFailure::Kind::NoMarkup:
        return LoadText(StringId::NotXmlFile);
    case FileFailure::Kind::ReadOnly:
        return LoadText(StringId::FileReadOnly);
    }
    return QString();
}

QString LoadErrorText(const QString& path, XmlStatus status, int32_t line, int32_t position,
                      const FileFailure& failure)
{
    return WithReason(FormatPlaceholders(LoadText(StringId::LoadError),
                                         {path, StatusMessageTable::MessageOf(status),
                                          QString::number(line), QString::number(position)}),
                      failure);
}

QString SaveErrorText(const QString& path, XmlStatus status, const FileFailure& failure)
{
    return WithReason(FormatPlaceholders(LoadText(StringId::SaveError),
                                         {path, StatusMessageTable::MessageOf(status)}),
                      failure);
}
