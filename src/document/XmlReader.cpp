#include "document/XmlReader.h"

#include "document/FileProgress.h"
#include "document/LibxmlErrorMap.h"
#include "document/SafeXmlParsing.h"
#include "document/XmlWhitespace.h"

#include <QIODevice>
#include <QRegularExpression>

#include <libxml/SAX2.h>
#include <libxml/encoding.h>
#include <libxml/entities.h>
#include <libxml/hash.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
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

bool IsSpace(char c)
{
    return IsXmlSpace(char16_t(c));
}

enum class Scan { Found, NeedMore, Absent };

// Finds the document type declaration in the text of a well-formed document: past a byte-order
// mark, the XML declaration, white space, comments and processing instructions, then from
// "<!DOCTYPE" to the '>' that ends it, minding literals and the internal subset's comments
// and instructions. NeedMore when the text given ends before the answer is known.
Scan FindDocumentType(std::string_view text, size_t* begin, size_t* end)
{
    size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    auto skipTo = [&](size_t from, std::string_view closing) {
        const size_t found = text.find(closing, from);
        return found == std::string_view::npos ? found : found + closing.size();
    };
    for (;;) {
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        if (text.size() - i < 9)
            return Scan::NeedMore;
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("<!DOCTYPE"))
            break;
        if (rest.starts_with("<!--"))
            i = skipTo(i + 4, "-->");
        else if (rest.starts_with("<?"))
            i = skipTo(i + 2, "?>");
        else
            return Scan::Absent;
        if (i == std::string_view::npos)
            return Scan::NeedMore;
    }
    *begin = i;
    i += 9;
    char quote = 0;
    bool subset = false;
    while (i < text.size()) {
        const char c = text[i];
        if (quote) {
            quote = c == quote ? 0 : quote;
            ++i;
        } else if (c == '"' || c == '\'') {
            quote = c;
            ++i;
        } else if (subset && c == '<' && text.substr(i, 4) == "<!--") {
            i = skipTo(i + 4, "-->");
        } else if (subset && c == '<' && text.substr(i, 2) == "<?") {
            i = skipTo(i + 2, "?>");
        } else if (subset) {
            subset = c != ']';
            ++i;
        } else if (c == '>') {
            *end = i + 1;
            return Scan::Found;
        } else {
            subset = c == '[';
            ++i;
        }
        if (i == std::string_view::npos)
            return Scan::NeedMore;
    }
    return Scan::NeedMore;
}

// The names of a start tag's attributes in their order: the text from '<' to where the
// parser stands after the last attribute. Values cannot hold '<', and a well-formed tag needs
// no more care than quotes.
std::vector<std::string_view> TagAttributeNames(const char* tag, const char* end)
{
    std::vector<std::string_view> names;
    const char* c = tag + 1;
    while (c < end && !IsSpace(*c) && *c != '/' && *c != '>')
        ++c;
    for (;;) {
        while (c < end && IsSpace(*c))
            ++c;
        if (c >= end || *c == '/' || *c == '>')
            break;
        const char* name = c;
        while (c < end && !IsSpace(*c) && *c != '=')
            ++c;
        names.emplace_back(name, size_t(c - name));
        while (c < end && *c != '"' && *c != '\'')
            ++c;
        if (c >= end)
            break;
        const char* close = static_cast<const char*>(std::memchr(c + 1, *c, size_t(end - c - 1)));
        if (!close)
            break;
        c = close + 1;
    }
    return names;
}

bool SameName(std::string_view qualified, const char* prefix, const char* localName)
{
    const size_t colon = qualified.find(':');
    if (colon == std::string_view::npos)
        return !prefix && localName && qualified == localName;
    return prefix && localName && qualified.substr(0, colon) == prefix &&
           qualified.substr(colon + 1) == localName;
}

} // namespace

namespace {

// The reader whose slice the parser is working on, should a context libxml2 made for itself
// lack the link to it.
thread_local XmlReader* t_feeding = nullptr;

std::atomic<int> g_sliceBytes{0};
std::atomic<int> g_readBytes{0};

} // namespace

// The SAX callbacks. libxml2 calls them with the parser context (for an entity's replacement
// text, the context parsing that text), whose `_private` leads to the reader.
struct XmlReaderCallbacks {
    static XmlReader* Reader(void* context)
    {
        auto* parser = static_cast<xmlParserCtxt*>(context);
        auto* reader = parser ? static_cast<XmlReader*>(parser->_private) : nullptr;
        return reader ? reader : t_feeding;
    }

    static xmlSAXHandler Handler()
    {
        xmlSAXHandler handler;
        std::memset(&handler, 0, sizeof handler);
        // libxml2's own handling of the document type, entity declarations and lookups stays;
        // only the content comes here, so no tree is built.
        xmlSAXVersion(&handler, 2);
        handler.internalSubset = &InternalSubset;
        handler.startElementNs = &StartElement;
        handler.endElementNs = &EndElement;
        handler.characters = &Characters;
        // The same function for both, so libxml2 never tells whitespace apart by the DTD.
        handler.ignorableWhitespace = &Characters;
        handler.cdataBlock = &CDataBlock;
        handler.comment = &Comment;
        handler.processingInstruction = &ProcessingInstruction;
        handler.reference = &Reference;
        handler.getEntity = &GetEntity;
        handler.getParameterEntity = &GetParameterEntity;
        handler.serror = &OnStructuredError;
        return handler;
    }

    // The declaration's text is taken from the document once it has loaded; libxml2 keeps
    // its own record, which its entity handling needs.
    static void InternalSubset(void* context, const xmlChar* name, const xmlChar* publicId,
                               const xmlChar* systemId)
    {
        xmlSAX2InternalSubset(context, name, publicId, systemId);
        XmlReader* reader = Reader(context);
        reader->EnterLimits(context);
        const xmlParserInput* input = reader->m_context->input;
        const xmlCharEncodingHandler* encoder = input && input->buf ? input->buf->encoder : nullptr;
        reader->m_hasDocumentType = true;
        reader->m_encoding = encoder && encoder->name ? encoder->name : "";
    }

    static void StartElement(void* context, const xmlChar* localName, const xmlChar* prefix,
                             const xmlChar*, int namespaceCount, const xmlChar** namespaces,
                             int attributeCount, int defaultedCount, const xmlChar** attributes)
    {
        XmlReader* reader = Reader(context);
        reader->LeaveLimits(context);
        if (reader->m_pendingStatus)
            return;
        auto* parser = static_cast<xmlParserCtxt*>(context);
        reader->CloseText();
        xmlParserCtxt* main = reader->m_context;
        if (reader->m_depth >= XmlReader::MaxElementDepth) {
            reader->SetPending(XmlError::MaxElementDepth, main->input->line, main->input->col);
            return;
        }
        XmlReader::Node node;
        node.type = XmlReader::Element;
        node.depth = reader->m_depth;
        node.line = main->input->line;
        node.prefix = Chars(prefix);
        node.localName = Chars(localName);
        node.firstAttribute = reader->m_attributes.size();
        // The parser stands on "/>" when the start tag closes the element.
        const xmlChar* at = parser->input ? parser->input->cur : nullptr;
        node.empty = at && at[0] == '/' && at[1] == '>';
        for (int i = 0; i < namespaceCount; ++i) {
            const char* declared = Chars(namespaces[2 * i]);
            const char* uri = Chars(namespaces[2 * i + 1]);
            reader->m_attributes.push_back({declared ? reader->m_xmlnsName : nullptr,
                                            declared ? declared : reader->m_xmlnsName,
                                            reader->AppendValue(uri, uri ? std::strlen(uri) : 0)});
        }
        // Values from the DTD's attribute defaults are no part of the document's text.
        if ((parser->loadsubset & XML_COMPLETE_ATTRS) == 0)
            attributeCount -= defaultedCount;
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar* const* attribute = attributes + 5 * i;
            reader->m_attributes.push_back(
                {Chars(attribute[1]), Chars(attribute[0]),
                 reader->AppendValue(Chars(attribute[3]), size_t(attribute[4] - attribute[3]))});
        }
        // libxml2 reports declarations apart from the other attributes, adds those defaulted
        // by the DTD and leaves out xmlns:xml; only the tag's text tells. A start tag is parsed
        // whole within one slice's work, so its text is still in the input before the parser.
        if (at && parser->input->base) {
            const char* end = Chars(at);
            const char* base = Chars(parser->input->base);
            const char* tag = static_cast<const char*>(memrchr(base, '<', size_t(end - base)));
            if (tag && (namespaceCount > 0 || memmem(tag, size_t(end - tag), "xmlns", 5)))
                reader->OrderAttributes(node.firstAttribute, tag, end);
        }
        node.attributeCount = int(reader->m_attributes.size() - node.firstAttribute);
        reader->Queue(node);
        ++reader->m_depth;
        reader->m_rootStarted = true;
        reader->m_skipEnd = node.empty;
    }

    static void EndElement(void* context, const xmlChar* localName, const xmlChar* prefix,
                           const xmlChar*)
    {
        XmlReader* reader = Reader(context);
        reader->LeaveLimits(context);
        if (reader->m_pendingStatus)
            return;
        reader->CloseText();
        if (--reader->m_depth == 0)
            reader->m_rootEnded = true;
        if (reader->m_skipEnd) {
            reader->m_skipEnd = false;
            return;
        }
        XmlReader::Node node;
        node.type = XmlReader::EndElement;
        node.depth = reader->m_depth;
        node.prefix = Chars(prefix);
        node.localName = Chars(localName);
        node.line = reader->m_context->input->line;
        reader->Queue(node);
    }

    static void Characters(void* context, const xmlChar* text, int length)
    {
        XmlReader* reader = Reader(context);
        reader->LeaveLimits(context);
        if (!reader->m_pendingStatus)
            reader->GatherText(XmlReader::Text, Chars(text), length);
    }

    static void CDataBlock(void* context, const xmlChar* text, int length)
    {
        XmlReader* reader = Reader(context);
        reader->LeaveLimits(context);
        if (!reader->m_pendingStatus)
            reader->GatherCData(static_cast<xmlParserCtxt*>(context), Chars(text), length);
    }

    static void Comment(void* context, const xmlChar* text)
    {
        XmlReader* reader = Reader(context);
        reader->LeaveLimits(context);
        // A comment in the internal DTD subset belongs to the document type, not the tree.
        if (!reader->m_pendingStatus && !static_cast<xmlParserCtxt*>(context)->inSubset)
            reader->QueueMarkup(XmlReader::Comment, "#comment", Chars(text));
    }

    static void ProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data)
    {
        XmlReader* reader = Reader(context);
        reader->LeaveLimits(context);
        // One in the internal subset is part of the document type's text.
        if (!reader->m_pendingStatus && !static_cast<xmlParserCtxt*>(context)->inSubset)
            reader->QueueMarkup(XmlReader::ProcessingInstruction, Chars(target), Chars(data));
    }

    // Every entity reference is looked up first; the place of the one whose external text the
    // loader refused is where the load fails.
    static xmlEntity* GetEntity(void* context, const xmlChar* name)
    {
        XmlReader* reader = Reader(context);
        reader->EnterLimits(context);
        reader->NoteEntityReference();
        // Once the load has failed nothing more is expanded, so a bomb ends at once.
        if (reader->m_pendingStatus)
            return nullptr;
        xmlEntity* entity = xmlSAX2GetEntity(context, name);
        if (entity && entity->etype == XML_INTERNAL_GENERAL_ENTITY)
            reader->CountExpansion(entity->length);
        return entity;
    }

    static xmlEntity* GetParameterEntity(void* context, const xmlChar* name)
    {
        Reader(context)->EnterLimits(context);
        Reader(context)->NoteEntityReference();
        return xmlSAX2GetParameterEntity(context, name);
    }

    // libxml2 keeps a reference only to an entity it could not expand; never drop it.
    static void Reference(void* context, const xmlChar*)
    {
        XmlReader* reader = Reader(context);
        if (!static_cast<xmlParserCtxt*>(context)->inSubset)
            reader->SetPending(XmlError::UndeclaredEntity, reader->m_context->input->line, -1);
    }

    static void OnStructuredError(void* context, xmlError* error)
    {
        XmlReader* reader = Reader(context);
        if (!reader || !error || (reader->m_pendingStatus && !reader->m_pendingVague))
            return;
        if (!LibxmlErrorMap::IsFatal(error->domain, error->code, error->level))
            return;
        XmlStatus status = LibxmlErrorMap::StatusOf(error->domain, error->code, error->message);
        auto* parser = static_cast<xmlParserCtxt*>(error->ctxt);
        if (error->domain == XML_FROM_PARSER && parser) {
            if (error->code == XML_ERR_ENTITY_LOOP) {
                // libxml2 says "loop" for true recursion and for an expansion blow-up alike.
                status = reader->EntityGraphHasCycle(parser) ? XmlError::NoRecursion
                                                             : XmlError::MaxEntityExpansion;
            } else if (error->code == XML_ERR_DOCUMENT_END &&
                       parser->instate == XML_PARSER_EPILOG) {
                // Content after the document element: a second element or stray markup.
                const xmlChar* at = parser->input ? parser->input->cur : nullptr;
                const bool element = at && at[0] == '<' && IsNameStartByte(at[1]);
                status = element || !at ? kOneRootElement : kIncorrectDocumentSyntax;
            } else if (parser->depth > 0 &&
                       (status == XmlError::UnexpectedEndOfInput || status == kElementTypeMatch ||
                        status == kIncorrectDocumentSyntax)) {
                // A syntax fault while expanding an entity: the entity's text is what is broken.
                status = kEntityContentNotWellFormed;
            }
        }
        reader->m_pendingStatus = status;
        reader->m_pendingVague =
            LibxmlErrorMap::IsVague(error->domain, error->code, error->message);
        reader->m_pendingLine = error->line;
        reader->m_pendingColumn = error->int2;
    }
};

XmlReader::XmlReader() = default;

XmlReader::~XmlReader()
{
    Release();
}

void XmlReader::Release()
{
    if (!m_context)
        return;
    if (m_context->myDoc)
        xmlFreeDoc(m_context->myDoc);
    m_context->myDoc = nullptr;
    xmlFreeParserCtxt(m_context);
    m_context = nullptr;
}

namespace {

// Reads from a device go in pieces of this size: few system calls, and a window that fits
// the cache far better than a whole large file.
constexpr qint64 kReadBytes = 4 << 20;
// Bytes kept before the next slice when the window moves on (a UTF-16 slice looks back two).
constexpr qint64 kKeptBehind = 16;
// Of a prolog without a document type, what Beginning keeps.
constexpr qint64 kBeginningBytes = 4096;

} // namespace

bool XmlReader::SetInput(const QByteArray& data, const QString& baseUrl)
{
    m_device = nullptr;
    m_onRead = {};
    m_window = {};
    m_held = data.constData();
    m_heldBase = 0;
    m_heldSize = data.size();
    m_deviceEnded = true;
    return Start(baseUrl);
}

bool XmlReader::SetInput(QIODevice& device, const QString& baseUrl, ReadObserver onRead)
{
    m_device = &device;
    m_onRead = std::move(onRead);
    m_window.clear();
    m_held = nullptr;
    m_heldBase = m_heldSize = 0;
    m_deviceEnded = false;
    return Start(baseUrl);
}

QByteArray XmlReader::Beginning() const
{
    if (!m_prolog.isNull() || !m_held)
        return m_prolog;
    return QByteArray::fromRawData(m_held, qsizetype(m_heldSize));
}

bool XmlReader::Fill(qint64 end)
{
    if (!m_device || m_deviceEnded || end <= HeldEnd())
        return m_readError.isEmpty();
    if (m_rootStarted) {
        // The document type (if any) lies behind: keep the prolog for DocumentTypeText and
        // Beginning, then let the window move on.
        if (m_prolog.isNull())
            m_prolog = QByteArray(m_held, qsizetype(m_hasDocumentType
                                                        ? std::min(m_fed, m_heldSize)
                                                        : std::min(kBeginningBytes, m_heldSize)));
        const qint64 drop = m_fed - kKeptBehind - m_heldBase;
        if (drop > 0) {
            std::memmove(m_window.data(), m_window.data() + drop, size_t(m_heldSize - drop));
            m_heldBase += drop;
            m_heldSize -= drop;
        }
    }
    const int chosen = g_readBytes.load(std::memory_order_relaxed);
    const qint64 want = std::max(end - m_heldBase, m_heldSize + (chosen > 0 ? chosen : kReadBytes));
    if (qint64(m_window.size()) < want)
        m_window.resize(size_t(want));
    m_held = m_window.data();
    while (m_heldSize < want) {
        const qint64 got = m_device->read(m_window.data() + m_heldSize, want - m_heldSize);
        if (got < 0) {
            m_readError = m_device->errorString();
            m_deviceEnded = true;
            return false;
        }
        if (got == 0) {
            m_deviceEnded = true;
            break;
        }
        if (m_onRead)
            m_onRead(m_window.data() + m_heldSize, got);
        m_heldSize += got;
    }
    return true;
}

bool XmlReader::Start(const QString& baseUrl)
{
    SafeXmlParsing::Install();
    Release();
    m_nodes.clear();
    m_attributes.clear();
    m_bytes.assign(1, '\0');
    m_next = 0;
    m_current = m_attributeCursor = SIZE_MAX;
    m_textOpen = m_skipEnd = false;
    m_depth = 0;
    m_nodeType = None;
    m_eof = false;
    m_status = 0;
    m_errorLine = m_errorColumn = -1;
    m_pendingStatus = 0;
    m_pendingVague = false;
    m_pendingLine = m_pendingColumn = -1;
    m_rootEnded = false;
    m_rootStarted = false;
    m_referenceLine = m_referenceColumn = m_refusalLine = m_refusalColumn = -1;
    m_expandedBytes = 0;
    m_hasDocumentType = false;
    m_encoding.clear();
    m_cdataInput = nullptr;
    m_cdataNext = -1;
    m_cdataCr = false;
    m_readError.clear();
    m_prolog = QByteArray();
    m_fed = 0;
    // At least what the encoding is told from and the XML declaration CheckByteOrderMark reads.
    Fill(kBeginningBytes);
    // UTF-16 as libxml2 detects it: by the byte-order mark or by "<?" in two-byte units.
    const auto* start = reinterpret_cast<const unsigned char*>(m_held);
    m_utf16 = 0;
    if (m_heldSize >= 4) {
        if ((start[0] == 0xFF && start[1] == 0xFE && !(start[2] == 0 && start[3] == 0)) ||
            std::memcmp(start, "<\0?\0", 4) == 0)
            m_utf16 = 1;
        else if ((start[0] == 0xFE && start[1] == 0xFF) || std::memcmp(start, "\0<\0?", 4) == 0)
            m_utf16 = 2;
    }
    // libxml2 starts on a document type declaration as soon as it has any '>' after it, even
    // one inside its system literal, and then fails when the literal goes on past the slice;
    // so the declaration goes to the parser whole.
    m_documentTypeEnd = 0;
    if (!m_utf16) {
        size_t typeBegin = 0;
        size_t typeEnd = 0;
        Scan scan;
        while ((scan = FindDocumentType(std::string_view(m_held, size_t(m_heldSize)), &typeBegin,
                                        &typeEnd)) == Scan::NeedMore &&
               !m_deviceEnded && Fill(2 * HeldEnd()))
            ;
        if (scan == Scan::Found)
            m_documentTypeEnd = qint64(typeEnd);
    }
    m_finished = false;

    const QByteArray url = baseUrl.toUtf8();
    static xmlSAXHandler handler = XmlReaderCallbacks::Handler();
    // The first four bytes let libxml2 detect the encoding; the rest follows slice by slice.
    // A shorter text goes in as an ordinary slice: handed over at creation, libxml2 would
    // parse it only together with the end of input and name a cut-off start tag wrongly.
    const int first = m_heldSize >= 4 ? 4 : 0;
    m_context = xmlCreatePushParserCtxt(&handler, nullptr, m_held, first,
                                        url.isEmpty() ? nullptr : url.constData());
    if (!m_context)
        return false;
    m_fed = first;
    m_context->_private = this;
    // Huge mode lifts libxml2's 10 MB bound on a single value (and on names and the input it
    // looks ahead in); EnterLimits puts the ordinary bounds back wherever entities are
    // declared or expanded, since huge mode also switches off libxml2's checks of those.
    xmlCtxtUseOptions(m_context, SafeXmlParsing::ParseOptions() | XML_PARSE_HUGE);
    m_limited = false;
    m_xmlnsName = Chars(xmlDictLookup(m_context->dict, BAD_CAST "xmlns", 5));
    m_xmlName = Chars(xmlDictLookup(m_context->dict, BAD_CAST "xml", 3));
    m_refusedAtStart = SafeXmlParsing::RefusedCount();

    int line = -1;
    int column = -1;
    if (const XmlStatus bom = CheckByteOrderMark(
            QByteArray::fromRawData(m_held, qsizetype(m_heldSize)), &line, &column))
        Fail(bom, line, column);
    return true;
}

XmlStatus XmlReader::Fail(XmlStatus status, int line, int column)
{
    m_status = status;
    if (line <= 0 && m_context && m_context->input) {
        line = m_context->input->line;
        column = m_context->input->col;
    }
    m_errorLine = line > 0 ? line : -1;
    m_errorColumn = line > 0 && column > 0 ? column : (line > 0 ? 1 : -1);
    m_nodeType = None;
    m_current = m_attributeCursor = SIZE_MAX;
    return status;
}

void XmlReader::EnterLimits(void* context)
{
    m_context->options &= ~XML_PARSE_HUGE;
    if (context && context != m_context)
        static_cast<xmlParserCtxt*>(context)->options &= ~XML_PARSE_HUGE;
    m_limited = true;
}

void XmlReader::LeaveLimits(void* context)
{
    // Only the document's own context reports content once an expansion is over (an entity's
    // replacement text is parsed in a context of its own), and expansions end within the
    // slice that started them; the internal subset keeps the bounds to its end.
    if (m_limited && context == m_context && !m_context->inSubset) {
        m_context->options |= XML_PARSE_HUGE;
        m_limited = false;
    }
}

void XmlReader::NoteEntityReference()
{
    NoteRefusal();
    if (m_context->input) {
        m_referenceLine = m_context->input->line;
        m_referenceColumn = m_context->input->col;
    }
}

bool XmlReader::NoteRefusal()
{
    if (SafeXmlParsing::RefusedCount() == m_refusedAtStart)
        return false;
    if (m_refusalLine < 0) {
        m_refusalLine = m_referenceLine;
        m_refusalColumn = m_referenceColumn;
    }
    return true;
}

void XmlReader::CountExpansion(int length)
{
    // libxml2 bounds the text copied from entities only while it builds a tree; without one
    // a large entity referenced many times (a quadratic blow-up) would go on for minutes.
    // The same bound: more than the large-text limit and ten times the text read.
    m_expandedBytes += qint64(std::max(length, 0));
    const xmlParserInput* input = m_context->input;
    const qint64 read = input ? qint64(input->consumed) + (input->cur - input->base) : m_fed;
    if (m_expandedBytes > XML_MAX_TEXT_LENGTH && m_expandedBytes > 10 * read) {
        SetPending(XmlError::MaxEntityExpansion, m_context->input ? m_context->input->line : -1,
                   m_context->input ? m_context->input->col : -1);
        // In huge mode an attribute value is not cut off at 10 MB, so its remaining
        // references would go on being looked up one by one: stop the parse at once.
        xmlStopParser(m_context);
    }
}

void XmlReader::SetPending(XmlStatus status, int line, int column)
{
    if (m_pendingStatus && !m_pendingVague)
        return;
    m_pendingStatus = status;
    m_pendingVague = false;
    m_pendingLine = line;
    m_pendingColumn = column;
}

size_t XmlReader::AppendValue(const char* text, size_t length)
{
    if (!text || length == 0)
        return 0;
    const size_t offset = m_bytes.size();
    m_bytes.insert(m_bytes.end(), text, text + length);
    m_bytes.push_back('\0');
    return offset;
}

void XmlReader::Queue(const Node& node)
{
    m_nodes.push_back(node);
}

void XmlReader::QueueMarkup(int type, const char* localName, const char* text)
{
    CloseText();
    Node node;
    node.type = type;
    node.depth = m_depth;
    node.line = m_context->input->line;
    node.localName = localName;
    node.value = AppendValue(text, text ? std::strlen(text) : 0);
    Queue(node);
}

void XmlReader::GatherText(int type, const char* text, int length)
{
    if (!m_textOpen || m_nodes.back().type != type) {
        CloseText();
        Node node;
        node.type = type;
        node.depth = m_depth;
        node.line = m_context->input->line;
        node.localName = type == CData ? "#cdata-section" : "#text";
        node.value = m_bytes.size();
        m_nodes.push_back(node);
        m_textOpen = true;
    }
    if (text && length > 0)
        m_bytes.insert(m_bytes.end(), text, text + length);
}

void XmlReader::GatherCData(xmlParserCtxt* parser, const char* text, int length)
{
    // libxml2's push parser hands a section over in pieces that lie in its input, the last one
    // right before "]]>"; elsewhere (an empty section, one in an entity's text parsed apart)
    // a section comes whole in one call, with its line breaks already normalised.
    const xmlParserInput* input = parser ? parser->input : nullptr;
    const bool inInput = input && input->base && input->end && text >= Chars(input->base) &&
                         text <= Chars(input->end);
    const qint64 offset = inInput ? qint64(input->consumed) + (text - Chars(input->base)) : -1;
    const bool goesOn = inInput && m_textOpen && m_nodes.back().type == CData &&
                        m_cdataInput == input && m_cdataNext == offset;
    // Sections right after one another still make one text (a writer splits "]]>" so), but
    // each section's line breaks are its own.
    if (!goesOn)
        m_cdataCr = false;
    GatherText(CData, nullptr, 0);
    // Line breaks are normalised per section, as the parser does everywhere else: a CR LF
    // pair split between two pieces of a section is one break, a CR ending one section and an
    // LF starting the next are two.
    for (int i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == '\n' && m_cdataCr) {
            m_cdataCr = false;
            continue;
        }
        m_cdataCr = c == '\r';
        m_bytes.push_back(m_cdataCr ? '\n' : c);
    }
    const bool ends = !inInput || (Chars(input->end) - (text + length) >= 3 &&
                                   std::memcmp(text + length, "]]>", 3) == 0);
    m_cdataInput = ends ? nullptr : input;
    m_cdataNext = ends ? -1 : offset + length;
}

void XmlReader::OrderAttributes(size_t first, const char* tag, const char* end)
{
    const std::vector<std::string_view> names = TagAttributeNames(tag, end);
    std::vector<QueuedAttribute> ordered;
    ordered.reserve(names.size());
    std::vector<bool> taken(m_attributes.size() - first, false);
    size_t others = 0;
    for (size_t i = first; i < m_attributes.size(); ++i)
        others += m_attributes[i].prefix != m_xmlnsName && m_attributes[i].localName != m_xmlnsName;
    size_t othersFound = 0;
    for (const std::string_view name : names) {
        bool found = false;
        for (size_t i = first; i < m_attributes.size() && !found; ++i) {
            const QueuedAttribute& attribute = m_attributes[i];
            if (taken[i - first] || !SameName(name, attribute.prefix, attribute.localName))
                continue;
            taken[i - first] = found = true;
            othersFound += attribute.prefix != m_xmlnsName && attribute.localName != m_xmlnsName;
            ordered.push_back(attribute);
        }
        // libxml2 checks the declaration of the xml prefix and then forgets it.
        if (!found && name == "xmlns:xml") {
            static constexpr std::string_view uri = "http://www.w3.org/XML/1998/namespace";
            ordered.push_back({m_xmlnsName, m_xmlName, AppendValue(uri.data(), uri.size())});
        }
    }
    // Should the tag's text ever not be what the parser read, keep what it reported.
    if (othersFound != others)
        return;
    m_attributes.resize(first);
    m_attributes.insert(m_attributes.end(), ordered.begin(), ordered.end());
}

QString XmlReader::DocumentTypeText() const
{
    const QByteArray source = Beginning();
    if (!m_hasDocumentType || source.isEmpty())
        return QString();
    size_t begin = 0;
    size_t end = 0;
    std::string decoded;
    std::string_view text;
    if (m_encoding.empty()) {
        text = std::string_view(source.constData(), size_t(source.size()));
        if (FindDocumentType(text, &begin, &end) != Scan::Found)
            return QString();
    } else {
        // Decoded with the converter libxml2 used, and only as far as the declaration goes.
        xmlCharEncodingHandler* handler = xmlFindCharEncodingHandler(m_encoding.c_str());
        if (!handler)
            return QString();
        xmlBuffer* in = xmlBufferCreate();
        xmlBuffer* out = xmlBufferCreate();
        qsizetype fed = 0;
        Scan scan = Scan::NeedMore;
        for (qsizetype step = 4096; scan == Scan::NeedMore && fed < source.size(); step *= 2) {
            const qsizetype count = std::min(step, source.size() - fed);
            xmlBufferAdd(in, reinterpret_cast<const xmlChar*>(source.constData() + fed),
                         int(count));
            fed += count;
            int before;
            do {
                before = xmlBufferLength(in);
                if (xmlCharEncInFunc(handler, out, in) == -2)
                    break;
            } while (xmlBufferLength(in) > 0 && xmlBufferLength(in) < before);
            text = std::string_view(Chars(xmlBufferContent(out)), size_t(xmlBufferLength(out)));
            scan = FindDocumentType(text, &begin, &end);
        }
        if (scan == Scan::Found)
            decoded.assign(text.substr(begin, end - begin));
        xmlBufferFree(in);
        xmlBufferFree(out);
        xmlCharEncCloseFunc(handler);
        if (scan != Scan::Found)
            return QString();
        text = decoded;
        begin = 0;
        end = decoded.size();
    }
    std::string normalised;
    normalised.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        if (text[i] != '\r') {
            normalised.push_back(text[i]);
            continue;
        }
        normalised.push_back('\n');
        if (i + 1 < end && text[i + 1] == '\n')
            ++i;
    }
    return QString::fromStdString(normalised);
}

int XmlReader::Standalone() const
{
    return m_context ? m_context->standalone : -1;
}

void XmlReader::CloseText()
{
    if (!m_textOpen)
        return;
    m_textOpen = false;
    Node& node = m_nodes.back();
    const char* text = m_bytes.data() + node.value;
    const char* const end = m_bytes.data() + m_bytes.size();
    if (node.type == Text && IsXmlWhitespace(std::string_view(text, size_t(end - text))))
        node.type = Whitespace;
    m_bytes.push_back('\0');
}

bool XmlReader::NodeReady() const
{
    // A text still being gathered may go on in the next slice.
    return m_next < m_nodes.size() && !(m_textOpen && m_next + 1 == m_nodes.size());
}

void XmlReader::Compact()
{
    if (m_next == 0)
        return;
    m_attributes.clear();
    if (m_textOpen) {
        Node open = m_nodes.back();
        const size_t length = m_bytes.size() - open.value;
        std::memmove(m_bytes.data() + 1, m_bytes.data() + open.value, length);
        m_bytes.resize(1 + length);
        open.value = 1;
        m_nodes.assign(1, open);
    } else {
        m_nodes.clear();
        m_bytes.resize(1);
    }
    m_next = 0;
}

void XmlReader::SetSliceBytes(int bytes)
{
    g_sliceBytes.store(std::max(bytes, 0), std::memory_order_relaxed);
}

void XmlReader::SetReadBytes(int bytes)
{
    g_readBytes.store(std::max(bytes, 0), std::memory_order_relaxed);
}

int XmlReader::Feed()
{
    LeaveLimits(m_context);
    // Small enough that the queued nodes stay in the cache, large enough that the parser's
    // own per-call work does not count. Text in another encoding goes in small slices (and
    // so does the first, which names the encoding): a byte sequence the converter refuses
    // fails the whole slice, which then is all the failure can point at.
    const bool converted =
        m_context->input && m_context->input->buf && m_context->input->buf->encoder;
    const int chosen = g_sliceBytes.load(std::memory_order_relaxed);
    qint64 slice = chosen > 0 ? chosen : converted || m_fed <= 4 ? 512 : 64 * 1024;
    // On every slice libxml2 looks back through all it holds unparsed for the last '<'; in a
    // long start tag, comment or CDATA section that is the whole value so far. Slices at least
    // that long keep the load of a large value linear rather than quadratic.
    if (chosen <= 0 && m_context->input)
        slice = std::max(slice, qint64(m_context->input->end - m_context->input->cur));
    const qint64 wanted = std::max(slice, m_documentTypeEnd - m_fed);
    // Two bytes more than the slice, for the look past its end below.
    if (!Fill(m_fed + wanted + 2))
        return XML_ERR_OK;
    const qint64 left = HeldEnd() - m_fed;
    if (left == 0) {
        // The end of input on its own, after all the text: a slice carrying the end as well
        // makes libxml2 give up on an internal DTD subset it has not seen the end of yet.
        m_finished = true;
        XmlReader* const outer = std::exchange(t_feeding, this);
        const int result = xmlParseChunk(m_context, nullptr, 0, 1);
        t_feeding = outer;
        return result;
    }
    int count = int(std::min(left, wanted));
    if (m_utf16) {
        // libxml2 takes a CR at the end of what it has as a line break of its own, so a CR LF
        // pair cut between two slices would count twice: never end a slice after a CR unit.
        const qint64 aligned = (m_fed + count) & ~qint64(1);
        const char* unit = HeldAt(aligned - 2);
        const bool cr = aligned >= 2 && (m_utf16 == 1 ? unit[0] == '\r' && unit[1] == 0
                                                      : unit[0] == 0 && unit[1] == '\r');
        if (cr)
            count = int(std::min(left, aligned + 2 - m_fed));
    }
    XmlReader* const outer = std::exchange(t_feeding, this);
    const int result = xmlParseChunk(m_context, HeldAt(m_fed), count, 0);
    t_feeding = outer;
    m_fed += count;
    return result;
}

XmlStatus XmlReader::Read(int* nodeType)
{
    *nodeType = None;
    if (!m_context)
        return m_status ? m_status : XE_NO_READER;
    if (m_status)
        return m_status;
    if (m_eof)
        return 1;
    m_current = m_attributeCursor = SIZE_MAX;
    while (!NodeReady()) {
        if (m_finished) {
            CloseText();
            if (m_next < m_nodes.size())
                break;
            // Whatever stopped libxml2 early without a word, a document is only whole once
            // its document element has ended.
            if (!m_rootEnded)
                return Fail(XmlError::UnexpectedEndOfInput, -1, -1);
            m_eof = true;
            m_nodeType = None;
            return 1;
        }
        Compact();
        if (m_progress) {
            if (m_progress->IsCancelled())
                return Fail(XE_CANCELLED, -1, -1);
            m_progress->SetDone(m_progressBase + m_fed);
        }
        const int result = Feed();
        if (!m_readError.isEmpty())
            return Fail(XE_CANNOT_OPEN_FILE, -1, -1);
        // libxml2 treats a refused external entity as absent and goes on without it; what
        // fails after that (an entity it would have declared, say) is only a consequence.
        // libxml2 stops, or goes on with a consequence, when bytes do not convert from their
        // encoding; the bytes are the fault.
        const bool unconverted = result == XML_PARSER_EOF || result == XML_ERR_INVALID_ENCODING ||
                                 (m_context->input && m_context->input->buf &&
                                  m_context->input->buf->error == XML_IO_ENCODER);
        if (unconverted)
            return Fail(XmlError::IllegalXmlCharacter, -1, -1);
        if (NoteRefusal())
            return Fail(XmlError::NoExternalEntityReferences, m_refusalLine, m_refusalColumn);
        if (m_pendingStatus)
            return Fail(m_pendingStatus, m_pendingLine, m_pendingColumn);
        if (!m_context->wellFormed)
            return Fail(kIncorrectDocumentSyntax, -1, -1); // libxml2 failed without saying why
    }
    m_current = m_next++;
    m_nodeType = m_nodes[m_current].type;
    *nodeType = m_nodeType;
    return 0;
}

const XmlReader::Node* XmlReader::Current() const
{
    return m_current < m_nodes.size() ? &m_nodes[m_current] : nullptr;
}

bool XmlReader::EntityGraphHasCycle(void* parserContext) const
{
    auto* context = static_cast<xmlParserCtxt*>(parserContext);
    xmlDoc* doc = context && context->myDoc ? context->myDoc : m_context->myDoc;
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
    const Node* node = Current();
    if (!node)
        return 0;
    return m_attributeCursor != SIZE_MAX ? node->depth + 1 : node->depth;
}

bool XmlReader::IsEmptyElement() const
{
    const Node* node = Current();
    return node && node->type == Element && node->empty;
}

const char* XmlReader::PrefixUtf8() const
{
    if (m_attributeCursor != SIZE_MAX)
        return m_attributes[m_attributeCursor].prefix;
    const Node* node = Current();
    return node && (node->type == Element || node->type == EndElement) ? node->prefix : nullptr;
}

const char* XmlReader::LocalNameUtf8() const
{
    if (m_attributeCursor != SIZE_MAX)
        return m_attributes[m_attributeCursor].localName;
    const Node* node = Current();
    return node ? node->localName : nullptr;
}

const char* XmlReader::ValueUtf8() const
{
    if (m_attributeCursor != SIZE_MAX)
        return ValueAt(m_attributes[m_attributeCursor].value);
    const Node* node = Current();
    return node ? ValueAt(node->value) : nullptr;
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
    return name && m_context && m_context->dict &&
           xmlDictOwns(m_context->dict, reinterpret_cast<const xmlChar*>(name)) == 1;
}

int XmlReader::AttributeCount() const
{
    const Node* node = Current();
    return node && node->type == Element ? node->attributeCount : 0;
}

bool XmlReader::MoveToFirstAttribute()
{
    m_attributeCursor = SIZE_MAX;
    const Node* node = Current();
    if (!node || node->type != Element || node->attributeCount == 0)
        return false;
    m_attributeCursor = node->firstAttribute;
    return true;
}

bool XmlReader::MoveToNextAttribute()
{
    const Node* node = Current();
    if (m_attributeCursor == SIZE_MAX || !node)
        return false;
    if (++m_attributeCursor >= node->firstAttribute + size_t(node->attributeCount)) {
        m_attributeCursor = SIZE_MAX;
        return false;
    }
    return true;
}

void XmlReader::MoveToElement()
{
    m_attributeCursor = SIZE_MAX;
}

int XmlReader::LineNumber() const
{
    if (m_status)
        return m_errorLine;
    if (const Node* node = Current())
        return node->line;
    return m_context && m_context->input ? m_context->input->line : -1;
}

int XmlReader::LinePosition() const
{
    if (m_status)
        return m_errorColumn;
    // Nodes keep no column; the parser's column belongs to a later place.
    if (Current())
        return -1;
    return m_context && m_context->input ? m_context->input->col : -1;
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
