#pragma once

#include "MemoryClipboard.h"
#include "NodeRecords.h"
#include "document/DocumentObserver.h"
#include "document/XmlDocument.h"

#include <string>
#include <vector>

namespace editing_test {

using ::MemoryClipboard;
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

} // namespace editing_test
