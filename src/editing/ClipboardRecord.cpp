#include "editing/ClipboardRecord.h"

#include "document/XmlDocument.h"

#include <QtEndian>
#include <limits>

namespace {

constexpr qint64 kCountSize = 4;

bool IsStorableKind(uint8_t kind)
{
    return IsTreeKind(XmlNodeKind(kind));
}

// Bytes of one string field (count plus units with the NUL); -1 when it does not fit a count.
qint64 StringFieldSize(QStringView text)
{
    if (quint64(text.size()) + 1 > std::numeric_limits<uint32_t>::max())
        return -1;
    return kCountSize + 2 * (qint64(text.size()) + 1);
}

class Writer {
public:
    explicit Writer(char* out) : m_out(out) {}
    void Byte(uint8_t value) { *m_out++ = char(value); }
    void Count(uint32_t value)
    {
        qToLittleEndian<uint32_t>(value, m_out);
        m_out += 4;
    }
    void String(QStringView text)
    {
        Count(uint32_t(text.size() + 1));
        for (QChar unit : text) {
            qToLittleEndian<uint16_t>(unit.unicode(), m_out);
            m_out += 2;
        }
        qToLittleEndian<uint16_t>(0, m_out);
        m_out += 2;
    }
    char* Position() const { return m_out; }

private:
    char* m_out;
};

class Reader {
public:
    explicit Reader(QByteArrayView block) : m_data(block.data()), m_size(block.size()) {}
    qsizetype Remaining() const { return m_size - m_pos; }
    bool Byte(uint8_t& value)
    {
        if (Remaining() < 1)
            return false;
        value = uint8_t(m_data[m_pos++]);
        return true;
    }
    bool Count(uint32_t& value)
    {
        if (Remaining() < 4)
            return false;
        value = qFromLittleEndian<uint32_t>(m_data + m_pos);
        m_pos += 4;
        return true;
    }
    // A counted string: the units must lie in the block and the last one must be NUL; the
    // text ends at the first NUL. The count is checked against the bytes left before use.
    bool String(QString& text)
    {
        uint32_t count = 0;
        if (!Count(count))
            return false;
        if (qint64(count) > Remaining() / 2)
            return false;
        const char* units = m_data + m_pos;
        if (count > 0 && qFromLittleEndian<uint16_t>(units + 2 * (qint64(count) - 1)) != 0)
            return false;
        qsizetype length = 0;
        while (length < qsizetype(count) && qFromLittleEndian<uint16_t>(units + 2 * length) != 0)
            ++length;
        text.resize(length);
        for (qsizetype i = 0; i < length; ++i)
            text[i] = QChar(qFromLittleEndian<uint16_t>(units + 2 * i));
        m_pos += 2 * qsizetype(count);
        return true;
    }

private:
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

} // namespace

qint64 ClipboardRecord::RecordSize(const XmlNode& node)
{
    qint64 total = 0;
    std::vector<const XmlNode*> pending{&node};
    while (!pending.empty()) {
        const XmlNode* current = pending.back();
        pending.pop_back();
        const qint64 prefix = StringFieldSize(current->Prefix());
        const qint64 local = StringFieldSize(current->LocalName());
        const qint64 value = StringFieldSize(current->ValueView());
        if (prefix < 0 || local < 0 || value < 0)
            return -1;
        total += 1 + kCountSize + prefix + local + value;
        for (const XmlNode* child : *current)
            pending.push_back(child);
    }
    return total;
}

QByteArray ClipboardRecord::EncodeBlock(const XmlNode& node, const Declarations& carried)
{
    const bool carries = node.Kind() == XmlNodeKind::Element && !carried.empty() &&
                         carried.size() <= std::numeric_limits<uint16_t>::max();
    qint64 size = RecordSize(node);
    if (size < 0)
        return {};
    if (carries) {
        for (const NamespaceScope::Declaration& declaration : carried) {
            const qint64 prefix = StringFieldSize(declaration.prefix.isEmpty() ? u"" : u"xmlns");
            const qint64 local =
                StringFieldSize(declaration.prefix.isEmpty() ? QStringView(u"xmlns")
                                                             : QStringView(declaration.prefix));
            const qint64 value = StringFieldSize(declaration.uri);
            if (prefix < 0 || local < 0 || value < 0)
                return {};
            size += 1 + kCountSize + prefix + local + value;
        }
    }
    QByteArray block(qsizetype(size + kSpareBytes), '\0');
    Writer writer(block.data());
    // Pre-order with an explicit stack: children are pushed in reverse so they come out in order.
    std::vector<const XmlNode*> pending{&node};
    while (!pending.empty()) {
        const XmlNode* current = pending.back();
        pending.pop_back();
        const bool top = current == &node;
        writer.Byte(uint8_t(int32_t(current->Kind()) & 0xFF));
        writer.Count(uint32_t(current->ChildCount()) +
                     (top && carries ? uint32_t(carried.size()) : 0));
        writer.String(current->Prefix());
        writer.String(current->LocalName());
        writer.String(current->ValueView());
        if (top && carries) {
            for (const NamespaceScope::Declaration& declaration : carried) {
                writer.Byte(uint8_t(XmlNodeKind::Attribute));
                writer.Count(0);
                writer.String(declaration.prefix.isEmpty() ? u"" : u"xmlns");
                writer.String(declaration.prefix.isEmpty() ? QStringView(u"xmlns")
                                                           : QStringView(declaration.prefix));
                writer.String(declaration.uri);
            }
        }
        for (int i = current->ChildCount() - 1; i >= 0; --i)
            pending.push_back(current->ChildAt(i));
    }
    Q_ASSERT(writer.Position() == block.data() + size);
    if (carries)
        qToLittleEndian<uint16_t>(uint16_t(carried.size()), writer.Position());
    return block;
}

bool ClipboardRecord::Decode(QByteArrayView block, Parsed& out)
{
    out.clear();
    Reader reader(block);
    // Children still to read at each open level; the first record is the only one at level 0.
    std::vector<uint32_t> open{1};
    while (!open.empty()) {
        if (open.back() == 0) {
            open.pop_back();
            continue;
        }
        --open.back();
        Entry entry;
        uint8_t kind = 0;
        if (reader.Remaining() < kMinRecordSize || !reader.Byte(kind) ||
            !reader.Count(entry.childCount) || !reader.String(entry.prefix) ||
            !reader.String(entry.localName) || !reader.String(entry.value) ||
            !IsStorableKind(kind)) {
            out.clear();
            return false;
        }
        entry.kind = XmlNodeKind(kind);
        if (entry.childCount > 0) {
            // Only elements hold children, each child takes at least kMinRecordSize bytes, and
            // the nesting is bounded; a count the block cannot back is refused at once.
            if (entry.kind != XmlNodeKind::Element || int(open.size()) >= kMaxDepth ||
                qint64(entry.childCount) > reader.Remaining() / kMinRecordSize) {
                out.clear();
                return false;
            }
            open.push_back(entry.childCount);
        }
        out.push_back(std::move(entry));
    }
    // The spare bytes after the record count the declarations carried on copy; a count the
    // top element's leading declarations cannot back is taken for none.
    if (reader.Remaining() >= 2 && out.front().kind == XmlNodeKind::Element) {
        uint8_t low = 0;
        uint8_t high = 0;
        reader.Byte(low);
        reader.Byte(high);
        const size_t carried = size_t(low) | (size_t(high) << 8);
        bool backed = carried <= out.front().childCount && carried < out.size();
        for (size_t i = 1; backed && i <= carried; ++i)
            backed = out[i].kind == XmlNodeKind::Attribute &&
                     (out[i].prefix == u"xmlns" ||
                      (out[i].prefix.isEmpty() && out[i].localName == u"xmlns"));
        for (size_t i = 1; backed && i <= carried; ++i)
            out[i].carried = true;
    }
    return true;
}

XmlNode* ClipboardRecord::Build(XmlDocument& document, XmlNode* parent, int index,
                                const Parsed& parsed)
{
    if (parsed.empty())
        return nullptr;
    struct Open {
        XmlNode* node;
        uint32_t remaining;
    };
    XmlNode* top = nullptr;
    std::vector<Open> open;
    try {
        for (const Entry& entry : parsed) {
            while (!open.empty() && open.back().remaining == 0)
                open.pop_back();
            XmlNode* under = open.empty() ? parent : open.back().node;
            if (!open.empty())
                --open.back().remaining;
            else if (top)
                break; // a well-formed parse has one top record; never build a second
            XmlNodeData record;
            record.kind = entry.kind;
            record.prefix = entry.prefix;
            record.localName = entry.localName;
            record.value = entry.value;
            XmlNode* node = top ? document.AppendChild(under, record)
                                : document.InsertChild(under, index, record);
            if (!top)
                top = node;
            if (entry.childCount > 0)
                open.push_back({node, entry.childCount});
        }
    } catch (...) {
        if (top)
            document.RemoveChildAt(parent, parent->IndexOfChild(top));
        throw;
    }
    return top;
}
