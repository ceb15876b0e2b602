#include "tools/ValidationWalk.h"

#include "document/SafeXmlParsing.h"
#include "document/XmlDocument.h"
#include "tools/LibxmlErrorCapture.h"

#include <libxml/tree.h>
#include <libxml/xmlreader.h>

#include <algorithm>
#include <memory>

namespace {

struct ReaderDeleter {
    void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
};

QString Utf8(const xmlChar* text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

// Line of the node the reader stands on. The parser runs ahead of the reader, so the parser's
// own line would overshoot; the node keeps the line where libxml2 created it.
long NodeLine(xmlTextReader* reader)
{
    xmlNode* node = xmlTextReaderCurrentNode(reader);
    return node ? xmlGetLineNo(node) : -1;
}

// The qualified name, as written, of the attribute the place names, or an empty string.
QString NamedAttribute(xmlTextReader* reader, const ValidationErrorPlace& place)
{
    if (place.attributeLocalName.isEmpty())
        return QString();
    QString name;
    for (int more = xmlTextReaderMoveToFirstAttribute(reader); more == 1;
         more = xmlTextReaderMoveToNextAttribute(reader)) {
        if (xmlTextReaderIsNamespaceDecl(reader) == 1)
            continue;
        if (Utf8(xmlTextReaderConstLocalName(reader)) == place.attributeLocalName &&
            Utf8(xmlTextReaderConstNamespaceUri(reader)) == place.attributeNamespace) {
            name = Utf8(xmlTextReaderConstName(reader));
            break;
        }
    }
    xmlTextReaderMoveToElement(reader);
    return name;
}

} // namespace

std::vector<int> ValidationWalk::ChildIndexPath(const QByteArray& text,
                                                const ValidationErrorPlace& place,
                                                QString* attributeName)
{
    std::vector<int> path;
    if (attributeName)
        attributeName->clear();
    if (!place.IsKnown() || text.isEmpty())
        return path;

    SafeXmlParsing::Install();
    LibxmlErrorCapture quiet;
    std::unique_ptr<xmlTextReader, ReaderDeleter> reader(xmlReaderForMemory(
        text.constData(), int(text.size()), nullptr, nullptr, SafeXmlParsing::ParseOptions()));
    if (!reader)
        return path;

    // Each entry counts the children seen so far at one level; -1 means none yet.
    path.push_back(-1);
    int elementsSeen = 0;
    bool pendingEmptyLevel = false;
    bool reached = false;
    while (!reached) {
        // An empty-element tag reports no end of element: its level goes before the next node.
        if (pendingEmptyLevel) {
            path.pop_back();
            pendingEmptyLevel = false;
        }
        if (xmlTextReaderRead(reader.get()) != 1)
            break;
        const int type = xmlTextReaderNodeType(reader.get());
        switch (type) {
        case XML_READER_TYPE_ELEMENT: {
            const bool empty = xmlTextReaderIsEmptyElement(reader.get()) == 1;
            ++path.back();
            const int ordinal = elementsSeen++;
            const int attributes = std::max(0, xmlTextReaderAttributeCount(reader.get()));
            path.push_back(attributes - 1);
            if (place.elementOrdinal >= 0) {
                if (ordinal == place.elementOrdinal) {
                    reached = true;
                    path.back() = -1;
                    if (attributeName)
                        *attributeName = NamedAttribute(reader.get(), place);
                }
            } else if (NodeLine(reader.get()) >= place.line) {
                reached = true;
                path.back() = -1;
            }
            if (!reached && empty)
                pendingEmptyLevel = true;
            break;
        }
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_CDATA:
        case XML_READER_TYPE_COMMENT:
            ++path.back();
            if (place.elementOrdinal < 0 && NodeLine(reader.get()) >= place.line)
                reached = true;
            break;
        case XML_READER_TYPE_END_ELEMENT:
            // The loader stops at an end tag with no open element; so does the count.
            if (path.size() <= 1)
                return {};
            path.pop_back();
            break;
        default:
            // Whitespace, processing instructions, the document type: not in the tree.
            break;
        }
    }
    if (!path.empty() && path.back() == -1)
        path.pop_back();
    if (!reached)
        path.clear();
    return path;
}

NodeIdPath ValidationWalk::ToNodeIdPath(const XmlDocument& document,
                                        const std::vector<int>& indices,
                                        const QString& attributeName)
{
    NodeIdPath ids;
    const XmlNode* current = document.Root();
    for (int index : indices) {
        if (index < 0 || index >= current->ChildCount())
            return ids;
        current = current->ChildAt(index);
        ids.push_back(current->Id());
    }
    if (attributeName.isEmpty() || ids.empty())
        return ids;
    for (const XmlNode* child : *current) {
        if (child->Kind() == XmlNodeKind::Attribute && child->QualifiedName() == attributeName) {
            ids.push_back(child->Id());
            break;
        }
    }
    return ids;
}
