#include "document/DocumentLoader.h"

#include "config/LoadText.h"
#include "document/FileProgress.h"
#include "document/FreshBlocks.h"
#include "document/XmlDocument.h"
#include "document/XmlReader.h"
#include "document/XmlWhitespace.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kTextNameId = 225;
// Input from which a load has its memory made ready on another thread.
constexpr qint64 kFreshBlocksFrom = 4 << 20;
constexpr int kCommentNameId = 210;

} // namespace

// Interned names by libxml2 string pointer. Element and attribute names come from the
// reader's dictionary, so one pointer is one name; prefixes are per-declaration copies whose
// memory may be reused for another prefix later, so a hit also compares the bytes.
struct DocumentLoader::NameCache {
    struct Entry {
        const char* pointer = nullptr;
        const QString* name = nullptr;
        QByteArray bytes;
        bool interned = false; // the pointer alone identifies the name
    };
    static constexpr size_t kSize = 4096; // 2^12, matching the shift in Slot
    Entry entries[kSize];

    static size_t Slot(const char* pointer)
    {
        // libxml2's dictionary packs names a few bytes apart: every address bit counts.
        const uint64_t bits = reinterpret_cast<uintptr_t>(pointer);
        return size_t((bits * 0x9E3779B97F4A7C15ull) >> 52);
    }
};

// Interned name pairs by their two interned strings: a node's name without a hash lookup.
struct DocumentLoader::PairCache {
    struct Entry {
        const QString* prefix = nullptr;
        const QString* localName = nullptr;
        const NodeName* name = nullptr;
    };
    static constexpr size_t kSize = 1024; // 2^10, matching the shift in Slot
    Entry entries[kSize];

    static size_t Slot(const QString* prefix, const QString* localName)
    {
        const uint64_t bits =
            reinterpret_cast<uintptr_t>(prefix) * 31 + reinterpret_cast<uintptr_t>(localName);
        return size_t((bits * 0x9E3779B97F4A7C15ull) >> 54);
    }
};

DocumentLoader::DocumentLoader(XmlDocument& document)
    : m_document(document), m_names(std::make_unique<NameCache>()),
      m_pairs(std::make_unique<PairCache>())
{
}

DocumentLoader::~DocumentLoader() = default;

const QString* DocumentLoader::Name(const XmlReader& reader, const char* utf8)
{
    NodeStore& store = m_document.m_store;
    if (!utf8 || !*utf8)
        return store.EmptyString();
    NameCache::Entry& entry = m_names->entries[NameCache::Slot(utf8)];
    if (entry.pointer == utf8 &&
        (entry.interned || std::strcmp(entry.bytes.constData(), utf8) == 0))
        return entry.name;
    entry.pointer = utf8;
    entry.interned = reader.IsInterned(utf8);
    entry.bytes = QByteArray(utf8);
    entry.name = store.Intern(QString::fromUtf8(entry.bytes));
    return entry.name;
}

const NodeName* DocumentLoader::QualifiedName(const XmlReader& reader)
{
    const QString* prefix = Name(reader, reader.PrefixUtf8());
    const QString* localName = Name(reader, reader.LocalNameUtf8());
    PairCache::Entry& entry = m_pairs->entries[PairCache::Slot(prefix, localName)];
    if (entry.prefix != prefix || entry.localName != localName)
        entry = {prefix, localName, m_document.m_store.InternName(prefix, localName)};
    return entry.name;
}

qsizetype DocumentLoader::DecodeValue(const char* utf8, size_t length, char16_t* out,
                                      bool normaliseLineBreaks)
{
    const auto* in = reinterpret_cast<const unsigned char*>(utf8);
    const unsigned char* const end = in + length;
    char16_t* const start = out;
    while (in < end) {
        const unsigned char c = *in;
        if (c < 0x80) {
            if (c == '\r' && normaliseLineBreaks) {
                *out++ = u'\r';
                *out++ = u'\n';
                in += in + 1 < end && in[1] == '\n' ? 2 : 1;
                continue;
            }
            if (c == '\n')
                *out++ = u'\r';
            *out++ = char16_t(c);
            ++in;
            continue;
        }
        char32_t code;
        int extra;
        if ((c & 0xE0) == 0xC0) {
            code = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            code = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            code = c & 0x07;
            extra = 3;
        } else {
            *out++ = u'\xFFFD';
            ++in;
            continue;
        }
        if (end - in <= extra) {
            *out++ = u'\xFFFD';
            break;
        }
        bool valid = true;
        for (int i = 1; i <= extra; ++i) {
            if ((in[i] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (in[i] & 0x3F);
        }
        static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (!valid || code < kMinimum[extra] || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            *out++ = u'\xFFFD';
            ++in;
            continue;
        }
        in += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            *out++ = char16_t(0xD800 + (code >> 10));
            *out++ = char16_t(0xDC00 + (code & 0x3FF));
        } else {
            *out++ = char16_t(code);
        }
    }
    return out - start;
}

void DocumentLoader::SetValue(XmlNode* node, const char* utf8, bool normaliseLineBreaks)
{
    if (!utf8 || !*utf8)
        return;
    NodeStore& store = m_document.m_store;
    const size_t length = std::strlen(utf8);
    char16_t* buffer = store.ReserveText(qsizetype(length) * 2);
    const qsizetype units = DecodeValue(utf8, length, buffer, normaliseLineBreaks);
    store.CommitText(units);
    store.SetArenaValue(node, buffer, uint32_t(units));
}

XmlStatus DocumentLoader::ReadAttributes(XmlReader& reader, XmlNode* element)
{
    for (bool more = reader.MoveToFirstAttribute(); more; more = reader.MoveToNextAttribute()) {
        XmlNode* attribute =
            m_document.AppendLoadedNode(element, XmlNodeKind::Attribute, QualifiedName(reader));
        SetValue(attribute, reader.ValueUtf8());
    }
    reader.MoveToElement();
    return 0;
}

// Whitespace-only character data is layout unless it means something: under xml:space
// "preserve", as an element's only content, or in mixed content. Which of these holds is known
// only later for the last two, so such texts wait per open element (their bytes in a scratch
// buffer, with the index where each would stand) and become nodes only when they turn out to
// matter; the common indentation never costs a node.
struct DocumentLoader::OpenElement {
    XmlNode* element;
    uint32_t attributes;   // its first children
    uint32_t firstPending; // in m_pending
    uint32_t scratchStart; // in m_scratch
    bool preserve;         // xml:space="preserve" holds here
    bool mixed;            // has a text that is not whitespace only
};

XmlNode* DocumentLoader::AppendText(XmlNode* parent, const char* utf8)
{
    XmlNode* node = m_document.AppendLoadedNode(parent, XmlNodeKind::Text, m_textName);
    SetValue(node, utf8);
    return node;
}

void DocumentLoader::KeepPending(OpenElement& open)
{
    XmlNode* const element = open.element;
    const size_t count = m_pending.size() - open.firstPending;
    if (count == 0)
        return;
    // Appended first, then merged into their places from the back in one pass. They get IDs
    // after their later siblings; IDs stay dense from 0, which is all the index needs.
    const uint32_t before = element->m_childCount;
    std::vector<XmlNode*> added;
    added.reserve(count);
    for (size_t i = open.firstPending; i < m_pending.size(); ++i)
        added.push_back(AppendText(element, m_scratch.data() + m_pending[i].offset));
    XmlNode** children = element->m_children;
    int64_t old = int64_t(before) - 1;
    int64_t next = int64_t(count) - 1;
    for (int64_t at = int64_t(before + count) - 1; next >= 0; --at) {
        if (m_pending[open.firstPending + size_t(next)].index == uint32_t(at))
            children[at] = added[size_t(next--)];
        else
            children[at] = children[old--];
    }
    // Every child from the first insertion on moved: their position hints follow.
    for (uint32_t i = m_pending[open.firstPending].index; i < element->m_childCount; ++i)
        children[i]->SetPosition(i);
    m_pending.resize(open.firstPending);
    m_scratch.resize(open.scratchStart);
}

void DocumentLoader::Whitespace(OpenElement& open, const char* utf8)
{
    if (open.preserve || open.mixed) {
        AppendText(open.element, utf8);
        return;
    }
    const uint32_t index =
        open.element->m_childCount + uint32_t(m_pending.size() - open.firstPending);
    // Indentation repeats: share the bytes with the text waiting before.
    if (m_pending.size() > open.firstPending &&
        std::strcmp(m_scratch.data() + m_pending.back().offset, utf8) == 0) {
        m_pending.push_back({index, m_pending.back().offset});
        return;
    }
    m_pending.push_back({index, uint32_t(m_scratch.size())});
    m_scratch.insert(m_scratch.end(), utf8, utf8 + std::strlen(utf8) + 1);
}

void DocumentLoader::Close(OpenElement& open)
{
    const size_t count = m_pending.size() - open.firstPending;
    if (count > 0 && open.element->m_childCount == open.attributes) {
        // The element's only content. Two texts with nothing between them (an empty CDATA
        // section parted them) are one content: keep them as one.
        std::string joined;
        for (size_t i = open.firstPending; i < m_pending.size(); ++i)
            joined += m_scratch.data() + m_pending[i].offset;
        AppendText(open.element, joined.c_str());
    }
    m_pending.resize(open.firstPending);
    m_scratch.resize(open.scratchStart);
}

XmlStatus DocumentLoader::Run(const QByteArray& data, const QString& baseUrl,
                              FileProgress* progress)
{
    XmlReader reader;
    if (!reader.SetInput(data, baseUrl))
        return XE_NO_READER;
    if (progress)
        progress->SetTotal(data.size());
    return Run(reader, progress, data.size());
}

XmlStatus DocumentLoader::Run(XmlReader& reader, FileProgress* progress, qint64 inputBytes)
{
    XmlDocument& doc = m_document;
    // A large text takes gigabytes of fresh memory: a helper thread makes it ready ahead.
    // A small one would pay for the thread and the blocks it makes ready in vain.
    std::optional<FreshBlocks> fresh;
    if (inputBytes >= kFreshBlocksFrom)
        doc.m_store.SetFreshBlocks(&fresh.emplace(NodeStore::ChunkBytes()));
    const auto done = qScopeGuard([&doc] { doc.m_store.SetFreshBlocks(nullptr); });
    doc.m_errorLine = -1;
    doc.m_errorPosition = -1;
    reader.SetProgress(progress, 0);
    doc.m_nextId = 0;

    // Taken from the string table once per load, so a language file names them.
    m_textName = doc.m_store.InternName(QStringView(), LoadText(kTextNameId));
    const NodeName* commentName = doc.m_store.InternName(QStringView(), LoadText(kCommentNameId));
    const NodeName* xmlSpace = doc.m_store.InternName(u"xml", u"space");

    XmlNode* const root = &doc.m_root;
    std::vector<OpenElement> open;
    m_pending.clear();
    m_scratch.clear();
    XmlStatus status = 0;
    for (;;) {
        int type;
        const XmlStatus read = reader.Read(&type);
        if (read == 1)
            break;
        if (read != 0) {
            status = read;
            break;
        }
        XmlNode* const parent = open.empty() ? root : open.back().element;
        switch (type) {
        case XmlReader::Element: {
            const bool empty = reader.IsEmptyElement();
            XmlNode* element =
                doc.AppendLoadedNode(parent, XmlNodeKind::Element, QualifiedName(reader));
            // Room for the attributes and, in a start tag, one content node: exact for the
            // common record with text, so the array rarely grows or shrinks.
            const int attributes = reader.AttributeCount();
            if (attributes)
                element->ReserveChildren(uint32_t(attributes + (empty ? 0 : 1)));
            ReadAttributes(reader, element);
            if (empty) {
                element->ShrinkChildren();
                break;
            }
            bool preserve = !open.empty() && open.back().preserve;
            for (int i = 0; i < attributes; ++i) {
                const XmlNode* attribute = element->m_children[i];
                if (attribute->m_name == xmlSpace)
                    preserve = attribute->ValueView() == u"preserve";
            }
            open.push_back({element, uint32_t(attributes), uint32_t(m_pending.size()),
                            uint32_t(m_scratch.size()), preserve, false});
            break;
        }
        // A CDATA section's text is character data like any other: it becomes a text node of
        // its own (the reader reports each section separately, line breaks normalised), so
        // no content is lost. An empty section holds nothing and makes no node.
        case XmlReader::CData:
        case XmlReader::Text: {
            const char* value = reader.ValueUtf8();
            if (!*value || open.empty())
                break;
            OpenElement& current = open.back();
            if (!current.mixed && (type == XmlReader::Text || !IsXmlWhitespace(value))) {
                current.mixed = true;
                KeepPending(current);
            }
            AppendText(current.element, value);
            break;
        }
        case XmlReader::Whitespace:
            // Outside the document element white space is never a node.
            if (!open.empty())
                Whitespace(open.back(), reader.ValueUtf8());
            break;
        case XmlReader::Comment:
            SetValue(doc.AppendLoadedNode(parent, XmlNodeKind::Comment, commentName),
                     reader.ValueUtf8());
            break;
        case XmlReader::ProcessingInstruction:
            SetValue(doc.AppendLoadedNode(parent, XmlNodeKind::ProcessingInstruction,
                                          QualifiedName(reader)),
                     reader.ValueUtf8());
            break;
        case XmlReader::EndElement:
            if (open.empty()) {
                status = XE_INTERNAL; // an end tag with no open element in the tree
                break;
            }
            Close(open.back());
            open.back().element->ShrinkChildren();
            open.pop_back();
            break;
        default:
            // The document type and the XML declaration have no node.
            break;
        }
        if (status != 0 || reader.IsEOF())
            break;
    }
    if (status != 0) {
        doc.m_errorLine = reader.LineNumber();
        doc.m_errorPosition = reader.LinePosition();
    } else {
        doc.m_documentType = reader.DocumentTypeText();
        const int standalone = reader.Standalone();
        doc.m_standalone = standalone == 1   ? XmlDocument::Standalone::Yes
                           : standalone == 0 ? XmlDocument::Standalone::No
                                             : XmlDocument::Standalone::Omitted;
    }
    m_pending = {};
    m_scratch = {};
    return status;
}

namespace {

// Opens a regular file (or a link to one) for reading: a FIFO would block and a folder or
// device is no document. On a failure `failure` says why, where the system or the path can.
XmlStatus OpenFile(const QString& path, const QFileInfo& info, QFile& file, FileFailure& failure)
{
    if (path.isEmpty())
        return XE_CANNOT_OPEN_FILE;
    if (info.isDir()) {
        failure = FileFailure::Of(FileFailure::Kind::Folder);
        return XE_CANNOT_OPEN_FILE;
    }
    if (info.exists() && !info.isFile())
        return XE_CANNOT_OPEN_FILE;
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential()) {
        failure = FileFailure::Of(FileFailure::Kind::System, file.errorString());
        return XE_CANNOT_OPEN_FILE;
    }
    return XE_OK;
}

} // namespace

bool DocumentLoader::StartsWithoutMarkup(const QByteArray& data)
{
    // Byte-order marks, white space and the zero bytes of UTF-16 and UTF-32 are passed over;
    // a document's first character after them is '<'.
    const auto* c = reinterpret_cast<const unsigned char*>(data.constData());
    const unsigned char* const end = c + data.size();
    if (end - c >= 3 && c[0] == 0xEF && c[1] == 0xBB && c[2] == 0xBF)
        c += 3;
    else if (end - c >= 2 && ((c[0] == 0xFF && c[1] == 0xFE) || (c[0] == 0xFE && c[1] == 0xFF)))
        c += 2;
    while (c < end && (*c == 0 || IsXmlSpace(char16_t(*c))))
        ++c;
    return c < end && *c != '<';
}

XmlStatus XmlDocument::Load(const QString& path, FileProgress* progress)
{
    ClearTree();
    // Taken before the read, so a change during it shows next time.
    const QFileInfo info(path);
    QFile file;
    XmlStatus status = OpenFile(path, info, file, m_fileFailure);
    if (status == XE_OK) {
        // Read as the parser goes, hashed as read: a large file is never held whole.
        if (progress)
            progress->SetTotal(file.size());
        FileFingerprint::Hasher hasher;
        XmlReader reader;
        if (!reader.SetInput(
                file, info.absoluteFilePath(),
                [&hasher](const char* bytes, qint64 count) { hasher.Add(bytes, count); })) {
            status = XE_NO_READER;
        } else {
            DocumentLoader loader(*this);
            status = loader.Run(reader, progress, file.size());
        }
        if (!reader.ReadError().isEmpty()) {
            m_fileFailure = FileFailure::Of(FileFailure::Kind::System, reader.ReadError());
            status = XE_CANNOT_OPEN_FILE;
        } else if (status == XE_OK) {
            m_diskFingerprint = FileFingerprint::Of(info, hasher.Result());
        } else if (status != XE_CANCELLED &&
                   DocumentLoader::StartsWithoutMarkup(reader.Beginning())) {
            m_fileFailure = FileFailure::Of(FileFailure::Kind::NoMarkup);
        }
    }
    OnLoaded(status);
    return status;
}

XmlStatus XmlDocument::LoadFromData(const QByteArray& data)
{
    ClearTree();
    DocumentLoader loader(*this);
    const XmlStatus status = loader.Run(data, QString());
    OnLoaded(status);
    return status;
}
