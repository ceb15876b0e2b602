#include "tools/ToolRequest.h"

#include "config/LoadText.h"

#include <QDataStream>
#include <QFileInfo>

namespace {

// Bumped whenever the byte form changes; a worker of another build refuses the request.
constexpr quint32 FormatVersion = 1;

QDataStream& operator<<(QDataStream& out, const ValidationErrorPlace& place)
{
    return out << place.line << place.column << place.elementOrdinal << place.attributeNamespace
               << place.attributeLocalName;
}

QDataStream& operator>>(QDataStream& in, ValidationErrorPlace& place)
{
    return in >> place.line >> place.column >> place.elementOrdinal >> place.attributeNamespace >>
           place.attributeLocalName;
}

bool HeaderOk(QDataStream& in)
{
    quint32 version = 0;
    in >> version;
    return version == FormatVersion;
}

} // namespace

ToolKind SchemaKindOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"rng")
        return ToolKind::RelaxNg;
    if (suffix == u"dtd")
        return ToolKind::Dtd;
    return ToolKind::XmlSchema;
}

ToolMessage ToolMessage::Reason(int textId, const QString& argument)
{
    ToolMessage message;
    message.text = argument;
    message.textId = textId;
    return message;
}

QString ToolMessage::DisplayText() const
{
    return textId ? FormatPlaceholders(LoadText(textId), {text}) : text;
}

QByteArray ToolRequest::ToBytes() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << FormatVersion << quint8(kind) << toolPath << documentPath << documentText
        << documentIsFile << memoryLimitBytes;
    return bytes;
}

bool ToolRequest::FromBytes(const QByteArray& bytes, ToolRequest& request)
{
    QDataStream in(bytes);
    if (!HeaderOk(in))
        return false;
    quint8 kind = 0;
    in >> kind >> request.toolPath >> request.documentPath >> request.documentText >>
        request.documentIsFile >> request.memoryLimitBytes;
    if (kind > quint8(ToolKind::Transform))
        return false;
    request.kind = ToolKind(kind);
    return in.status() == QDataStream::Ok;
}

QByteArray ToolOutcome::ToBytes() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << FormatVersion << quint8(status) << qint32(messages.size());
    for (const ToolMessage& message : messages)
        out << message.text << message.file << message.place << qint32(message.textId)
            << message.treePath << message.attributeName << qint32(message.fileLine);
    out << omitted << result;
    return bytes;
}

bool ToolOutcome::FromBytes(const QByteArray& bytes, ToolOutcome& outcome)
{
    QDataStream in(bytes);
    if (!HeaderOk(in))
        return false;
    quint8 status = 0;
    qint32 count = 0;
    in >> status >> count;
    if (status > quint8(ToolStatus::Aborted) || count < 0 || count > MaxMessages)
        return false;
    outcome.status = ToolStatus(status);
    outcome.messages.clear();
    outcome.messages.reserve(count);
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        ToolMessage message;
        qint32 textId = 0;
        qint32 fileLine = -1;
        in >> message.text >> message.file >> message.place >> textId >> message.treePath >>
            message.attributeName >> fileLine;
        message.textId = textId;
        message.fileLine = fileLine;
        outcome.messages.append(message);
    }
    in >> outcome.omitted >> outcome.result;
    return in.status() == QDataStream::Ok;
}
