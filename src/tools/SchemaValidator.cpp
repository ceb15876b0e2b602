#include "tools/SchemaValidator.h"

#include "document/SafeXmlParsing.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "tools/LibxmlErrorCapture.h"

#include <QFile>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include <memory>

namespace {

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct SchemaDeleter {
    void operator()(xmlSchema* schema) const { xmlSchemaFree(schema); }
};
struct ParserContextDeleter {
    void operator()(xmlSchemaParserCtxt* context) const { xmlSchemaFreeParserCtxt(context); }
};
struct ValidContextDeleter {
    void operator()(xmlSchemaValidCtxt* context) const { xmlSchemaFreeValidCtxt(context); }
};

using SchemaHandle = std::unique_ptr<xmlSchema, SchemaDeleter>;

// Reads and compiles the schema; includes and imports resolve relative to its file and
// open from local disk only (the process-wide entity loader refuses the network).
SchemaHandle LoadSchema(const QString& schemaPath)
{
    if (schemaPath.isEmpty())
        return nullptr;
    LibxmlErrorCapture quiet;
    SafeXmlParsing::Install();
    const int refusedBefore = SafeXmlParsing::RefusedCount();
    const QByteArray fileName = QFile::encodeName(schemaPath);
    std::unique_ptr<xmlSchemaParserCtxt, ParserContextDeleter> context(
        xmlSchemaNewParserCtxt(fileName.constData()));
    if (!context)
        return nullptr;
    xmlSchemaSetParserStructuredErrors(context.get(), &LibxmlErrorCapture::OnStructuredError,
                                       &quiet);
    SchemaHandle schema(xmlSchemaParse(context.get()));
    // A refused entity or network import means the schema is not the one its author wrote;
    // libxml2 would only warn and go on with the parts it has.
    if (SafeXmlParsing::RefusedCount() != refusedBefore)
        return nullptr;
    return schema;
}

// The element an error names: attributes and text stand for their element.
const xmlNode* ElementOf(const void* errorNode)
{
    auto* node = static_cast<const xmlNode*>(errorNode);
    while (node && node->type != XML_ELEMENT_NODE) {
        if (node->type != XML_ATTRIBUTE_NODE && node->type != XML_TEXT_NODE &&
            node->type != XML_CDATA_SECTION_NODE)
            return nullptr;
        node = node->parent;
    }
    return node;
}

// The element's index among all elements in document order (the order of their start tags).
int32_t ElementOrdinal(const xmlDoc* doc, const xmlNode* target)
{
    int32_t ordinal = 0;
    const xmlNode* current = doc->children;
    while (current) {
        if (current->type == XML_ELEMENT_NODE) {
            if (current == target)
                return ordinal;
            ++ordinal;
            if (current->children) {
                current = current->children;
                continue;
            }
        }
        while (current && !current->next) {
            current = current->parent;
            if (current == reinterpret_cast<const xmlNode*>(doc))
                current = nullptr;
        }
        if (current)
            current = current->next;
    }
    return -1;
}

// libxml2 names an attribute only in its message: "Element 'e', attribute '{uri}name': ...".
void ParseAttributeName(const QString& message, ValidationErrorPlace& place)
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

} // namespace

void SchemaValidator::Clear()
{
    m_errorText.clear();
    m_place = ValidationErrorPlace();
    m_errorNodePath.clear();
}

XmlStatus SchemaValidator::RunValidation(const XmlDocument& document, const QString& schemaPath)
{
    Clear();
    QByteArray text;
    const XmlStatus status = document.SerializeDocument(text);
    if (status != XE_OK)
        return status;
    return RunValidationOnText(document, text, schemaPath);
}

XmlStatus SchemaValidator::RunValidationOnText(const XmlDocument& document, const QByteArray& text,
                                               const QString& schemaPath)
{
    Clear();
    SafeXmlParsing::Install();
    SchemaHandle schema = LoadSchema(schemaPath);
    if (!schema)
        return XE_SCHEMA_LOAD_FAILED;

    LibxmlErrorCapture capture;
    std::unique_ptr<xmlDoc, DocDeleter> doc(xmlReadMemory(
        text.constData(), int(text.size()), nullptr, nullptr, SafeXmlParsing::ParseOptions()));
    int result = -1;
    if (doc) {
        std::unique_ptr<xmlSchemaValidCtxt, ValidContextDeleter> context(
            xmlSchemaNewValidCtxt(schema.get()));
        if (context) {
            xmlSchemaSetValidStructuredErrors(context.get(), &LibxmlErrorCapture::OnStructuredError,
                                              &capture);
            result = xmlSchemaValidateDoc(context.get(), doc.get());
        }
    }
    if (result == 0)
        return XE_OK;

    // Not valid, or the validator could not run: either way the text is all we can show.
    m_errorText = capture.HasError() ? capture.FirstMessage()
                                     : StatusMessageTable::MessageOf(XE_VALIDATION_FAILED);
    if (capture.HasError()) {
        m_place.line = capture.FirstLine();
        m_place.column = capture.FirstColumn();
        if (doc) {
            if (const xmlNode* element = ElementOf(capture.FirstNode()))
                m_place.elementOrdinal = ElementOrdinal(doc.get(), element);
        }
        ParseAttributeName(m_errorText, m_place);
    }
    if (m_place.IsKnown()) {
        QString attribute;
        const std::vector<int> indices = ValidationWalk::ChildIndexPath(text, m_place, &attribute);
        m_errorNodePath = ValidationWalk::ToNodeIdPath(document, indices, attribute);
    }
    return XE_VALIDATION_FAILED;
}
