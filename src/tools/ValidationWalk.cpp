#include "tools/ValidationWalk.h"

#include "document/SafeXmlParsing.h"
#include "document/XmlDocument.h"
#include "document/XmlWhitespace.h"
#include "tools/LibxmlErrorCapture.h"

#include <libxml/tree.h>
#include <libxml/xmlreader.h>

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>

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

using ReaderPointer = std::unique_ptr<xmlTextReader, ReaderDeleter>;

ReaderPointer OpenReader(const QByteArray& text)
{
    return ReaderPointer(xmlReaderForMemory(text.constData(), int(text.size()), nullptr, nullptr,
                                            SafeXmlParsing::ParseOptions()));
}

std::string_view Utf8View(const xmlChar* text)
{
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// For every element, by its place among all start tags: whether the loader keeps its
// whitespace-only texts, i.e. whether it lies in xml:space="preserve" scope, is mixed (has a
// text that is not whitespace only) or has the whitespace as its only content. The last two
// are known only at the element's end, hence a pass of its own. (libxml2's reader calls
// whitespace "significant" unless xml:space="default" says otherwise, so its node types
// cannot tell.)
std::vector<bool> ElementsKeepingWhitespace(const QByteArray& text)
{
    std::vector<bool> keeps;
    ReaderPointer reader = OpenReader(text);
    if (!reader)
        return keeps;
    struct Open {
        size_t ordinal;
        bool preserve = false;
        bool mixed = false;
        int content = 0;
        int whitespace = 0;
    };
    std::vector<Open> open;
    auto close = [&] {
        const Open& element = open.back();
        keeps[element.ordinal] =
            element.preserve || element.mixed || (element.content == 1 && element.whitespace == 1);
        open.pop_back();
    };
    while (xmlTextReaderRead(reader.get()) == 1) {
        const int type = xmlTextReaderNodeType(reader.get());
        if (type == XML_READER_TYPE_END_ELEMENT) {
            if (!open.empty())
                close();
            continue;
        }
        if (!open.empty()) {
            Open& parent = open.back();
            switch (type) {
            case XML_READER_TYPE_TEXT:
                parent.mixed = true;
                ++parent.content;
                break;
            case XML_READER_TYPE_CDATA:
                parent.mixed = parent.mixed ||
                               !IsXmlWhitespace(Utf8View(xmlTextReaderConstValue(reader.get())));
                ++parent.content;
                break;
            case XML_READER_TYPE_WHITESPACE:
            case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
                ++parent.whitespace;
                ++parent.content;
                break;
            case XML_READER_TYPE_ELEMENT:
            case XML_READER_TYPE_COMMENT:
            case XML_READER_TYPE_PROCESSING_INSTRUCTION:
                ++parent.content;
                break;
            default:
                break;
            }
        }
        if (type == XML_READER_TYPE_ELEMENT) {
            bool preserve = !open.empty() && open.back().preserve;
            if (xmlChar* space = xmlTextReaderGetAttributeNs(reader.get(), BAD_CAST "space",
                                                             XML_XML_NAMESPACE)) {
                const std::string value(reinterpret_cast<const char*>(space));
                preserve = value == "preserve";
                xmlFree(space);
            }
            open.push_back({keeps.size(), preserve});
            keeps.push_back(false);
            if (xmlTextReaderIsEmptyElement(reader.get()) == 1)
                close();
        }
    }
    return keeps;
}

} // namespace

std::vector<int> ValidationWalk::ChildIndexPath(const QByteArray& text,
                                                const ValidationErrorPlace& place,
                                                QString* attributeName)
{
    std::vector<QString> names;
    std::vector<std::vector<int>> paths = ChildIndexPaths(text, {place}, &names);
    if (attributeName)
        *attributeName = names.front();
    return paths.front();
}

std::vector<std::vector<int>>
ValidationWalk::ChildIndexPaths(const QByteArray& text,
                                const std::vector<ValidationErrorPlace>& places,
                                std::vector<QString>* attributeNames)
{
    std::vector<std::vector<int>> paths(places.size());
    if (attributeNames)
        attributeNames->assign(places.size(), QString());
    // The places still to reach: by element ordinal, and by line (in line order).
    std::unordered_multimap<int, size_t> byOrdinal;
    std::vector<size_t> byLine;
    for (size_t i = 0; i < places.size(); ++i) {
        if (places[i].elementOrdinal >= 0)
            byOrdinal.emplace(places[i].elementOrdinal, i);
        else if (places[i].line > 0)
            byLine.push_back(i);
    }
    std::sort(byLine.begin(), byLine.end(),
              [&](size_t a, size_t b) { return places[a].line < places[b].line; });
    size_t nextLine = 0;
    if ((byOrdinal.empty() && byLine.empty()) || text.isEmpty())
        return paths;

    SafeXmlParsing::Install();
    LibxmlErrorCapture quiet;
    const std::vector<bool> keepsWhitespace = ElementsKeepingWhitespace(text);
    ReaderPointer reader = OpenReader(text);
    if (!reader)
        return paths;

    // Each entry counts the children seen so far at one level; -1 means none yet. Beside it,
    // the ordinal of the element whose children the level counts (-1: the top level).
    std::vector<int> path{-1};
    std::vector<int> levelElement{-1};
    // The path of the node just counted: for an element its own level is not part of it.
    const auto reachedPath = [&](bool element) {
        return element ? std::vector<int>(path.begin(), path.end() - 1) : path;
    };
    const auto reachLines = [&](long line, bool element) {
        while (nextLine < byLine.size() && line >= places[byLine[nextLine]].line)
            paths[byLine[nextLine++]] = reachedPath(element);
    };
    int elementsSeen = 0;
    bool pendingEmptyLevel = false;
    while (!byOrdinal.empty() || nextLine < byLine.size()) {
        // An empty-element tag reports no end of element: its level goes before the next node.
        if (pendingEmptyLevel) {
            path.pop_back();
            levelElement.pop_back();
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
            levelElement.push_back(ordinal);
            const auto [first, last] = byOrdinal.equal_range(ordinal);
            for (auto it = first; it != last; ++it) {
                paths[it->second] = reachedPath(true);
                if (attributeNames)
                    (*attributeNames)[it->second] =
                        NamedAttribute(reader.get(), places[it->second]);
            }
            byOrdinal.erase(ordinal);
            reachLines(NodeLine(reader.get()), true);
            if (empty)
                pendingEmptyLevel = true;
            break;
        }
        case XML_READER_TYPE_WHITESPACE:
        case XML_READER_TYPE_SIGNIFICANT_WHITESPACE: {
            // Layout, no node, unless the element keeps its whitespace (see above).
            const int element = levelElement.back();
            if (element < 0 || size_t(element) >= keepsWhitespace.size() ||
                !keepsWhitespace[size_t(element)])
                break;
            ++path.back();
            reachLines(NodeLine(reader.get()), false);
            break;
        }
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_CDATA:
        case XML_READER_TYPE_COMMENT:
        case XML_READER_TYPE_PROCESSING_INSTRUCTION:
            ++path.back();
            reachLines(NodeLine(reader.get()), false);
            break;
        case XML_READER_TYPE_END_ELEMENT:
            // The loader stops at an end tag with no open element; so does the count.
            if (path.size() <= 1)
                return paths;
            path.pop_back();
            levelElement.pop_back();
            break;
        default:
            // The document type and the XML declaration: not in the tree.
            break;
        }
    }
    return paths;
}

std::vector<NodeIdPath> ValidationWalk::NodeIdPaths(const XmlDocument& document,
                                                    const QByteArray& text,
                                                    const std::vector<ValidationErrorPlace>& places)
{
    std::vector<QString> names;
    const std::vector<std::vector<int>> indices = ChildIndexPaths(text, places, &names);
    std::vector<NodeIdPath> paths;
    paths.reserve(places.size());
    for (size_t i = 0; i < places.size(); ++i)
        paths.push_back(ToNodeIdPath(document, indices[i], names[i]));
    return paths;
}

std::vector<int> ValidationWalk::ElementLines(const QByteArray& text, int elementCount)
{
    std::vector<int> lines;
    SafeXmlParsing::Install();
    LibxmlErrorCapture quiet;
    ReaderPointer reader = OpenReader(text);
    while (reader && int(lines.size()) < elementCount && xmlTextReaderRead(reader.get()) == 1) {
        if (xmlTextReaderNodeType(reader.get()) == XML_READER_TYPE_ELEMENT)
            lines.push_back(int(NodeLine(reader.get())));
    }
    return lines;
}

void ValidationWalk::ParseAttributeName(const QString& message, ValidationErrorPlace& place)
{
    static const QString marker = QStringLiteral("', attribute '");
    if (!message.startsWith(QLatin1String("Element '")))
        return;
    // The attribute belongs to the subject, before the first "': " that ends it.
    const qsizetype start = message.indexOf(marker);
    const qsizetype subjectEnd = message.indexOf(QLatin1String("': "));
    if (start < 0 || start > subjectEnd)
        return;
    const qsizetype nameStart = start + marker.size();
    const qsizetype nameEnd = message.indexOf(QLatin1String("': "), nameStart);
    if (nameEnd < 0)
        return;
    QString name = message.mid(nameStart, nameEnd - nameStart);
    if (name.startsWith(u'{')) {
        const qsizetype close = name.indexOf(u'}');
        if (close < 0)
            return;
        place.attributeNamespace = name.mid(1, close - 1);
        name.remove(0, close + 1);
    }
    place.attributeLocalName = name;
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
