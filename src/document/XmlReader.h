#pragma once

#include "document/XmlStatus.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class FileProgress;
class QIODevice;
struct _xmlParserCtxt;

// Streaming XML reader over libxml2's push parser, reading XML text held in memory or read
// from a device as the parser goes (then only a few megabytes of it are held at a time).
//
// The parser is handed the text a slice at a time; its SAX callbacks queue the nodes each slice
// completes and Read hands them out one by one. No libxml2 tree is built (and freed again) per
// node, which is what makes xmlTextReader more than twice as slow as the parser itself. Character
// data the parser reports in pieces is joined into one node, as a tree would hold it.
//
// Node types are the numbers the loader stores (1 element, 3 text, 7 processing instruction,
// 8 comment, 15 end of element); CDATA sections (one node per section, line breaks normalised)
// and whitespace-only character data are reported under their own numbers for the caller to
// decide on. The internal DTD subset is parsed and internal entities are expanded; external
// entities and the external DTD subset are never read.
//
// libxml2 goes on after some faults that must end a load (namespace errors, an entity it
// cannot expand, a refused external entity, a byte-order mark contradicting the declared
// encoding) and stops without a word on bytes that do not convert from their encoding; the
// reader turns each into a failure of Read with the matching status.
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
    // Starts reading an open device from its current position to its end; `onRead` sees
    // every byte read, once and in order. A failed read fails Read with XE_CANNOT_OPEN_FILE
    // and the device's reason in ReadError.
    using ReadObserver = std::function<void(const char* bytes, qint64 count)>;
    bool SetInput(QIODevice& device, const QString& baseUrl, ReadObserver onRead = {});
    const QString& ReadError() const { return m_readError; }
    // The first bytes of the text: all that was held before the parser moved past the
    // prolog (enough to see what the text starts with), or the whole text held in memory.
    QByteArray Beginning() const;

    // Reports the bytes handed to the parser (plus `base`) to `progress` and stops with
    // XE_CANCELLED once it is cancelled; checked before every slice.
    void SetProgress(FileProgress* progress, qint64 base)
    {
        m_progress = progress;
        m_progressBase = base;
    }

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
    // The same as UTF-8, valid until the next Read; null for an absent prefix. Names come
    // from the parser's dictionary (see IsInterned); a caller should still compare the bytes
    // of a name it does not know to be interned.
    const char* PrefixUtf8() const;
    const char* LocalNameUtf8() const;
    const char* ValueUtf8() const;

    // Whether a name pointer belongs to the reader's dictionary: such a pointer means the
    // same name for the reader's whole life.
    bool IsInterned(const char* name) const;
    // Number of attributes (namespace declarations included) of the current element.
    int AttributeCount() const;

    // Attributes of the current element in the order of its start tag, namespace declarations
    // among them; those only defaulted by the DTD are left out. False when there is none
    // (further).
    bool MoveToFirstAttribute();
    bool MoveToNextAttribute();
    // Back from the attributes to their element.
    void MoveToElement();

    // The document type declaration as it stands in the text, "<!DOCTYPE" to its final '>'
    // with line breaks as LF, or empty. Meant for after the last Read of a well-formed text.
    QString DocumentTypeText() const;
    // The XML declaration's standalone: 1 yes, 0 no, negative when not given.
    int Standalone() const;

    // 1-based line and column of the current node, or of the failure once Read failed.
    int LineNumber() const;
    int LinePosition() const;

    // From now on every reader hands the parser slices of this many bytes (0: the usual
    // sizes). For tests and fuzzing, which check that where slices end changes nothing.
    static void SetSliceBytes(int bytes);
    // The same for the pieces a reader reads a device in (0: the usual 4 MB), which moves its
    // window on that much more often.
    static void SetReadBytes(int bytes);

    // A byte-order mark that contradicts the encoding named in the XML declaration (libxml2
    // silently follows the mark): 0xC00CEE03 with the place of the encoding name, else 0.
    static XmlStatus CheckByteOrderMark(const QByteArray& data, int* line, int* column);

private:
    friend struct XmlReaderCallbacks;

    // One queued node; texts are offsets into m_bytes, which may move while it fills.
    struct Node {
        int type = None;
        int depth = 0;
        int line = -1;
        const char* prefix = nullptr;
        const char* localName = nullptr;
        size_t value = 0;
        size_t firstAttribute = 0;
        int attributeCount = 0;
        bool empty = false;
    };
    struct QueuedAttribute {
        const char* prefix;
        const char* localName;
        size_t value;
    };

    XmlStatus Fail(XmlStatus status, int line, int column);
    void Release();
    // The part of SetInput after the input is chosen.
    bool Start(const QString& baseUrl);
    // Holds the text up to offset `end` (less at its end), dropping what the parser has
    // already been handed once the prolog is behind it. False once a read failed.
    bool Fill(qint64 end);
    qint64 HeldEnd() const { return m_heldBase + m_heldSize; }
    const char* HeldAt(qint64 offset) const { return m_held + (offset - m_heldBase); }
    bool NodeReady() const;
    // Drops the nodes already handed out, keeping a text still being gathered.
    void Compact();
    // Hands the parser its next slice of the input (with the end of input after the last);
    // what xmlParseChunk returned.
    int Feed();
    size_t AppendValue(const char* text, size_t length);
    // Starts a text or CDATA node, or goes on with the one being gathered.
    void GatherText(int type, const char* text, int length);
    void CloseText();
    void Queue(const Node& node);
    // A comment or processing instruction: it ends any text being gathered.
    void QueueMarkup(int type, const char* localName, const char* text);
    // A piece of a CDATA section; `parser` is the context that reported it.
    void GatherCData(_xmlParserCtxt* parser, const char* text, int length);
    // Puts the attributes queued from `first` in the order of the start tag's text
    // [`tag`, `end`), drops declarations the tag does not hold and adds an `xmlns:xml` it does.
    void OrderAttributes(size_t first, const char* tag, const char* end);
    // libxml2's ordinary bounds (and its entity checks, which huge mode switches off) hold
    // from the document type declaration or an entity reference on until the document's own
    // context reports content again, so entities are bounded as without huge mode.
    void EnterLimits(void* context);
    void LeaveLimits(void* context);
    void NoteEntityReference();
    // Whether an external text was refused; keeps the place of the reference that asked.
    bool NoteRefusal();
    void CountExpansion(int length);
    // Records a failure libxml2 does not report itself, unless one came first.
    void SetPending(XmlStatus status, int line, int column);
    bool EntityGraphHasCycle(void* parserContext) const;
    const Node* Current() const;
    const char* ValueAt(size_t offset) const { return m_bytes.data() + offset; }

    _xmlParserCtxt* m_context = nullptr;
    // The text from offset m_heldBase on: the caller's whole text, or a window of m_device's
    // bytes in m_window.
    const char* m_held = nullptr;
    qint64 m_heldBase = 0;
    qint64 m_heldSize = 0;
    QIODevice* m_device = nullptr;
    bool m_deviceEnded = true;
    std::vector<char> m_window;
    ReadObserver m_onRead;
    QString m_readError;
    QByteArray m_prolog;        // the text's first bytes, kept once the window moves on
    bool m_rootStarted = false; // the document element has started
    qint64 m_fed = 0;           // bytes handed to the parser
    FileProgress* m_progress = nullptr;
    qint64 m_progressBase = 0;
    bool m_finished = false; // the end of input was handed over too

    std::vector<Node> m_nodes;
    std::vector<QueuedAttribute> m_attributes;
    std::vector<char> m_bytes; // values, each ending in a zero byte; offset 0 is ""
    size_t m_next = 0;         // the next queued node Read hands out
    size_t m_current = SIZE_MAX;
    size_t m_attributeCursor = SIZE_MAX;
    bool m_textOpen = false; // the last queued node is a text still being gathered
    bool m_skipEnd = false;  // the element just queued is empty: its end is no node
    int m_depth = 0;

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
    bool m_rootEnded = false; // the document element has ended
    int m_referenceLine = -1; // the last entity reference
    int m_referenceColumn = -1;
    int m_refusalLine = -1; // the reference whose external text was refused
    int m_refusalColumn = -1;
    qint64 m_expandedBytes = 0;        // entity text expanded so far
    bool m_limited = false;            // huge mode is off for an entity (see EnterLimits)
    const char* m_xmlnsName = nullptr; // "xmlns" from the parser's dictionary
    const char* m_xmlName = nullptr;   // "xml" from the parser's dictionary

    bool m_hasDocumentType = false;
    std::string m_encoding; // the converter libxml2 reads the text with; empty for UTF-8
    // UTF-16 text: 1 little-endian, 2 big-endian (its slices never end right after a CR).
    int m_utf16 = 0;
    // Where the document type declaration ends in the bytes of text in an encoding that keeps
    // ASCII, or 0: no slice ends inside it.
    qint64 m_documentTypeEnd = 0;
    // The CDATA section being gathered: the input it lies in, where its next piece would
    // start there, and whether its last piece ended in a CR (written as LF).
    const void* m_cdataInput = nullptr;
    qint64 m_cdataNext = -1;
    bool m_cdataCr = false;
};
