#pragma once

#include "TestFiles.h"
#include "document/XmlDocument.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

// Helpers shared by the XML tool tests: sample files and hand-built trees.
namespace ToolsTestData {

inline QString DataPath(const QString& name)
{
    return QStringLiteral(TOVI_SOURCE_DIR "/tests/tools/data/") + name;
}

inline XmlNode* Add(XmlDocument& doc, XmlNode* parent, XmlNodeKind kind, const QString& name,
                    const QString& value = {})
{
    XmlNodeData record;
    record.kind = kind;
    record.localName = name;
    record.value = value;
    return doc.AppendChild(parent, record);
}

inline XmlNode* Element(XmlDocument& doc, XmlNode* parent, const QString& name)
{
    return Add(doc, parent, XmlNodeKind::Element, name);
}

inline XmlNode* Attribute(XmlDocument& doc, XmlNode* parent, const QString& name,
                          const QString& value)
{
    return Add(doc, parent, XmlNodeKind::Attribute, name, value);
}

inline XmlNode* Text(XmlDocument& doc, XmlNode* parent, const QString& value)
{
    return Add(doc, parent, XmlNodeKind::Text, QStringLiteral("#Text"), value);
}

inline XmlNode* Comment(XmlDocument& doc, XmlNode* parent, const QString& value)
{
    return Add(doc, parent, XmlNodeKind::Comment, QStringLiteral("#Comment"), value);
}

// <order> with one <item sku=".." qty=".."/> per pair.
inline XmlNode* BuildOrder(XmlDocument& doc,
                           std::initializer_list<std::pair<const char*, const char*>> items)
{
    XmlNode* order = Element(doc, doc.Root(), QStringLiteral("order"));
    for (const auto& [sku, qty] : items) {
        XmlNode* item = Element(doc, order, QStringLiteral("item"));
        Attribute(doc, item, QStringLiteral("sku"), QString::fromUtf8(sku));
        Attribute(doc, item, QStringLiteral("qty"), QString::fromUtf8(qty));
    }
    return order;
}

} // namespace ToolsTestData
