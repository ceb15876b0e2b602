#pragma once

#include "document/XmlStatus.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

// Streaming XML writer into memory: UTF-8 without byte-order mark, two-space indentation.
//
// Every call returns a status; the first failure stops the writer and every later call returns
// that same status without writing. The writer refuses whatever would make the output fail to
// load again: invalid names, undeclared prefixes, duplicate attributes, reserved namespace
// misuse, characters XML 1.0 does not allow and unpaired surrogates.
//
// Namespace declarations are ordinary attributes (`xmlns="..."`, `xmlns:p="..."`) written in
// their place; they count for the element's own prefix and for its descendants, so the element
// prefix and the attribute prefixes are checked when the start tag closes.
class XmlWriter {
public:
    // Document: exactly one root element and no text outside it (what Save writes).
    // Fragment: any sequence of nodes (the XML text of a single node).
    enum class Conformance { Document, Fragment };

    // Appends to `output`; the bytes are complete after Flush or when the writer is destroyed.
    explicit XmlWriter(QByteArray& output, Conformance conformance = Conformance::Document);
    ~XmlWriter();
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;

    void SetIndent(bool indent) { m_indent = indent; }
    // Bytes this writer has appended so far (some may still wait for Flush).
    qsizetype BytesWritten() const { return m_length - m_start; }
    // The line break of indentation and of line breaks inside text; LF, CR LF on Windows.
    void SetLineBreak(QByteArrayView lineBreak);

    enum class Standalone { Omitted, Yes, No };
    XmlStatus WriteStartDocument(Standalone standalone = Standalone::Omitted);
    // The document type declaration as read (`<!DOCTYPE ...>`), written verbatim but for its
    // line ends; only in a document, once, before the root element.
    XmlStatus WriteDocumentType(QStringView declaration);
    XmlStatus WriteStartElement(QStringView prefix, QStringView localName);
    // Says that the element just started holds text: nothing is indented inside it or in any
    // element below it, since added whitespace would become part of its content.
    void SetTextContent()
    {
        if (!m_frames.empty())
            m_frames.back().noIndent = true;
    }
    XmlStatus WriteAttributeString(QStringView prefix, QStringView localName, QStringView value);
    // Resolves the open start tag's prefixes and checks its attributes for duplicates now,
    // rather than when the tag closes, so a failure can be told to belong to this element.
    XmlStatus CheckStartTag();
    XmlStatus WriteString(QStringView text);
    // Text as a CDATA section, split into two where it holds "]]>"; refused for a lone CR
    // (see CanWriteAsCData).
    XmlStatus WriteCData(QStringView text);
    XmlStatus WriteComment(QStringView text);
    // `<?target data?>`; refused for a target that is no NCName or is "xml" in any case, and
    // for data holding "?>".
    XmlStatus WriteProcessingInstruction(QStringView target, QStringView data);
    XmlStatus WriteEndElement();
    // Closes every open element; a document then gets its closing line break.
    XmlStatus WriteEndDocument();
    XmlStatus Flush();

    XmlStatus Status() const { return m_status; }

    // 0 when every character of the text may stand in XML 1.0, else the status a write of it
    // fails with (a control character, U+FFFE/U+FFFF, an unpaired surrogate).
    static XmlStatus CharactersStatus(QStringView text);

    // Whether a namespace declaration (`xmlns="value"`: empty prefix and local name "xmlns";
    // `xmlns:p="value"`: prefix "xmlns", local name p) binds what XML allows: 0 or the status
    // it is refused with (reserved prefixes and namespaces, an empty prefixed namespace).
    static XmlStatus DeclarationStatus(QStringView prefix, QStringView localName,
                                       QStringView value);

    // Whether CDATA can carry the text unchanged through a load: no CR that is not part of a
    // CR LF pair (line ends inside CDATA are normalised by the parser).
    static bool CanWriteAsCData(QStringView text);

private:
    struct Frame {
        qsizetype nameOffset; // the qualified name, UTF-8, inside the output
        int nameLength;
        int declarationMark;    // size of m_declarations before this element's own
        bool hasMarkup = false; // a child element or comment was written
        bool noIndent = false;  // text is (or was written) here or in an enclosing element
    };
    struct PendingAttribute {
        qsizetype prefixOffset;
        int prefixLength;
        qsizetype localOffset;
        int localLength;
    };
    struct Declaration {
        QByteArray prefix; // UTF-8
        QString uri;
    };
    struct ExpandedName {
        const QString* uri;
        const PendingAttribute* attribute;
    };

    XmlStatus Fail(XmlStatus status);
    char* Reserve(qsizetype bytes);
    void Commit(char* end) { m_length = end - m_output.data(); }
    void Append(const char* bytes, qsizetype length);
    void AppendLineBreakAndIndent(int depth);
    void BeforeMarkup();
    XmlStatus CloseStartTag(bool empty);
    XmlStatus CheckPendingNames();
    void AppendName(QStringView name, qsizetype& offset, int& length);
    XmlStatus AppendQualifiedName(QStringView prefix, QStringView localName,
                                  PendingAttribute& where);
    XmlStatus CheckDeclaration(QStringView prefix, QStringView localName, QStringView value);
    const Declaration* FindDeclaration(const char* prefix, int length) const;
    bool Matches(qsizetype offset, int length, QByteArrayView bytes) const;

    // Verbatim: only line ends are mapped (the document type declaration).
    enum class Escape { Text, Attribute, Comment, CData, ProcessingInstruction, Verbatim };
    template <Escape mode> XmlStatus AppendEscaped(QStringView value);

    QByteArray& m_output;
    qsizetype m_length;
    const qsizetype m_start;
    Conformance m_conformance;
    XmlStatus m_status = XE_OK;
    bool m_indent = false;
    bool m_startTagOpen = false;
    bool m_namesChecked = false; // CheckPendingNames passed for the open start tag
    bool m_rootWritten = false;
    bool m_documentTypeWritten = false;
    bool m_ended = false; // the closing line break of a document was written
    char m_lineBreak[2];
    int m_lineBreakLength;
    std::vector<Frame> m_frames;
    std::vector<PendingAttribute> m_attributes; // of the open start tag
    PendingAttribute m_elementName{};           // of the open start tag
    std::vector<Declaration> m_declarations;    // prefixed declarations in scope
    std::vector<ExpandedName> m_expanded;       // scratch of CheckPendingNames
};
