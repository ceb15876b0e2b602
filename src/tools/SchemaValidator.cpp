#include "tools/SchemaValidator.h"

#include "config/StringTable.h"
#include "document/SafeXmlParsing.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "tools/LibxmlErrorCapture.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <libxml/catalog.h>
#include <libxml/parser.h>
#include <libxml/relaxng.h>
#include <libxml/tree.h>
#include <libxml/uri.h>
#include <libxml/valid.h>
#include <libxml/xmlschemas.h>

#include <memory>

namespace {

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct DtdDeleter {
    void operator()(xmlDtd* dtd) const { xmlFreeDtd(dtd); }
};
struct XmlFree {
    void operator()(xmlChar* text) const { xmlFree(text); }
};
using DocHandle = std::unique_ptr<xmlDoc, DocDeleter>;
using DtdHandle = std::unique_ptr<xmlDtd, DtdDeleter>;
using XmlString = std::unique_ptr<xmlChar, XmlFree>;

QString Utf8(const xmlChar* text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

// A schema, DTD or RELAX NG grammar that compiled, and its validation of a document.
class Grammar {
public:
    virtual ~Grammar() = default;
    // 0 valid, > 0 invalid, < 0 the validator could not run.
    virtual int Validate(xmlDoc* doc, LibxmlErrorCapture& capture) = 0;
};

class XmlSchemaGrammar : public Grammar {
public:
    explicit XmlSchemaGrammar(xmlSchema* schema) : m_schema(schema) {}
    ~XmlSchemaGrammar() override { xmlSchemaFree(m_schema); }
    int Validate(xmlDoc* doc, LibxmlErrorCapture& capture) override
    {
        xmlSchemaValidCtxt* context = xmlSchemaNewValidCtxt(m_schema);
        if (!context)
            return -1;
        xmlSchemaSetValidStructuredErrors(context, &LibxmlErrorCapture::OnStructuredError,
                                          &capture);
        const int result = xmlSchemaValidateDoc(context, doc);
        xmlSchemaFreeValidCtxt(context);
        return result;
    }

private:
    xmlSchema* m_schema;
};

class RelaxNgGrammar : public Grammar {
public:
    explicit RelaxNgGrammar(xmlRelaxNG* schema) : m_schema(schema) {}
    ~RelaxNgGrammar() override { xmlRelaxNGFree(m_schema); }
    int Validate(xmlDoc* doc, LibxmlErrorCapture& capture) override
    {
        xmlRelaxNGValidCtxt* context = xmlRelaxNGNewValidCtxt(m_schema);
        if (!context)
            return -1;
        xmlRelaxNGSetValidStructuredErrors(context, &LibxmlErrorCapture::OnStructuredError,
                                           &capture);
        const int result = xmlRelaxNGValidateDoc(context, doc);
        xmlRelaxNGFreeValidCtxt(context);
        return result;
    }

private:
    xmlRelaxNG* m_schema;
};

// A DTD; without one of its own (the document type), only the internal subset is checked.
class DtdGrammar : public Grammar {
public:
    explicit DtdGrammar(xmlDtd* dtd, bool external) : m_dtd(dtd), m_external(external) {}
    int Validate(xmlDoc* doc, LibxmlErrorCapture&) override
    {
        // Validity errors go to the structured handler the capture installed.
        std::unique_ptr<xmlValidCtxt, decltype(&xmlFreeValidCtxt)> context(xmlNewValidCtxt(),
                                                                           &xmlFreeValidCtxt);
        if (!context)
            return -1;
        if (m_external)
            return xmlValidateDtd(context.get(), doc, m_dtd.get()) == 1 ? 0 : 1;
        // The document's own external subset, loaded by us; the document frees it.
        doc->extSubset = m_dtd.release();
        return xmlValidateDocument(context.get(), doc) == 1 ? 0 : 1;
    }

private:
    DtdHandle m_dtd;
    bool m_external;
};

// Parses a DTD file (with the modules it pulls in as parameter entities).
DtdHandle ParseDtd(const xmlChar* publicId, const QByteArray& systemId)
{
    const SafeXmlParsing::DtdModules modules;
    return DtdHandle(xmlParseDTD(publicId, reinterpret_cast<const xmlChar*>(systemId.constData())));
}

// Where the document type's external subset is: the system XML catalog first, else the
// system identifier relative to the document. Never the network.
bool LocateExternalSubset(const xmlDtd* subset, const QByteArray& documentUrl, QByteArray& location,
                          ToolMessage& reason)
{
    XmlString resolved(xmlCatalogResolve(subset->ExternalID, subset->SystemID));
    if (!resolved && subset->SystemID) {
        if (documentUrl.isEmpty() && !xmlStrchr(subset->SystemID, ':') &&
            subset->SystemID[0] != '/') {
            reason.textId = StringId::UntitledRelativeReference;
            reason.text = Utf8(subset->SystemID);
            return false;
        }
        resolved.reset(xmlBuildURI(subset->SystemID,
                                   reinterpret_cast<const xmlChar*>(documentUrl.constData())));
    }
    if (!resolved) {
        reason.textId = StringId::DtdNotFound;
        reason.text = Utf8(subset->ExternalID);
        return false;
    }
    location = QByteArray(reinterpret_cast<const char*>(resolved.get()));
    if (SafeXmlParsing::IsNetworkUrl(location.constData())) {
        reason.textId = StringId::NetworkNotUsed;
        reason.text = QString::fromUtf8(location);
        return false;
    }
    return true;
}

} // namespace

void SchemaValidator::Clear()
{
    m_messages.clear();
    m_omitted = 0;
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
    const XmlStatus status = Run(ToolKind::XmlSchema, text, schemaPath);
    if (status == XE_VALIDATION_FAILED && m_place.IsKnown())
        m_errorNodePath = ValidationWalk::NodeIdPaths(document, text, {m_place}).front();
    return status;
}

XmlStatus SchemaValidator::Run(ToolKind kind, const QByteArray& text, const QString& schemaPath,
                               const QString& documentPath)
{
    Clear();
    SafeXmlParsing::Install();
    LibxmlErrorCapture capture;
    capture.SetErrorLimit(ToolOutcome::MaxMessages);
    const auto takeMessages = [&] {
        m_messages = capture.ErrorMessages();
        m_omitted = capture.ErrorCount() - capture.Errors().size();
    };
    const auto loadFailed = [&](int textId = 0, const QString& argument = {}) {
        takeMessages();
        if (textId)
            m_messages.append(ToolMessage::Reason(textId, argument));
        return XE_SCHEMA_LOAD_FAILED;
    };
    const QByteArray schemaFile = QFile::encodeName(schemaPath);
    const QByteArray documentUrl = QFile::encodeName(documentPath);
    const int refusedBefore = SafeXmlParsing::RefusedCount();

    DocHandle doc(xmlReadMemory(text.constData(), int(text.size()),
                                documentUrl.isEmpty() ? nullptr : documentUrl.constData(), nullptr,
                                SafeXmlParsing::ParseOptions()));
    if (!doc) {
        takeMessages();
        return XE_VALIDATION_NOT_RUN;
    }

    // Grammars read their files as top-level loads: includes resolve relative to them and open
    // from local disk only.
    std::unique_ptr<Grammar> grammar;
    switch (kind) {
    case ToolKind::XmlSchema: {
        if (schemaPath.isEmpty())
            return loadFailed();
        std::unique_ptr<xmlSchemaParserCtxt, decltype(&xmlSchemaFreeParserCtxt)> context(
            xmlSchemaNewParserCtxt(schemaFile.constData()), &xmlSchemaFreeParserCtxt);
        if (!context)
            return loadFailed();
        xmlSchemaSetParserStructuredErrors(context.get(), &LibxmlErrorCapture::OnStructuredError,
                                           &capture);
        if (xmlSchema* schema = xmlSchemaParse(context.get()))
            grammar = std::make_unique<XmlSchemaGrammar>(schema);
        break;
    }
    case ToolKind::RelaxNg: {
        if (schemaPath.isEmpty())
            return loadFailed();
        std::unique_ptr<xmlRelaxNGParserCtxt, decltype(&xmlRelaxNGFreeParserCtxt)> context(
            xmlRelaxNGNewParserCtxt(schemaFile.constData()), &xmlRelaxNGFreeParserCtxt);
        if (!context)
            return loadFailed();
        xmlRelaxNGSetParserStructuredErrors(context.get(), &LibxmlErrorCapture::OnStructuredError,
                                            &capture);
        if (xmlRelaxNG* schema = xmlRelaxNGParse(context.get()))
            grammar = std::make_unique<RelaxNgGrammar>(schema);
        break;
    }
    case ToolKind::Dtd:
        if (schemaPath.isEmpty())
            return loadFailed();
        if (DtdHandle dtd = ParseDtd(nullptr, schemaFile))
            grammar = std::make_unique<DtdGrammar>(dtd.release(), true);
        break;
    case ToolKind::DocumentType: {
        const xmlDtd* subset = doc->intSubset;
        if (!subset)
            return loadFailed(StringId::NoDocumentType);
        DtdHandle external;
        if (subset->SystemID || subset->ExternalID) {
            QByteArray location;
            ToolMessage reason;
            if (!LocateExternalSubset(subset, documentUrl, location, reason))
                return loadFailed(reason.textId, reason.text);
            external = ParseDtd(subset->ExternalID, location);
            if (!external)
                return loadFailed(StringId::DtdUnreadable, QString::fromUtf8(location));
        }
        grammar = std::make_unique<DtdGrammar>(external.release(), false);
        break;
    }
    case ToolKind::Transform:
        return loadFailed();
    }
    // A refused entity or network import means the grammar is not the one its author wrote;
    // libxml2 would only warn and go on with the parts it has. Any error while compiling
    // means the same.
    if (!grammar || capture.HasError() || SafeXmlParsing::RefusedCount() != refusedBefore)
        return loadFailed(
            SafeXmlParsing::RefusedCount() != refusedBefore ? StringId::ReferenceRefused : 0,
            QFileInfo(schemaPath).fileName());

    const int result = grammar->Validate(doc.get(), capture);
    if (result == 0 && !capture.HasError())
        return XE_OK;
    takeMessages();
    // libxml2 names the element it checked; its place among all start tags pins the node.
    QHash<const void*, int32_t> ordinals;
    const auto elementOf = [](const void* errorNode) -> const xmlNode* {
        auto* node = static_cast<const xmlNode*>(errorNode);
        while (node && node->type != XML_ELEMENT_NODE) {
            if (node->type != XML_ATTRIBUTE_NODE && node->type != XML_TEXT_NODE &&
                node->type != XML_CDATA_SECTION_NODE)
                return nullptr;
            node = node->parent;
        }
        return node;
    };
    int32_t ordinal = 0;
    for (const xmlNode* node = xmlDocGetRootElement(doc.get()); node;) {
        ordinals.insert(node, ordinal++);
        if (const xmlNode* child = xmlFirstElementChild(const_cast<xmlNode*>(node))) {
            node = child;
            continue;
        }
        while (node) {
            if (const xmlNode* next = xmlNextElementSibling(const_cast<xmlNode*>(node))) {
                node = next;
                break;
            }
            node = node->parent && node->parent->type == XML_ELEMENT_NODE ? node->parent : nullptr;
        }
    }
    const std::vector<LibxmlErrorCapture::Error>& errors = capture.Errors();
    for (qsizetype i = 0; i < m_messages.size() && size_t(i) < errors.size(); ++i) {
        ToolMessage& message = m_messages[i];
        if (const xmlNode* element = elementOf(errors[size_t(i)].node))
            message.place.elementOrdinal = ordinals.value(element, -1);
        ValidationWalk::ParseAttributeName(message.text, message.place);
    }
    // An error the validator met while checking (no memory, say) is no verdict on the document.
    if (result <= 0)
        return XE_VALIDATION_NOT_RUN;
    if (!m_messages.isEmpty()) {
        m_errorText = m_messages.front().text;
        m_place = m_messages.front().place;
    } else {
        m_errorText = StatusMessageTable::MessageOf(XE_VALIDATION_FAILED);
    }
    return XE_VALIDATION_FAILED;
}
