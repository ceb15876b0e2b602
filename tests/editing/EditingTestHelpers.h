#pragma once

#include "NodeRecords.h"
#include "document/DocumentObserver.h"
#include "document/XmlDocument.h"
#include "editing/ClipboardAccess.h"

#include <QHash>
#include <string>
#include <vector>

namespace editing_test {

using ::Record;
using ::RecordingObserver;

inline XmlNode* Add(XmlDocument& doc, XmlNode* parent, XmlNodeKind kind, const QString& local,
                    const QString& value = {}, const QString& prefix = {})
{
    return doc.AppendChild(parent, Record(kind, local, value, prefix));
}

// The subtree as one line: kind, qualified name, value and children, no IDs.
inline std::string Dump(const XmlNode* node)
{
    std::string text = std::to_string(int(node->Kind())) + ":" +
                       node->QualifiedName().toStdString() + "=" + node->Value().toStdString();
    if (node->HasChildren()) {
        text += "(";
        for (const XmlNode* child : *node)
            text += Dump(child) + (child == node->LastChild() ? "" : ",");
        text += ")";
    }
    return text;
}

// A clipboard held in memory, shared like the system one; `refuse` makes it unopenable.
class MemoryClipboard : public ClipboardAccess {
public:
    bool refuse = false;
    QHash<QString, QByteArray> formats;
    QString text;
    bool hasText = false;

    bool HasFormat(const QString& format) const override
    {
        return !refuse && formats.contains(format);
    }
    std::optional<QByteArray> GetData(const QString& format) const override
    {
        if (refuse || !formats.contains(format))
            return std::nullopt;
        return formats.value(format);
    }
    bool SetData(const QString& format, const QByteArray& bytes) override
    {
        if (refuse)
            return false;
        Clear();
        formats.insert(format, bytes);
        return true;
    }
    bool SetText(const QString& value) override
    {
        if (refuse)
            return false;
        Clear();
        text = value;
        hasText = true;
        return true;
    }

private:
    void Clear()
    {
        formats.clear();
        text.clear();
        hasText = false;
    }
};

} // namespace editing_test
