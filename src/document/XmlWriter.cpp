#include "document/XmlWriter.h"

#include "document/XmlReader.h"

#include <algorithm>
#include <array>
#include <cstring>

// How values are escaped so that a load gives back exactly what was written.
//
// The loader receives the parser's value (line ends normalised to LF, attribute values
// normalised: literal tab, CR and LF become spaces, character references are kept) and then
// turns every LF into CR LF. So every value it produces has an LF only as part of CR LF, and
// may hold lone CRs (from &#13;). Writing maps each stored form to the one the parser yields
// before that step:
//
//   stored     text            attribute value
//   CR LF      line break      &#10;     (parser: LF, loader: CR LF)
//   lone CR    &#13;           &#13;     (parser: CR, left alone by the loader)
//   lone LF    line break      &#10;     (not producible by the loader; loads as CR LF)
//   tab        tab             &#9;
//
// Writing CR LF as "&#13;&#10;" would load back as CR CR LF and grow at every save.
// Comments and processing instructions know no references: every line end in them is written
// as a line break.

namespace {

constexpr XmlStatus kNameExpected = 0xC00CEE39u;
constexpr XmlStatus kColonInName = 0xC00CEE63u;
constexpr XmlStatus kXmlnsPrefixReserved = 0xC00CEE68u;
constexpr XmlStatus kEmptyPrefixUri = 0xC00CEF03u;
constexpr XmlStatus kLeadingXml = 0xC00CEE3Eu;
constexpr XmlStatus kBadProcessingInstruction = 0xC00CEE4Au;
constexpr XmlStatus kBadComment = 0xC00CEE2Fu;
constexpr XmlStatus kInvalidDocument = 0xC00CEF0Bu;

constexpr QStringView kXmlNamespace = u"http://www.w3.org/XML/1998/namespace";
constexpr QStringView kXmlnsNamespace = u"http://www.w3.org/2000/xmlns/";

enum : uint8_t { kPlain = 0, kSpecial = 1, kForbidden = 2 };

constexpr std::array<uint8_t, 128> MakeTable(const char* specials)
{
    std::array<uint8_t, 128> table{};
    for (int c = 0; c < 0x20; ++c)
        table[c] = kForbidden;
    table['\t'] = kPlain;
    table['\r'] = kSpecial;
    table['\n'] = kSpecial;
    for (const char* s = specials; *s; ++s)
        table[static_cast<unsigned char>(*s)] = kSpecial;
    return table;
}

constexpr auto kTextTable = MakeTable("<&>");
constexpr auto kAttributeTable = MakeTable("<&\"\t");
constexpr auto kCommentTable = MakeTable("-");
constexpr auto kCDataTable = MakeTable("]");
constexpr auto kPiTable = MakeTable("?");
constexpr auto kVerbatimTable = MakeTable("");

inline bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

inline char* PutLiteral(char* out, const char* text, size_t length)
{
    std::memcpy(out, text, length);
    return out + length;
}

// Encodes one code unit (or a valid pair) that needs no escaping; the caller checked it.
inline char* PutUtf8(char* out, const char16_t*& p)
{
    const char16_t c = *p;
    if (c < 0x80) {
        *out++ = char(c);
        ++p;
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
        ++p;
    } else if (IsHighSurrogate(c)) {
        const char32_t u = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(p[1]) - 0xDC00);
        *out++ = char(0xF0 | (u >> 18));
        *out++ = char(0x80 | ((u >> 12) & 0x3F));
        *out++ = char(0x80 | ((u >> 6) & 0x3F));
        *out++ = char(0x80 | (u & 0x3F));
        p += 2;
    } else {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
        ++p;
    }
    return out;
}

// XML 1.0 fifth edition NameStartChar / NameChar without the colon (names are written as
// prefix and local part, each an NCName). libxml2 reads names by the same edition.
bool IsNameStartChar(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(char32_t c)
{
    if (IsNameStartChar(c))
        return true;
    if (c < 0x80)
        return c == '-' || c == '.' || (c >= '0' && c <= '9');
    return c == 0xB7 || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

enum class NameCheck { Ok, Empty, BadCharacter, Colon };

NameCheck CheckNcName(QStringView name)
{
    if (name.isEmpty())
        return NameCheck::Empty;
    bool colon = false;
    const qsizetype length = name.size();
    for (qsizetype i = 0; i < length; ++i) {
        char32_t c = name[i].unicode();
        if (IsHighSurrogate(char16_t(c))) {
            if (i + 1 >= length || !IsLowSurrogate(name[i + 1].unicode()))
                return NameCheck::BadCharacter;
            c = 0x10000 + ((c - 0xD800) << 10) + (name[i + 1].unicode() - 0xDC00);
            ++i;
        } else if (IsLowSurrogate(char16_t(c))) {
            return NameCheck::BadCharacter;
        }
        if (c == ':') {
            colon = true;
            continue;
        }
        if (i == 0 ? !IsNameStartChar(c) : !IsNameChar(c))
            return NameCheck::BadCharacter;
    }
    return colon ? NameCheck::Colon : NameCheck::Ok;
}

// The value a parser sees for a stored attribute value (see the table at the top).
QString ParsedAttributeValue(QStringView value)
{
    QString parsed = value.toString();
    parsed.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return parsed;
}

} // namespace

XmlWriter::XmlWriter(QByteArray& output, Conformance conformance)
    : m_output(output), m_length(output.size()), m_start(output.size()), m_conformance(conformance)
{
#ifdef Q_OS_WIN
    SetLineBreak("\r\n");
#else
    SetLineBreak("\n");
#endif
}

XmlWriter::~XmlWriter()
{
    m_output.resize(m_length);
}

void XmlWriter::SetLineBreak(QByteArrayView lineBreak)
{
    m_lineBreakLength = int(std::min<qsizetype>(lineBreak.size(), 2));
    std::memcpy(m_lineBreak, lineBreak.data(), size_t(m_lineBreakLength));
}

XmlStatus XmlWriter::Fail(XmlStatus status)
{
    m_status = status;
    return status;
}

char* XmlWriter::Reserve(qsizetype bytes)
{
    const qsizetype needed = m_length + bytes;
    if (m_output.size() < needed)
        m_output.resize(std::max({needed, m_output.size() * 2, qsizetype(4096)}));
    return m_output.data() + m_length;
}

void XmlWriter::Append(const char* bytes, qsizetype length)
{
    char* out = Reserve(length);
    std::memcpy(out, bytes, size_t(length));
    m_length += length;
}

void XmlWriter::AppendLineBreakAndIndent(int depth)
{
    char* out = Reserve(m_lineBreakLength + 2 * depth);
    out = PutLiteral(out, m_lineBreak, size_t(m_lineBreakLength));
    std::memset(out, ' ', size_t(2 * depth));
    Commit(out + 2 * depth);
}

void XmlWriter::BeforeMarkup()
{
    if (m_frames.empty()) {
        if (m_indent && m_length > m_start)
            AppendLineBreakAndIndent(0);
        return;
    }
    Frame& parent = m_frames.back();
    parent.hasMarkup = true;
    if (m_indent && !parent.noIndent)
        AppendLineBreakAndIndent(int(m_frames.size()));
}

bool XmlWriter::Matches(qsizetype offset, int length, QByteArrayView bytes) const
{
    return length == bytes.size() &&
           std::memcmp(m_output.constData() + offset, bytes.data(), size_t(length)) == 0;
}

const XmlWriter::Declaration* XmlWriter::FindDeclaration(const char* prefix, int length) const
{
    for (auto it = m_declarations.rbegin(); it != m_declarations.rend(); ++it) {
        if (it->prefix.size() == length &&
            std::memcmp(it->prefix.constData(), prefix, size_t(length)) == 0)
            return &*it;
    }
    return nullptr;
}

void XmlWriter::AppendName(QStringView name, qsizetype& offset, int& length)
{
    char* out = Reserve(name.size() * 3);
    char* const begin = out;
    const char16_t* p = name.utf16();
    const char16_t* end = p + name.size();
    while (p < end)
        out = PutUtf8(out, p);
    offset = m_length;
    length = int(out - begin);
    Commit(out);
}

XmlStatus XmlWriter::AppendQualifiedName(QStringView prefix, QStringView localName,
                                         PendingAttribute& where)
{
    if (!prefix.isEmpty()) {
        switch (CheckNcName(prefix)) {
        case NameCheck::Ok:
        case NameCheck::Empty:
            break;
        case NameCheck::Colon:
            return XmlError::MultipleColons;
        case NameCheck::BadCharacter:
            return XmlError::IllegalNameCharacter;
        }
    }
    switch (CheckNcName(localName)) {
    case NameCheck::Ok:
        break;
    case NameCheck::Empty:
        return kNameExpected;
    case NameCheck::Colon:
        return prefix.isEmpty() ? kColonInName : XmlError::MultipleColons;
    case NameCheck::BadCharacter:
        return XmlError::IllegalNameCharacter;
    }
    where.prefixLength = 0;
    where.prefixOffset = m_length;
    if (!prefix.isEmpty()) {
        AppendName(prefix, where.prefixOffset, where.prefixLength);
        Append(":", 1);
    }
    AppendName(localName, where.localOffset, where.localLength);
    return XE_OK;
}

template <XmlWriter::Escape mode> XmlStatus XmlWriter::AppendEscaped(QStringView value)
{
    constexpr const std::array<uint8_t, 128>& table = mode == Escape::Text        ? kTextTable
                                                      : mode == Escape::Attribute ? kAttributeTable
                                                      : mode == Escape::Comment   ? kCommentTable
                                                      : mode == Escape::CData     ? kCDataTable
                                                      : mode == Escape::ProcessingInstruction
                                                          ? kPiTable
                                                          : kVerbatimTable;
    // Bytes one code unit can grow to: "&quot;" is the longest.
    constexpr qsizetype kMaxPerUnit = 6;
    constexpr qsizetype kChunk = 16384;

    const char16_t* p = value.utf16();
    const char16_t* const end = p + value.size();
    while (p < end) {
        const char16_t* const chunkEnd = p + std::min<qsizetype>(end - p, kChunk);
        char* out = Reserve((chunkEnd - p) * kMaxPerUnit + 16);
        while (p < chunkEnd) {
            const char16_t c = *p;
            if (c < 0x80) {
                const uint8_t kind = table[c];
                if (kind == kPlain) {
                    *out++ = char(c);
                    ++p;
                    continue;
                }
                if (kind == kForbidden) {
                    Commit(out);
                    return XmlError::IllegalXmlCharacter;
                }
                if constexpr (mode == Escape::ProcessingInstruction) {
                    if (c == '?') {
                        // "?>" would end the instruction early; nothing can stand in for it.
                        if (p + 1 < end && p[1] == '>') {
                            Commit(out);
                            return kBadProcessingInstruction;
                        }
                        *out++ = '?';
                        ++p;
                        continue;
                    }
                }
                const bool crLf = c == '\r' && p + 1 < end && p[1] == '\n';
                switch (c) {
                case '<':
                    out = PutLiteral(out, "&lt;", 4);
                    break;
                case '&':
                    out = PutLiteral(out, "&amp;", 5);
                    break;
                case '>':
                    out = PutLiteral(out, "&gt;", 4);
                    break;
                case '"':
                    out = PutLiteral(out, "&quot;", 6);
                    break;
                case '\t':
                    out = PutLiteral(out, "&#9;", 4);
                    break;
                case '-':
                    // "--" may not occur in a comment and it may not end in "-". Changing the
                    // text would save something else than the tree shows: refused.
                    if (p + 1 == end || p[1] == '-') {
                        Commit(out);
                        return kBadComment;
                    }
                    *out++ = '-';
                    break;
                case ']':
                    // "]]>" would end the section: it is split over two sections, which a
                    // parser joins into one text again.
                    if (end - p >= 3 && p[1] == ']' && p[2] == '>') {
                        out = PutLiteral(out, "]]]]><![CDATA[>", 15);
                        p += 2;
                    } else {
                        *out++ = ']';
                    }
                    break;
                case '\r':
                    if (mode == Escape::Attribute) {
                        out = crLf ? PutLiteral(out, "&#10;", 5) : PutLiteral(out, "&#13;", 5);
                    } else if (crLf || mode == Escape::Comment ||
                               mode == Escape::ProcessingInstruction || mode == Escape::Verbatim) {
                        out = PutLiteral(out, m_lineBreak, size_t(m_lineBreakLength));
                    } else if (mode == Escape::Text) {
                        out = PutLiteral(out, "&#13;", 5);
                    } else {
                        Commit(out);
                        return kInvalidDocument; // a lone CR cannot survive inside CDATA
                    }
                    if (crLf)
                        ++p;
                    break;
                case '\n':
                    if (mode == Escape::Attribute)
                        out = PutLiteral(out, "&#10;", 5);
                    else
                        out = PutLiteral(out, m_lineBreak, size_t(m_lineBreakLength));
                    break;
                default:
                    break;
                }
                ++p;
                continue;
            }
            if (IsHighSurrogate(c)) {
                if (p + 1 >= end || !IsLowSurrogate(p[1])) {
                    Commit(out);
                    return XmlError::InvalidSurrogatePair;
                }
            } else if (IsLowSurrogate(c)) {
                Commit(out);
                return XmlError::InvalidSurrogatePair;
            } else if (c >= 0xFFFE) {
                Commit(out);
                return XmlError::IllegalXmlCharacter;
            }
            out = PutUtf8(out, p);
        }
        Commit(out);
    }
    return XE_OK;
}

bool XmlWriter::CanWriteAsCData(QStringView text)
{
    for (qsizetype i = text.indexOf(u'\r'); i >= 0; i = text.indexOf(u'\r', i + 1)) {
        if (i + 1 >= text.size() || text[i + 1] != u'\n')
            return false;
    }
    return true;
}

XmlStatus XmlWriter::WriteStartDocument(Standalone standalone)
{
    if (m_status != XE_OK)
        return m_status;
    if (m_length != m_start)
        return Fail(kInvalidDocument);
    static constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"";
    Append(kDeclaration, qsizetype(sizeof kDeclaration - 1));
    if (standalone == Standalone::Yes)
        Append(" standalone=\"yes\"", 17);
    else if (standalone == Standalone::No)
        Append(" standalone=\"no\"", 16);
    Append("?>", 2);
    return XE_OK;
}

XmlStatus XmlWriter::WriteDocumentType(QStringView declaration)
{
    if (m_status != XE_OK)
        return m_status;
    // Only the prolog of a document may hold it, and only one.
    if (m_conformance != Conformance::Document || !m_frames.empty() || m_rootWritten ||
        m_documentTypeWritten || !declaration.startsWith(u"<!DOCTYPE") ||
        !declaration.endsWith(u'>'))
        return Fail(kInvalidDocument);
    m_documentTypeWritten = true;
    BeforeMarkup();
    if (const XmlStatus status = AppendEscaped<Escape::Verbatim>(declaration))
        return Fail(status);
    return XE_OK;
}

XmlStatus XmlWriter::WriteStartElement(QStringView prefix, QStringView localName)
{
    if (m_status != XE_OK)
        return m_status;
    if (m_startTagOpen && CloseStartTag(false) != XE_OK)
        return m_status;
    if (m_conformance == Conformance::Document && m_frames.empty() && m_rootWritten)
        return Fail(kInvalidDocument); // a second root element would not load
    // Edits can nest deeper than the loader accepts; such a file would never open again.
    if (m_frames.size() >= size_t(XmlReader::MaxElementDepth))
        return Fail(XmlError::MaxElementDepth);
    BeforeMarkup();
    Append("<", 1);
    if (const XmlStatus status = AppendQualifiedName(prefix, localName, m_elementName))
        return Fail(status);
    Frame frame;
    frame.nameOffset =
        m_elementName.prefixLength ? m_elementName.prefixOffset : m_elementName.localOffset;
    frame.nameLength = int(m_length - frame.nameOffset);
    frame.declarationMark = int(m_declarations.size());
    frame.noIndent = !m_frames.empty() && m_frames.back().noIndent;
    m_frames.push_back(frame);
    m_startTagOpen = true;
    m_namesChecked = false;
    m_attributes.clear();
    return XE_OK;
}

XmlStatus XmlWriter::CharactersStatus(QStringView text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20 ? kTextTable[c] == kForbidden : c >= 0xFFFE)
            return XmlError::IllegalXmlCharacter;
        if (IsLowSurrogate(c))
            return XmlError::InvalidSurrogatePair;
        if (IsHighSurrogate(c) && (++i >= size || !IsLowSurrogate(text[i].unicode())))
            return XmlError::InvalidSurrogatePair;
    }
    return XE_OK;
}

XmlStatus XmlWriter::DeclarationStatus(QStringView prefix, QStringView localName, QStringView value)
{
    const bool isDefault = prefix.isEmpty();
    if (!isDefault && localName == u"xmlns")
        return XmlError::XmlnsPrefixRedefined;
    const QString uri = ParsedAttributeValue(value);
    if (!isDefault && localName == u"xml")
        return uri == kXmlNamespace ? XE_OK : XmlError::XmlPrefixUri;
    if (uri == kXmlNamespace)
        return XmlError::XmlUriPrefix;
    if (uri == kXmlnsNamespace)
        return XmlError::XmlnsUriReserved;
    if (uri.isEmpty())
        return isDefault ? XE_OK : kEmptyPrefixUri;
    // Any other value goes: libxml2 only warns about a namespace name that is no URI reference
    // (an IRI such as "urn:caf\u00e9", or "a b") and loads it.
    return XE_OK;
}

XmlStatus XmlWriter::CheckDeclaration(QStringView prefix, QStringView localName, QStringView value)
{
    if (const XmlStatus status = DeclarationStatus(prefix, localName, value))
        return status;
    if (!prefix.isEmpty() && localName != u"xml")
        m_declarations.push_back({localName.toUtf8(), ParsedAttributeValue(value)});
    return XE_OK;
}

XmlStatus XmlWriter::WriteAttributeString(QStringView prefix, QStringView localName,
                                          QStringView value)
{
    if (m_status != XE_OK)
        return m_status;
    if (!m_startTagOpen)
        return Fail(kInvalidDocument);
    Append(" ", 1);
    PendingAttribute attribute;
    if (const XmlStatus status = AppendQualifiedName(prefix, localName, attribute))
        return Fail(status);
    for (const PendingAttribute& other : m_attributes) {
        if (other.prefixLength == attribute.prefixLength &&
            other.localLength == attribute.localLength &&
            std::memcmp(m_output.constData() + other.prefixOffset,
                        m_output.constData() + attribute.prefixOffset,
                        size_t(attribute.prefixLength)) == 0 &&
            std::memcmp(m_output.constData() + other.localOffset,
                        m_output.constData() + attribute.localOffset,
                        size_t(attribute.localLength)) == 0)
            return Fail(XmlError::DuplicateAttribute);
    }
    m_attributes.push_back(attribute);
    if ((prefix.isEmpty() && localName == u"xmlns") || prefix == u"xmlns") {
        if (const XmlStatus status = CheckDeclaration(prefix, localName, value))
            return Fail(status);
    } else if (prefix == u"xml" && localName == u"space" && value == u"preserve") {
        // Whitespace is significant here: indentation would change the content for readers
        // that honour xml:space.
        m_frames.back().noIndent = true;
    }
    Append("=\"", 2);
    if (const XmlStatus status = AppendEscaped<Escape::Attribute>(value))
        return Fail(status);
    Append("\"", 1);
    return XE_OK;
}

XmlStatus XmlWriter::CheckPendingNames()
{
    // The element's prefix and the attribute prefixes may be declared anywhere in the start
    // tag, so they are resolved only now.
    if (m_elementName.prefixLength) {
        if (Matches(m_elementName.prefixOffset, m_elementName.prefixLength, "xmlns"))
            return kXmlnsPrefixReserved;
        if (!Matches(m_elementName.prefixOffset, m_elementName.prefixLength, "xml") &&
            !FindDeclaration(m_output.constData() + m_elementName.prefixOffset,
                             m_elementName.prefixLength))
            return XmlError::NamespaceNotDeclared;
    }
    static const QString xmlUri = kXmlNamespace.toString();
    std::vector<ExpandedName>& expanded = m_expanded;
    expanded.clear();
    for (const PendingAttribute& attribute : m_attributes) {
        if (!attribute.prefixLength ||
            Matches(attribute.prefixOffset, attribute.prefixLength, "xmlns"))
            continue;
        const QString* uri = &xmlUri;
        if (!Matches(attribute.prefixOffset, attribute.prefixLength, "xml")) {
            const Declaration* declaration = FindDeclaration(
                m_output.constData() + attribute.prefixOffset, attribute.prefixLength);
            if (!declaration)
                return XmlError::NamespaceNotDeclared;
            uri = &declaration->uri;
        }
        expanded.push_back({uri, &attribute});
    }
    // p:a and q:a are the same attribute when p and q are bound to the same URI.
    for (size_t i = 1; i < expanded.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            const PendingAttribute& a = *expanded[i].attribute;
            const PendingAttribute& b = *expanded[j].attribute;
            if (*expanded[i].uri == *expanded[j].uri && a.localLength == b.localLength &&
                std::memcmp(m_output.constData() + a.localOffset,
                            m_output.constData() + b.localOffset, size_t(a.localLength)) == 0)
                return XmlError::DuplicateAttribute;
        }
    }
    return XE_OK;
}

XmlStatus XmlWriter::CheckStartTag()
{
    if (m_status != XE_OK || !m_startTagOpen || m_namesChecked)
        return m_status;
    if (const XmlStatus status = CheckPendingNames())
        return Fail(status);
    m_namesChecked = true;
    return XE_OK;
}

XmlStatus XmlWriter::CloseStartTag(bool empty)
{
    if (CheckStartTag() != XE_OK)
        return m_status;
    m_startTagOpen = false;
    if (empty)
        Append("/>", 2);
    else
        Append(">", 1);
    return XE_OK;
}

XmlStatus XmlWriter::WriteString(QStringView text)
{
    if (m_status != XE_OK || text.isEmpty())
        return m_status;
    if (m_frames.empty() && m_conformance == Conformance::Document)
        return Fail(kInvalidDocument);
    if (m_startTagOpen && CloseStartTag(false) != XE_OK)
        return m_status;
    if (!m_frames.empty())
        m_frames.back().noIndent = true;
    if (const XmlStatus status = AppendEscaped<Escape::Text>(text))
        return Fail(status);
    return XE_OK;
}

XmlStatus XmlWriter::WriteCData(QStringView text)
{
    if (m_status != XE_OK)
        return m_status;
    if (m_frames.empty() && m_conformance == Conformance::Document)
        return Fail(kInvalidDocument);
    if (m_startTagOpen && CloseStartTag(false) != XE_OK)
        return m_status;
    if (!m_frames.empty())
        m_frames.back().noIndent = true;
    Append("<![CDATA[", 9);
    if (const XmlStatus status = AppendEscaped<Escape::CData>(text))
        return Fail(status);
    Append("]]>", 3);
    return XE_OK;
}

XmlStatus XmlWriter::WriteComment(QStringView text)
{
    if (m_status != XE_OK)
        return m_status;
    if (m_startTagOpen && CloseStartTag(false) != XE_OK)
        return m_status;
    BeforeMarkup();
    Append("<!--", 4);
    if (const XmlStatus status = AppendEscaped<Escape::Comment>(text))
        return Fail(status);
    Append("-->", 3);
    return XE_OK;
}

XmlStatus XmlWriter::WriteProcessingInstruction(QStringView target, QStringView data)
{
    if (m_status != XE_OK)
        return m_status;
    switch (CheckNcName(target)) {
    case NameCheck::Ok:
        break;
    case NameCheck::Empty:
        return Fail(kNameExpected);
    case NameCheck::Colon: // namespaces forbid colons in targets
        return Fail(kColonInName);
    case NameCheck::BadCharacter:
        return Fail(XmlError::IllegalNameCharacter);
    }
    // Reserved for the XML declaration, in any case.
    if (target.compare(u"xml", Qt::CaseInsensitive) == 0)
        return Fail(kLeadingXml);
    if (m_startTagOpen && CloseStartTag(false) != XE_OK)
        return m_status;
    BeforeMarkup();
    Append("<?", 2);
    qsizetype offset;
    int length;
    AppendName(target, offset, length);
    if (!data.isEmpty()) {
        // The parser drops the whitespace between target and data, so data that starts with
        // whitespace loses it on the next load.
        Append(" ", 1);
        if (const XmlStatus status = AppendEscaped<Escape::ProcessingInstruction>(data))
            return Fail(status);
    }
    Append("?>", 2);
    return XE_OK;
}

XmlStatus XmlWriter::WriteEndElement()
{
    if (m_status != XE_OK)
        return m_status;
    if (m_frames.empty())
        return Fail(kInvalidDocument);
    if (m_startTagOpen) {
        if (CloseStartTag(true) != XE_OK)
            return m_status;
    } else {
        const Frame& frame = m_frames.back();
        if (m_indent && frame.hasMarkup && !frame.noIndent)
            AppendLineBreakAndIndent(int(m_frames.size()) - 1);
        char* out = Reserve(frame.nameLength + 3);
        *out++ = '<';
        *out++ = '/';
        std::memcpy(out, m_output.constData() + frame.nameOffset, size_t(frame.nameLength));
        out += frame.nameLength;
        *out++ = '>';
        Commit(out);
    }
    m_declarations.resize(size_t(m_frames.back().declarationMark));
    m_frames.pop_back();
    if (m_frames.empty())
        m_rootWritten = true;
    return XE_OK;
}

XmlStatus XmlWriter::WriteEndDocument()
{
    while (m_status == XE_OK && !m_frames.empty())
        WriteEndElement();
    if (m_status != XE_OK || m_conformance != Conformance::Document)
        return m_status;
    if (!m_rootWritten)
        return Fail(kInvalidDocument); // a document without a root element does not load
    // A file ends with a line break, as text files do.
    if (!m_ended)
        Append(m_lineBreak, m_lineBreakLength);
    m_ended = true;
    return m_status;
}

XmlStatus XmlWriter::Flush()
{
    m_output.resize(m_length);
    return m_status;
}
