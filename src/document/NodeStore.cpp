#include "document/NodeStore.h"

#include "document/FreshBlocks.h"
#include "document/XmlException.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

static_assert(std::is_trivially_destructible_v<XmlNode>);

void NodeStore::ChunkDeleter::operator()(void* chunk) const
{
    // Slots hold only pointers and numbers: nothing to destroy but the memory.
    ::operator delete(chunk);
}

void* NodeStore::NewChunk(size_t bytes)
{
    if (m_fresh && bytes == m_fresh->BlockBytes())
        return m_fresh->Take();
    void* memory = ::operator new(bytes);
    // A chunk for one large value is sized by a bound it may not reach: left alone.
    if (bytes == ChunkBytes())
        FreshBlocks::Populate(memory, bytes);
    return memory;
}

NodeStore::NodeStore() = default;

NodeStore::~NodeStore()
{
    ReleaseAll();
}

void NodeStore::Reset()
{
    ReleaseAll();
    m_chunks.clear();
    m_usedInLastChunk = kSlotsPerChunk;
    m_freeList = nullptr;
    m_liveNodes = 0;
    m_nodeNameIndex.clear();
    m_nodeNames.clear();
    m_nameIndex.clear();
    m_names.clear();
    m_textChunks.clear();
    m_textChunkSizes.clear();
    m_text = nullptr;
    m_textUsed = 0;
    m_textCapacity = 0;
    m_ownedTextBytes = 0;
}

void NodeStore::ReleaseAll()
{
    // Owned values and child arrays are released slot by slot; the slots go with the chunks.
    for (size_t c = 0; c < m_chunks.size(); ++c) {
        const size_t used = c + 1 == m_chunks.size() ? m_usedInLastChunk : kSlotsPerChunk;
        for (size_t i = 0; i < used; ++i) {
            XmlNode& node = m_chunks[c][i];
            if (node.m_valueOwned)
                delete[] node.m_value;
            node.ReleaseChildren();
        }
    }
}

XmlNode* NodeStore::NewNode()
{
    XmlNode* node;
    if (m_freeList) {
        node = m_freeList;
        m_freeList = node->m_parent;
        node->Reset();
    } else {
        if (m_usedInLastChunk == kSlotsPerChunk) {
            m_chunks.emplace_back(static_cast<XmlNode*>(NewChunk(ChunkBytes())));
            m_usedInLastChunk = 0;
        }
        // Made as handed out: one pass over the slot's memory, not a second one ahead.
        node = new (&m_chunks.back()[m_usedInLastChunk++]) XmlNode;
    }
    node->m_name = &m_emptyName;
    ++m_liveNodes;
    return node;
}

void NodeStore::FreeNode(XmlNode* node)
{
    if (node->m_valueOwned) {
        m_ownedTextBytes -= node->m_valueLength * sizeof(char16_t);
        delete[] node->m_value;
    }
    node->ReleaseChildren();
    node->Reset();
    node->m_kind = XmlNode::kFreeKind;
    node->m_parent = m_freeList;
    m_freeList = node;
    --m_liveNodes;
}

const QString* NodeStore::Intern(QStringView name)
{
    if (name.isEmpty())
        return &m_empty;
    auto found = m_nameIndex.constFind(name);
    if (found != m_nameIndex.constEnd())
        return found.value();
    const QString& stored = m_names.emplace_back(name.toString());
    m_nameIndex.insert(QStringView(stored), &stored);
    return &stored;
}

const NodeName* NodeStore::InternName(const QString* prefix, const QString* localName)
{
    if (prefix == &m_empty && localName == &m_empty)
        return &m_emptyName;
    const std::pair key(prefix, localName);
    auto found = m_nodeNameIndex.constFind(key);
    if (found != m_nodeNameIndex.constEnd())
        return found.value();
    const NodeName* stored = &m_nodeNames.emplace_back(NodeName{prefix, localName});
    m_nodeNameIndex.insert(key, stored);
    return stored;
}

char16_t* NodeStore::ReserveText(qsizetype maxLength)
{
    if (m_textCapacity - m_textUsed < maxLength) {
        const qsizetype size = std::max(kTextChunkUnits, maxLength);
        m_textChunks.emplace_back(
            static_cast<char16_t*>(NewChunk(size_t(size) * sizeof(char16_t))));
        m_textChunkSizes.push_back(size);
        m_text = m_textChunks.back().get();
        m_textUsed = 0;
        m_textCapacity = size;
    }
    return m_text + m_textUsed;
}

void NodeStore::SetOwnedValue(XmlNode* node, QStringView value)
{
    ClearValue(node);
    if (value.isEmpty())
        return;
    auto* buffer = new char16_t[value.size()];
    std::memcpy(buffer, value.utf16(), sizeof(char16_t) * value.size());
    node->m_value = buffer;
    node->m_valueLength = uint32_t(value.size());
    node->m_valueOwned = true;
    m_ownedTextBytes += sizeof(char16_t) * value.size();
}

void NodeStore::SetArenaValue(XmlNode* node, const char16_t* data, uint32_t length)
{
    ClearValue(node);
    node->m_value = length ? data : nullptr;
    node->m_valueLength = length;
}

void NodeStore::ClearValue(XmlNode* node)
{
    if (node->m_valueOwned) {
        m_ownedTextBytes -= node->m_valueLength * sizeof(char16_t);
        delete[] node->m_value;
    }
    node->m_value = nullptr;
    node->m_valueLength = 0;
    node->m_valueOwned = false;
}

size_t NodeStore::MemoryUsage() const
{
    size_t bytes = m_chunks.size() * kSlotsPerChunk * sizeof(XmlNode);
    for (size_t c = 0; c < m_chunks.size(); ++c) {
        const size_t used = c + 1 == m_chunks.size() ? m_usedInLastChunk : kSlotsPerChunk;
        for (size_t i = 0; i < used; ++i)
            if (const uint32_t capacity = m_chunks[c][i].ChildCapacity())
                bytes += (capacity + 1) * sizeof(XmlNode*);
    }
    for (qsizetype size : m_textChunkSizes)
        bytes += size_t(size) * sizeof(char16_t);
    bytes += m_ownedTextBytes;
    for (const QString& name : m_names)
        bytes += sizeof(QString) + 32 + size_t(name.size()) * 2;
    bytes += m_nodeNames.size() * (sizeof(NodeName) + 32);
    return bytes;
}
