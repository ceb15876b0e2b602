#include "document/XmlReader.h"

#include "document/LibxmlErrorMap.h"
#include "document/SafeXmlParsing.h"

#include <QRegularExpression>

#include <libxml/entities.h>
#include <libxml/hash.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>

#include <climits>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr XmlStatus kOneRootElement = 0xC00CEE3Au;
constexpr XmlStatus kIncorrectDocumentSyntax = 0xC00CEE2Du;
constexpr XmlStatus kElementTypeMatch = 0xC00CEE3Bu;
constexpr XmlStatus kEntityContentNotWellFormed = 0xC00CEE46u;

const char* Chars(const xmlChar* text)
{
    return reinterpret_cast<const char*>(text);
}

bool IsNameStartByte(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

// Names of the entities referenced from an entity's replacement text (`marker` is '&' for
// general entities, '%' for parameter entities); character references are not entities.
std::vector<std::string> ReferencedNames(const xmlChar* content, char marker)
{
    std::vector<std::string> names;
    if (!content)
        return names;
    for (const char* c = Chars(content); *c; ++c) {
        if (*c != marker || c[1] == '#')
            continue;
        const char* end = std::strchr(c + 1, ';');
        if (!end)
            break;
        names.emplace_back(c + 1, end);
        c = end;
    }
    return names;
}

using EntityGraph = std::map<std::string, std::vector<std::string>>;

struct GraphScan {
    EntityGraph* graph;
    char marker;
};

void AddEntity(void* payload, void* data, const xmlChar* name)
{
    auto* entity = static_cast<xmlEntity*>(payload);
    auto* scan = static_cast<GraphScan*>(data);
    if (!entity || !name)
        return;
    // Keys carry the marker: a general and a parameter entity may share a name.
    auto& edges = (*scan->graph)[std::string(1, scan->marker) + Chars(name)];
    for (const std::string& target : ReferencedNames(entity->content, scan->marker))
        edges.push_back(std::string(1, scan->marker) + target);
}

bool HasCycle(const EntityGraph& graph)
{
    // Iterative depth-first search with three colours: a grey node reached again is a cycle.
    std::map<std::string, int> colour; // 0 white, 1 grey, 2 black
    for (const auto& start : graph) {
        if (colour[start.first] != 0)
            continue;
        std::vector<std::pair<std::string, size_t>> stack{{start.first, 0}};
        colour[start.first] = 1;
        while (!stack.empty()) {
            auto& [name, next] = stack.back();
            const auto found = graph.find(name);
            if (found == graph.end() || next >= found->second.size()) {
                colour[name] = 2;
                stack.pop_back();
                continue;
            }
            const std::string target = found->second[next++];
            const int state = colour[target];
            if (state == 1)
                return true;
            if (state == 0 && graph.count(target)) {
                colour[target] = 1;
                stack.emplace_back(target, 0);
            }
        }
    }
    return false;
}

} // namespace

// Hands a document larger than libxml2's int-sized memory input to the parser in pieces.
struct XmlReaderFeeder {
    static int Read(void* context, char* buffer, int length)
    {
        auto* reader = static_cast<XmlReader*>(context);
        const qint64 left = reader->m_data->size() - reader->m_fed;
        const int count = int(std::min<qint64>(left, length));
        std::memcpy(buffer, reader->m_data->constData() + reader->m_fed, size_t(count));
        reader->m_fed += count;
        return count;
    }
    static int Close(void*) { return 0; }
};

XmlReader::XmlReader() = default;

XmlReader::~XmlReader()
{
    ReleaseOwnedValue();
    if (m_reader)
        xmlFreeTextReader(m_reader);
}

bool XmlReader::SetInput(const QByteArray& data, const QString& baseUrl)
{
    SafeXmlParsing::Install();
    ReleaseOwnedValue();
    if (m_reader)
        xmlFreeTextReader(m_reader);
    m_reader = nullptr;
    m_node = nullptr;
    m_nsCursor = nullptr;
    m_attrCursor = nullptr;
    m_nodeType = None;
    m_eof = false;
    m_status = 0;
    m_errorLine = m_errorColumn = -1;
    m_pendingStatus = 0;
    m_pendingVague = false;
    m_pendingLine = m_pendingColumn = -1;
    m_rootClosed = m_sawRoot = false;
    m_data = &data;
    m_fed = 0;

    const QByteArray url = baseUrl.toUtf8();
    const char* urlChars = url.isEmpty() ? nullptr : url.constData();
    if (data.size() <= INT_MAX)
        m_reader = xmlReaderForMemory(data.constData(), int(data.size()), urlChars, nullptr,
                                      SafeXmlParsing::ParseOptions());
    else
        m_reader = xmlReaderForIO(&XmlReaderFeeder::Read, &XmlReaderFeeder::Close, this, urlChars,
                                  nullptr, SafeXmlParsing::ParseOptions());
    if (!m_reader)
        return false;
    xmlTextReaderSetStructuredErrorHandler(m_reader, &XmlReader::OnStructuredError, this);
    m_xmlnsName = Chars(xmlTextReaderConstString(m_reader, BAD_CAST "xmlns"));
    m_refusedAtStart = SafeXmlParsing::RefusedCount();

    int line = -1;
    int column = -1;
    if (const XmlStatus bom = CheckByteOrderMark(data, &line, &column))
        Fail(bom, line, column);
    return true;
}

XmlStatus XmlReader::Fail(XmlStatus status, int line, int column)
{
    m_status = status;
    if (line <= 0 && m_reader) {
        line = xmlTextReaderGetParserLineNumber(m_reader);
        column = xmlTextReaderGetParserColumnNumber(m_reader);
    }
    m_errorLine = line > 0 ? line : -1;
    m_errorColumn = line > 0 && column > 0 ? column : (line > 0 ? 1 : -1);
    m_nodeType = None;
    return status;
}

XmlStatus XmlReader::Read(int* nodeType)
{
    *nodeType = None;
    if (!m_reader)
        return m_status ? m_status : XE_NO_READER;
    if (m_status)
        return m_status;
    if (m_eof)
        return 1;
    ReleaseOwnedValue();
    m_nsCursor = nullptr;
    m_attrCursor = nullptr;

    const int result = xmlTextReaderRead(m_reader);
    // libxml2 treats a refused external entity as absent and goes on without it; what
    // fails after that (an entity it would have declared, say) is only a consequence.
    if (SafeXmlParsing::RefusedCount() != m_refusedAtStart)
        return Fail(XmlError::NoExternalEntityReferences, m_pendingLine, m_pendingColumn);
    if (m_pendingStatus)
        return Fail(m_pendingStatus, m_pendingLine, m_pendingColumn);
    if (result == 0) {
        if (!m_sawRoot)
            return Fail(XmlError::UnexpectedEndOfInput, -1, -1);
        m_eof = true;
        m_node = nullptr;
        m_nodeType = None;
        return 1;
    }
    if (result < 0)
        return Fail(kIncorrectDocumentSyntax, -1, -1); // libxml2 failed without saying why

    m_node = xmlTextReaderCurrentNode(m_reader);
    m_nodeType = xmlTextReaderNodeType(m_reader);
    switch (m_nodeType) {
    case EntityReference:
        // Only an entity libxml2 could not expand stays a reference; never drop it.
        return Fail(XmlError::UndeclaredEntity, m_node ? int(xmlGetLineNo(m_node)) : -1, -1);
    case Element: {
        const int depth = xmlTextReaderDepth(m_reader);
        if (depth >= MaxElementDepth)
            return Fail(XmlError::MaxElementDepth, -1, -1);
        m_sawRoot = true;
        if (depth == 0 && xmlTextReaderIsEmptyElement(m_reader) == 1)
            m_rootClosed = true;
        break;
    }
    case EndElement:
        if (xmlTextReaderDepth(m_reader) == 0)
            m_rootClosed = true;
        break;
    default:
        break;
    }
    *nodeType = m_nodeType;
    return 0;
}

void XmlReader::OnStructuredError(void* self, _xmlError* error)
{
    auto* reader = static_cast<XmlReader*>(self);
    if (!reader || !error || (reader->m_pendingStatus && !reader->m_pendingVague))
        return;
    if (!LibxmlErrorMap::IsFatal(error->domain, error->code, error->level))
        return;
    XmlStatus status = LibxmlErrorMap::StatusOf(error->domain, error->code, error->message);
    auto* context = static_cast<xmlParserCtxt*>(error->ctxt);
    if (error->domain == XML_FROM_PARSER && context) {
        if (error->code == XML_ERR_ENTITY_LOOP) {
            // libxml2 says "loop" for true recursion and for an expansion blow-up alike.
            status = reader->EntityGraphHasCycle(context) ? XmlError::NoRecursion
                                                          : XmlError::MaxEntityExpansion;
        } else if (error->code == XML_ERR_DOCUMENT_END && context->instate == XML_PARSER_EPILOG) {
            // Content after the document element: a second element or stray markup.
            const xmlChar* at = context->input ? context->input->cur : nullptr;
            const bool element = at && at[0] == '<' && IsNameStartByte(at[1]);
            status = element || !at ? kOneRootElement : kIncorrectDocumentSyntax;
        } else if (context->depth > 0 &&
                   (status == XmlError::UnexpectedEndOfInput || status == kElementTypeMatch ||
                    status == kIncorrectDocumentSyntax)) {
            // A syntax fault while expanding an entity: the entity's text is what is broken.
            status = kEntityContentNotWellFormed;
        }
    }
    reader->m_pendingStatus = status;
    reader->m_pendingVague = LibxmlErrorMap::IsVague(error->domain, error->code, error->message);
    reader->m_pendingLine = error->line;
    reader->m_pendingColumn = error->int2;
}

bool XmlReader::EntityGraphHasCycle(void* parserContext) const
{
    auto* context = static_cast<xmlParserCtxt*>(parserContext);
    xmlDoc* doc = context ? context->myDoc : nullptr;
    EntityGraph graph;
    for (xmlDtd* dtd : {doc ? doc->intSubset : nullptr, doc ? doc->extSubset : nullptr}) {
        if (!dtd)
            continue;
        GraphScan general{&graph, '&'};
        if (dtd->entities)
            xmlHashScan(static_cast<xmlHashTable*>(dtd->entities), &AddEntity, &general);
        GraphScan parameter{&graph, '%'};
        if (dtd->pentities)
            xmlHashScan(static_cast<xmlHashTable*>(dtd->pentities), &AddEntity, &parameter);
    }
    return HasCycle(graph);
}

int XmlReader::Depth() const
{
    if (!m_reader || !m_node)
        return 0;
    const int depth = xmlTextReaderDepth(m_reader);
    return (m_nsCursor || m_attrCursor) ? depth + 1 : depth;
}

bool XmlReader::IsEmptyElement() const
{
    return m_reader && m_nodeType == Element && xmlTextReaderIsEmptyElement(m_reader) == 1;
}

const char* XmlReader::PrefixUtf8() const
{
    if (m_nsCursor)
        return m_nsCursor->prefix ? m_xmlnsName : nullptr;
    if (m_attrCursor)
        return m_attrCursor->ns ? Chars(m_attrCursor->ns->prefix) : nullptr;
    if (m_node && m_nodeType == Element && m_node->ns)
        return Chars(m_node->ns->prefix);
    return nullptr;
}

const char* XmlReader::LocalNameUtf8() const
{
    if (m_nsCursor)
        return m_nsCursor->prefix ? Chars(m_nsCursor->prefix) : m_xmlnsName;
    if (m_attrCursor)
        return Chars(m_attrCursor->name);
    if (m_node && (m_nodeType == Element || m_nodeType == EndElement))
        return Chars(m_node->name);
    return m_reader && m_node ? Chars(xmlTextReaderConstLocalName(m_reader)) : nullptr;
}

const char* XmlReader::ValueUtf8() const
{
    if (m_nsCursor)
        return m_nsCursor->href ? Chars(m_nsCursor->href) : "";
    if (m_attrCursor) {
        const xmlNode* child = m_attrCursor->children;
        if (!child)
            return "";
        if (child->type == XML_TEXT_NODE && !child->next)
            return child->content ? Chars(child->content) : "";
        // Rare: a value libxml2 keeps in pieces; assemble it once per attribute.
        auto* self = const_cast<XmlReader*>(this);
        if (!self->m_ownedValue)
            self->m_ownedValue = reinterpret_cast<char*>(
                xmlNodeListGetString(m_attrCursor->doc, m_attrCursor->children, 1));
        return self->m_ownedValue ? self->m_ownedValue : "";
    }
    if (!m_node)
        return nullptr;
    switch (m_nodeType) {
    case Text:
    case CData:
    case Comment:
    case Whitespace:
    case SignificantWhitespace:
        return m_node->content ? Chars(m_node->content) : "";
    case Element:
    case EndElement:
        return "";
    default:
        return Chars(xmlTextReaderConstValue(m_reader));
    }
}

QString XmlReader::Prefix() const
{
    return QString::fromUtf8(PrefixUtf8());
}

QString XmlReader::LocalName() const
{
    return QString::fromUtf8(LocalNameUtf8());
}

QString XmlReader::Value() const
{
    return QString::fromUtf8(ValueUtf8());
}

bool XmlReader::IsInterned(const char* name) const
{
    const xmlDoc* doc = m_node ? m_node->doc : nullptr;
    return name && doc && doc->dict && xmlDictOwns(doc->dict, BAD_CAST name) == 1;
}

int XmlReader::AttributeCount() const
{
    if (!m_node || m_nodeType != Element)
        return 0;
    int count = 0;
    for (const xmlNs* ns = m_node->nsDef; ns; ns = ns->next)
        ++count;
    for (const xmlAttr* attr = m_node->properties; attr; attr = attr->next)
        ++count;
    return count;
}

bool XmlReader::MoveToFirstAttribute()
{
    ReleaseOwnedValue();
    m_nsCursor = nullptr;
    m_attrCursor = nullptr;
    if (!m_node || m_nodeType != Element)
        return false;
    m_nsCursor = m_node->nsDef;
    if (!m_nsCursor)
        m_attrCursor = m_node->properties;
    return m_nsCursor || m_attrCursor;
}

bool XmlReader::MoveToNextAttribute()
{
    ReleaseOwnedValue();
    if (m_nsCursor) {
        m_nsCursor = m_nsCursor->next;
        if (!m_nsCursor)
            m_attrCursor = m_node->properties;
    } else if (m_attrCursor) {
        m_attrCursor = m_attrCursor->next;
    } else {
        return false;
    }
    return m_nsCursor || m_attrCursor;
}

void XmlReader::MoveToElement()
{
    ReleaseOwnedValue();
    m_nsCursor = nullptr;
    m_attrCursor = nullptr;
}

int XmlReader::LineNumber() const
{
    if (m_status)
        return m_errorLine;
    // libxml2 keeps the line where it made the node; the parser itself runs ahead.
    if (m_node)
        return int(xmlGetLineNo(m_node));
    return m_reader ? xmlTextReaderGetParserLineNumber(m_reader) : -1;
}

int XmlReader::LinePosition() const
{
    if (m_status)
        return m_errorColumn;
    // libxml2 records no column for nodes; the parser's column belongs to a later place.
    return m_node ? -1 : (m_reader ? xmlTextReaderGetParserColumnNumber(m_reader) : -1);
}

void XmlReader::ReleaseOwnedValue()
{
    if (m_ownedValue) {
        xmlFree(m_ownedValue);
        m_ownedValue = nullptr;
    }
}

XmlStatus XmlReader::CheckByteOrderMark(const QByteArray& data, int* line, int* column)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype size = data.size();
    enum { Utf8, Utf16Le, Utf16Be } mark;
    qsizetype offset;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        mark = Utf8;
        offset = 3;
    } else if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE &&
               !(size >= 4 && bytes[2] == 0 && bytes[3] == 0)) {
        mark = Utf16Le;
        offset = 2;
    } else if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        mark = Utf16Be;
        offset = 2;
    } else {
        return 0;
    }
    // The XML declaration is ASCII in any encoding the mark allows; read it up to '>'.
    QString declaration;
    const int step = mark == Utf8 ? 1 : 2;
    for (qsizetype i = offset; i + step - 1 < size && declaration.size() < 512; i += step) {
        const unsigned unit = mark == Utf8      ? bytes[i]
                              : mark == Utf16Le ? bytes[i] | (bytes[i + 1] << 8)
                                                : (bytes[i] << 8) | bytes[i + 1];
        declaration.append(QChar(char16_t(unit)));
        if (unit == '>')
            break;
    }
    static const QRegularExpression pattern(
        QStringLiteral(R"(^<\?xml\s[^>]*?\bencoding\s*=\s*["']([^"']*)["'])"));
    const QRegularExpressionMatch match = pattern.match(declaration);
    if (!match.hasMatch())
        return 0;
    const QString name = match.captured(1).toLower();
    const bool fits = mark == Utf8
                          ? (name == u"utf-8" || name == u"utf8")
                          : (name.startsWith(u"utf-16") || name == u"utf16" || name == u"ucs-2" ||
                             name == u"iso-10646-ucs-2" || name == u"unicode");
    if (fits)
        return 0;
    *line = 1;
    *column = int(match.capturedStart(1)) + 1;
    return XmlError::UnableToSwitchEncoding;
}
