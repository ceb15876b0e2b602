#pragma once

#include "document/XmlStatus.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

struct _xmlTextReader;
struct _xmlNode;
struct _xmlAttr;
struct _xmlNs;
struct _xmlError;

// Streaming XML reader over libxml2's xmlTextReader, reading XML text held in memory.
//
// Node types are the numbers the loader stores (1 element, 3 text, 8 comment, 15 end of
// element); CDATA sections, processing instructions, the document type, whitespace-only
// character data and the XML declaration are reported under their own numbers for the caller
// to skip. The internal DTD subset is parsed and internal entities are expanded; external
// entities and the external DTD subset are never read.
//
// libxml2 goes on after some faults that must end a load (namespace errors, an entity it
// cannot expand, a refused external entity, a byte-order mark contradicting the declared
// encoding); the reader turns each into a failure of Read with the matching status.
class XmlReader {
public:
    enum NodeType : int {
        None = 0,
        Element = 1,
        Attribute = 2,
        Text = 3,
        CData = 4,
        EntityReference = 5,
        ProcessingInstruction = 7,
        Comment = 8,
        DocumentType = 10,
        Whitespace = 13,
        SignificantWhitespace = 14,
        EndElement = 15,
        XmlDeclaration = 17,
    };
    // At most this many nested elements; libxml2's own limit, enforced exactly.
    static constexpr int MaxElementDepth = 256;

    XmlReader();
    ~XmlReader();
    XmlReader(const XmlReader&) = delete;
    XmlReader& operator=(const XmlReader&) = delete;

    // Starts reading `data`, which must stay unchanged while the reader reads. `baseUrl`
    // names the document in libxml2's messages. False when no reader could be made.
    bool SetInput(const QByteArray& data, const QString& baseUrl = QString());

    // Reads the next node: 0 with its type in `nodeType`, 1 at the end of input, or a
    // failure status, always negative (the same one again on every later call).
    XmlStatus Read(int* nodeType);
    int NodeType() const { return m_nodeType; }
    bool IsEOF() const { return m_eof; }
    XmlStatus Status() const { return m_status; }
    // Nesting of the current node: 0 for the document element and top-level nodes.
    int Depth() const;
    bool IsEmptyElement() const;

    // Names and value of the current node (or attribute, after MoveTo*Attribute).
    QString Prefix() const;
    QString LocalName() const;
    QString Value() const;
    // The same as UTF-8 owned by libxml2, valid until the next Read or attribute move; null
    // for an absent prefix. Element and attribute names of one reader are interned in its
    // dictionary, prefixes are not, so compare prefix bytes, not pointers.
    const char* PrefixUtf8() const;
    const char* LocalNameUtf8() const;
    const char* ValueUtf8() const;

    // Whether a name pointer belongs to the reader's dictionary: such a pointer means the
    // same name for the reader's whole life.
    bool IsInterned(const char* name) const;
    // Number of attributes (namespace declarations included) of the current element.
    int AttributeCount() const;

    // Attributes of the current element: namespace declarations first, then the others in
    // source order (libxml2 keeps the two apart). False when there is none (further).
    bool MoveToFirstAttribute();
    bool MoveToNextAttribute();
    // Back from the attributes to their element.
    void MoveToElement();

    // 1-based line and column of the current node, or of the failure once Read failed.
    int LineNumber() const;
    int LinePosition() const;

    // A byte-order mark that contradicts the encoding named in the XML declaration (libxml2
    // silently follows the mark): 0xC00CEE03 with the place of the encoding name, else 0.
    static XmlStatus CheckByteOrderMark(const QByteArray& data, int* line, int* column);

    static void OnStructuredError(void* self, _xmlError* error);

private:
    XmlStatus Fail(XmlStatus status, int line, int column);
    void ReleaseOwnedValue();
    bool EntityGraphHasCycle(void* parserContext) const;

    _xmlTextReader* m_reader = nullptr;
    const QByteArray* m_data = nullptr;
    qint64 m_fed = 0; // bytes handed to libxml2 when reading through callbacks
    _xmlNode* m_node = nullptr;
    _xmlNs* m_nsCursor = nullptr;     // current namespace declaration, when on one
    _xmlAttr* m_attrCursor = nullptr; // current attribute, when on one
    char* m_ownedValue = nullptr;     // an attribute value libxml2 had to assemble
    int m_nodeType = None;
    bool m_eof = false;
    XmlStatus m_status = 0;
    int m_errorLine = -1;
    int m_errorColumn = -1;
    int m_refusedAtStart = 0;
    // The first fatal error libxml2 reported, mapped.
    XmlStatus m_pendingStatus = 0;
    bool m_pendingVague = false; // a later error may name the fault better
    int m_pendingLine = -1;
    int m_pendingColumn = -1;
    bool m_rootClosed = false; // the document element has ended
    bool m_sawRoot = false;
    const char* m_xmlnsName = nullptr; // "xmlns" from the reader's dictionary

    friend struct XmlReaderFeeder;
};
