#include "config/DomDocument.h"

#include "document/SafeXmlParsing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <limits>

namespace {

const xmlChar* Utf8(const QByteArray& bytes)
{
    return reinterpret_cast<const xmlChar*>(bytes.constData());
}

bool IsBlankText(xmlNodePtr node)
{
    return node->type == XML_TEXT_NODE && xmlIsBlankNode(node);
}

// Indenting only works where an element holds no text, so layout white space is removed from
// elements that also hold elements; text that carries content is left alone.
void DropLayoutWhiteSpace(xmlNodePtr node)
{
    bool hasElement = false;
    bool hasContentText = false;
    for (xmlNodePtr child = node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            hasElement = true;
        else if ((child->type == XML_TEXT_NODE && !IsBlankText(child)) ||
                 child->type == XML_CDATA_SECTION_NODE)
            hasContentText = true;
    }
    const bool drop = hasElement && !hasContentText;
    xmlNodePtr child = node->children;
    while (child) {
        xmlNodePtr next = child->next;
        if (drop && IsBlankText(child)) {
            xmlUnlinkNode(child);
            xmlFreeNode(child);
        } else if (child->type == XML_ELEMENT_NODE) {
            DropLayoutWhiteSpace(child);
        }
        child = next;
    }
}

} // namespace

DomDocument::DomDocument()
{
    doc_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
}

DomDocument::~DomDocument()
{
    Reset();
}

void DomDocument::Reset()
{
    if (unattached_)
        xmlFreeNode(unattached_);
    unattached_ = nullptr;
    if (doc_)
        xmlFreeDoc(doc_);
    doc_ = nullptr;
}

bool DomDocument::Load(const QString& path)
{
    lastError_ = DomParseError();
    QFile file(path);
    // Only regular files: opening a FIFO or a device would block or never end.
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        Reset();
        doc_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
        lastError_.reason = QStringLiteral("Can not open file");
        return false;
    }
    const QByteArray data = file.readAll();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    return Parse(data, QFile::encodeName(QDir::toNativeSeparators(absolute)));
}

bool DomDocument::LoadXml(const QByteArray& data, const QString& baseUrl)
{
    lastError_ = DomParseError();
    return Parse(data, baseUrl.toUtf8());
}

bool DomDocument::Parse(const QByteArray& data, const QByteArray& url)
{
    Reset();
    SafeXmlParsing::Install();
    if (data.size() > std::numeric_limits<int>::max()) {
        doc_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
        lastError_.reason = QStringLiteral("Document too large");
        return false;
    }
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) {
        doc_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
        lastError_.reason = QStringLiteral("Out of memory");
        return false;
    }
    const int refusedBefore = SafeXmlParsing::RefusedCount();
    // Entity substitution is left off: libxml2 opens an external entity through a fresh parser
    // context that the shared loader takes for a top-level load, so with substitution on a
    // document could pull in any local file. Without it no entity is ever loaded, internal
    // ones still read through in attribute values and text, and a saved file keeps its
    // references as written.
    const int options = (SafeXmlParsing::ParseOptions() & ~XML_PARSE_NOENT) | XML_PARSE_NOERROR |
                        XML_PARSE_NOWARNING;
    xmlDocPtr doc = xmlCtxtReadMemory(context, data.constData(), int(data.size()),
                                      url.isEmpty() ? nullptr : url.constData(), nullptr, options);
    const bool refused = SafeXmlParsing::RefusedCount() != refusedBefore;
    bool ok = doc && context->wellFormed && !refused;
    if (!ok) {
        const xmlError* error = &context->lastError;
        if (refused) {
            lastError_.reason = QStringLiteral("External entity refused");
        } else if (error->code != XML_ERR_OK) {
            lastError_.line = error->line;
            lastError_.column = error->int2;
            lastError_.reason = QString::fromUtf8(error->message).trimmed();
        } else {
            lastError_.reason = QStringLiteral("Not well-formed");
        }
        if (doc)
            xmlFreeDoc(doc);
        doc = nullptr;
    }
    xmlFreeParserCtxt(context);
    doc_ = doc ? doc : xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    return ok;
}

QByteArray DomDocument::ToXml(Format format)
{
    if (!doc_)
        return QByteArray();
    if (format == Format::Indented) {
        if (xmlNodePtr root = xmlDocGetRootElement(doc_))
            DropLayoutWhiteSpace(root);
    }
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(doc_, &buffer, &size, "UTF-8", format == Format::Indented ? 1 : 0);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), buffer ? size : 0);
    xmlFree(buffer);
    return bytes;
}

bool DomDocument::Save(const QString& path, Format format)
{
    if (path.isEmpty() || !HasDocumentElement())
        return false;
    const QByteArray bytes = ToXml(format);
    if (bytes.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool DomDocument::HasDocumentElement() const
{
    return doc_ && xmlDocGetRootElement(doc_);
}

DomElement DomDocument::DocumentElement() const
{
    return DomElement(doc_ ? xmlDocGetRootElement(doc_) : nullptr);
}

void DomDocument::SetDocumentElement(DomElement element)
{
    if (!doc_ || !element || element.Raw()->doc != doc_)
        return;
    xmlNodePtr old = xmlDocGetRootElement(doc_);
    if (old == element.Raw())
        return;
    xmlUnlinkNode(element.Raw());
    xmlDocSetRootElement(doc_, element.Raw());
    if (old)
        xmlFreeNode(old);
}

DomElement DomDocument::DocumentNode() const
{
    // The document node answers queries like an element whose only child is the root.
    return DomElement(reinterpret_cast<xmlNodePtr>(doc_));
}

DomElement DomDocument::SelectSingleNode(const QString& path) const
{
    return DocumentNode().SelectSingleNode(path);
}

QList<DomElement> DomDocument::SelectNodes(const QString& path) const
{
    return DocumentNode().SelectNodes(path);
}

DomElement DomDocument::SelectSingleNode(const QString& path, const QString& attribute,
                                         const QString& value) const
{
    return DocumentNode().SelectSingleNode(path, attribute, value);
}

DomElement DomDocument::SelectSingleNode(const QString& path, const QString& attribute,
                                         int value) const
{
    return DocumentNode().SelectSingleNode(path, attribute, value);
}

DomElement DomDocument::CreateElement(const QString& name)
{
    if (!doc_)
        return DomElement();
    const QByteArray utf8 = name.toUtf8();
    if (name.isEmpty() || xmlValidateName(Utf8(utf8), 0) != 0)
        return DomElement();
    if (!unattached_) {
        unattached_ = xmlNewDocNode(doc_, nullptr, reinterpret_cast<const xmlChar*>("_"), nullptr);
        if (!unattached_)
            return DomElement();
    }
    xmlNodePtr node = xmlNewDocNode(doc_, nullptr, Utf8(utf8), nullptr);
    if (!node)
        return DomElement();
    xmlAddChild(unattached_, node);
    return DomElement(node);
}
