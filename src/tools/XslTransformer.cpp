#include "tools/XslTransformer.h"

#include "config/StringTable.h"
#include "document/SafeXmlParsing.h"
#include "document/XmlDocument.h"
#include "tools/LibxmlErrorCapture.h"
#include "tools/ToolRequest.h"

#include <QFile>

#include <libexslt/exslt.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxslt/documents.h>
#include <libxslt/imports.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <memory>
#include <mutex>

namespace {

// Whether the run in progress was refused something, and why; the loader and security
// callbacks of libxslt carry no user data of ours.
thread_local bool* t_refused = nullptr;
thread_local QList<ToolMessage>* t_reasons = nullptr;

// Every external load refused so far by the process-wide loader.
int Refusals()
{
    return SafeXmlParsing::RefusedCount();
}

void NoteRefusal(int textId = 0, const QString& argument = {})
{
    if (t_refused)
        *t_refused = true;
    if (t_reasons && textId)
        t_reasons->append(ToolMessage::Reason(textId, argument));
}

QString UriText(const xmlChar* uri)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(uri));
}

// A reference libxslt could not resolve against any base stays relative; opening it would
// read from the editor's working folder.
bool IsRelative(const xmlChar* uri)
{
    return uri && uri[0] != '/' && !xmlStrstr(uri, reinterpret_cast<const xmlChar*>(":"));
}

int ForbidAndNote(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char*)
{
    NoteRefusal();
    return 0;
}

// Style sheets are parsed as libxslt parses them (CDATA merged into text), but without DTD
// loading or attribute defaulting.
int StyleSheetParseOptions()
{
    return SafeXmlParsing::ParseOptions() | XML_PARSE_NOCDATA;
}

// Replaces libxslt's loader for xsl:include, xsl:import and document(): the same steps, but
// always the safe options, and a refused external entity fails the load instead of leaving a
// hole in the document.
xmlDocPtr SafeDocumentLoader(const xmlChar* uri, xmlDictPtr dict, int, void*, xsltLoadType type)
{
    if (type == XSLT_LOAD_DOCUMENT && IsRelative(uri)) {
        NoteRefusal(StringId::UntitledRelativeReference, UriText(uri));
        return nullptr;
    }
    xmlParserCtxtPtr parser = xmlNewParserCtxt();
    if (!parser)
        return nullptr;
    if (dict) {
        // Loaded documents must share the style sheet's dictionary; libxslt relies on it.
        if (parser->dict)
            xmlDictFree(parser->dict);
        parser->dict = dict;
        xmlDictReference(dict);
    }
    xmlCtxtUseOptions(parser, type == XSLT_LOAD_DOCUMENT ? SafeXmlParsing::ParseOptions()
                                                         : StyleSheetParseOptions());
    const int refusedBefore = Refusals();
    xmlParserInputPtr input =
        xmlLoadExternalEntity(reinterpret_cast<const char*>(uri), nullptr, parser);
    if (!input) {
        // A file document() cannot read would silently give an empty node-set.
        if (Refusals() != refusedBefore || type == XSLT_LOAD_DOCUMENT)
            NoteRefusal(Refusals() != refusedBefore ? StringId::ReferenceRefused
                                                    : StringId::FileUnreadable,
                        UriText(uri));
        xmlFreeParserCtxt(parser);
        return nullptr;
    }
    inputPush(parser, input);
    if (!parser->directory)
        parser->directory = xmlParserGetDirectory(reinterpret_cast<const char*>(uri));
    xmlParseDocument(parser);
    xmlDocPtr doc = nullptr;
    if (parser->wellFormed && Refusals() == refusedBefore) {
        doc = parser->myDoc;
    } else {
        if (Refusals() != refusedBefore || type == XSLT_LOAD_DOCUMENT)
            NoteRefusal(Refusals() != refusedBefore ? StringId::ReferenceRefused
                                                    : StringId::FileUnreadable,
                        UriText(uri));
        xmlFreeDoc(parser->myDoc);
    }
    parser->myDoc = nullptr;
    xmlFreeParserCtxt(parser);
    return doc;
}

void InitializeOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        SafeXmlParsing::Install();
        exsltRegisterAll();
        xsltSetLoaderFunc(SafeDocumentLoader);
    });
}

struct DocDeleter {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct StyleSheetDeleter {
    void operator()(xsltStylesheet* style) const { xsltFreeStylesheet(style); }
};
struct ContextDeleter {
    void operator()(xsltTransformContext* context) const { xsltFreeTransformContext(context); }
};
struct SecurityDeleter {
    void operator()(xsltSecurityPrefs* prefs) const { xsltFreeSecurityPrefs(prefs); }
};

using StyleSheetHandle = std::unique_ptr<xsltStylesheet, StyleSheetDeleter>;

StyleSheetHandle LoadStyleSheet(const QString& path, const bool& refused)
{
    if (path.isEmpty())
        return nullptr;
    const int refusedBefore = Refusals();
    const QByteArray fileName = QFile::encodeName(path);
    xmlDocPtr doc = xmlReadFile(fileName.constData(), nullptr, StyleSheetParseOptions());
    if (!doc)
        return nullptr;
    if (Refusals() != refusedBefore) {
        xmlFreeDoc(doc);
        return nullptr;
    }
    StyleSheetHandle style(xsltParseStylesheetDoc(doc));
    if (!style) {
        // On failure the document stays with the caller.
        xmlFreeDoc(doc);
        return nullptr;
    }
    if (style->errors != 0 || refused)
        return nullptr;
    // Serialise in UTF-8 whatever xsl:output names, so the declaration or meta tag that
    // libxslt writes names the encoding the result file really has. The top style sheet
    // comes first when libxslt looks the encoding up through the imports; where none names
    // one, libxslt writes UTF-8 already.
    const xmlChar* named = nullptr;
    XSLT_GET_IMPORT_PTR(named, style.get(), encoding)
    if (!named)
        return style;
    if (style->encoding)
        xmlFree(style->encoding);
    style->encoding = xmlStrdup(reinterpret_cast<const xmlChar*>("UTF-8"));
    return style;
}

std::unique_ptr<xsltSecurityPrefs, SecurityDeleter> LockedDownPrefs()
{
    std::unique_ptr<xsltSecurityPrefs, SecurityDeleter> prefs(xsltNewSecurityPrefs());
    if (!prefs)
        return nullptr;
    for (xsltSecurityOption option : {XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK}) {
        if (xsltSetSecurityPrefs(prefs.get(), option, ForbidAndNote) != 0)
            return nullptr;
    }
    return prefs;
}

} // namespace

void XslTransformer::Clear()
{
    m_result.clear();
    m_diagnostics.clear();
    m_errors.clear();
    m_securityRefused = false;
}

XmlStatus XslTransformer::RunTransformation(const XmlDocument& document,
                                            const QString& styleSheetPath,
                                            const QString& documentPath)
{
    Clear();
    QByteArray text;
    const XmlStatus status = document.SerializeDocument(text);
    if (status != XE_OK)
        return status;
    return RunTransformationOnText(text, styleSheetPath, documentPath);
}

XmlStatus XslTransformer::RunTransformationOnText(const QByteArray& text,
                                                  const QString& styleSheetPath,
                                                  const QString& documentPath)
{
    Clear();
    InitializeOnce();
    LibxmlErrorCapture capture;
    capture.SetErrorLimit(ToolOutcome::MaxMessages);
    const int refusedBefore = SafeXmlParsing::RefusedCount();
    bool refused = false;
    QList<ToolMessage> reasons;
    t_refused = &refused;
    t_reasons = &reasons;
    struct ResetRun {
        ~ResetRun()
        {
            t_refused = nullptr;
            t_reasons = nullptr;
        }
    } resetRun;
    const auto finish = [&](XmlStatus status) {
        m_diagnostics = capture.Messages();
        m_securityRefused = refused;
        if (status != XE_OK) {
            m_errors = capture.ErrorMessages();
            m_errors.append(reasons);
        }
        return status;
    };

    StyleSheetHandle style = LoadStyleSheet(styleSheetPath, refused);
    if (!style)
        return finish(XE_XSLT_LOAD_FAILED);
    // Warnings of the compilation are no failure; what goes wrong from here on is.
    const qint64 errorsBefore = capture.ErrorCount();

    const QByteArray documentUrl = QFile::encodeName(documentPath);
    std::unique_ptr<xmlDoc, DocDeleter> input(
        xmlReadMemory(text.constData(), int(text.size()),
                      documentUrl.isEmpty() ? nullptr : documentUrl.constData(), nullptr,
                      SafeXmlParsing::ParseOptions()));
    if (!input)
        return finish(XE_XSLT_TRANSFORM_FAILED);

    auto prefs = LockedDownPrefs();
    std::unique_ptr<xsltTransformContext, ContextDeleter> context(
        xsltNewTransformContext(style.get(), input.get()));
    if (!prefs || !context || xsltSetCtxtSecurityPrefs(prefs.get(), context.get()) != 0)
        return finish(XE_XSLT_TRANSFORM_FAILED);
    xsltSetCtxtParseOptions(context.get(), SafeXmlParsing::ParseOptions());
    // From here on the generic channel carries xsl:message output besides errors.
    capture.SetGenericIsError(false);

    std::unique_ptr<xmlDoc, DocDeleter> result(xsltApplyStylesheetUser(
        style.get(), input.get(), nullptr, nullptr, nullptr, context.get()));
    // libxslt goes on after a refused write or load, after a failed allocation and after most
    // errors; the result of such a run is not what the style sheet meant, so it is not handed
    // out.
    if (!result || refused || SafeXmlParsing::RefusedCount() != refusedBefore ||
        context->state != XSLT_STATE_OK || capture.ErrorCount() != errorsBefore)
        return finish(XE_XSLT_TRANSFORM_FAILED);

    xmlChar* bytes = nullptr;
    int length = 0;
    if (xsltSaveResultToString(&bytes, &length, result.get(), style.get()) != 0 ||
        capture.ErrorCount() != errorsBefore) {
        xmlFree(bytes);
        return finish(XE_XSLT_TRANSFORM_FAILED);
    }
    m_result = QByteArray(reinterpret_cast<const char*>(bytes), length);
    xmlFree(bytes);
    return finish(XE_OK);
}
