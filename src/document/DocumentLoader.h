#pragma once

#include "document/XmlStatus.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class FileProgress;
struct NodeName;
class XmlDocument;
class XmlNode;
class XmlReader;

// Builds a document's node tree in one forward pass of the XML reader: elements, attributes,
// text (CDATA sections included), comments and processing instructions, keeping whitespace-only
// text where it carries meaning; the document type declaration and standalone go to the
// document's prolog fields. Works straight on
// the node store: names are interned once per distinct libxml2 string and values are decoded
// into the store's text arena with every LF turned into CR LF.
class DocumentLoader {
public:
    explicit DocumentLoader(XmlDocument& document);
    ~DocumentLoader();
    DocumentLoader(const DocumentLoader&) = delete;
    DocumentLoader& operator=(const DocumentLoader&) = delete;

    // Reads `data` into the (already cleared) document: 0, or the failure status with the
    // document's error line and position set. Nodes read before a failure stay.
    XmlStatus Run(const QByteArray& data, const QString& baseUrl, FileProgress* progress = nullptr);
    // The same from a reader whose input is set; `progress` counts the bytes parsed.
    // `inputBytes`, as far as known, sizes how memory is made ready.
    XmlStatus Run(XmlReader& reader, FileProgress* progress = nullptr, qint64 inputBytes = 0);

    // Whether the text starts (past a byte-order mark and white space) with anything but
    // markup: then it is no XML at all, whatever the parser says.
    static bool StartsWithoutMarkup(const QByteArray& data);

    // UTF-8 to UTF-16 with every LF written as CR LF; `out` needs room for 2 * `length`
    // units. Returns the units written. Malformed bytes become U+FFFD. With
    // `normaliseLineBreaks` a CR LF pair or a lone CR also counts as one line break.
    static qsizetype DecodeValue(const char* utf8, size_t length, char16_t* out,
                                 bool normaliseLineBreaks = false);

private:
    struct NameCache;
    struct PairCache;
    struct OpenElement;
    struct PendingText {
        uint32_t index;  // where among its element's children it would stand
        uint32_t offset; // of its zero-ended bytes in m_scratch
    };

    const QString* Name(const XmlReader& reader, const char* utf8);
    void SetValue(XmlNode* node, const char* utf8, bool normaliseLineBreaks = false);
    XmlStatus ReadAttributes(XmlReader& reader, XmlNode* element);
    // The current node's (or attribute's) prefix and local name as one interned pair.
    const NodeName* QualifiedName(const XmlReader& reader);
    XmlNode* AppendText(XmlNode* parent, const char* utf8);
    // A whitespace-only text in `open`: kept at once, or left waiting.
    void Whitespace(OpenElement& open, const char* utf8);
    // The element turned out mixed: its waiting texts become nodes in their places.
    void KeepPending(OpenElement& open);
    // The element ends: a waiting text that is its only content is kept, the rest dropped.
    void Close(OpenElement& open);

    XmlDocument& m_document;
    std::unique_ptr<NameCache> m_names;
    std::unique_ptr<PairCache> m_pairs;
    const NodeName* m_textName = nullptr;
    std::vector<PendingText> m_pending;
    std::vector<char> m_scratch;
};
