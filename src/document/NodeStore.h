#pragma once

#include "document/XmlNode.h"

#include <QHash>
#include <QString>
#include <QStringView>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

class FreshBlocks;

// Memory behind one document's nodes: fixed-size node slots with a free list, interned names
// and name pairs (names repeat a great deal) and an append-only arena for the values read by the
// loader. Values set later are owned by their node, so edits never grow the arena.
class NodeStore {
public:
    NodeStore();
    ~NodeStore();
    NodeStore(const NodeStore&) = delete;
    // Frees every node, name and text at once; no node of this store may be used afterwards.
    void Reset();
    NodeStore& operator=(const NodeStore&) = delete;

    XmlNode* NewNode();
    // Frees the node and its subtree; `onFree` sees every node before it goes.
    template <typename F> void FreeSubtree(XmlNode* node, F&& onFree);

    const QString* Intern(QStringView name);
    const QString* EmptyString() const { return &m_empty; }
    // One pair per distinct prefix and local name; both strings must come from Intern.
    const NodeName* InternName(const QString* prefix, const QString* localName);
    const NodeName* InternName(QStringView prefix, QStringView localName)
    {
        return InternName(Intern(prefix), Intern(localName));
    }
    const NodeName* EmptyName() const { return &m_emptyName; }

    // Loader path: room for `maxLength` units in the arena, then keep `length` of them.
    char16_t* ReserveText(qsizetype maxLength);
    void CommitText(qsizetype length) { m_textUsed += length; }

    void SetOwnedValue(XmlNode* node, QStringView value);
    void SetArenaValue(XmlNode* node, const char16_t* data, uint32_t length);
    void ClearValue(XmlNode* node);

    // While a large load runs, node and text chunks come from `blocks` (null: no more),
    // made ready ahead on another thread; their size is ChunkBytes.
    void SetFreshBlocks(FreshBlocks* blocks) { m_fresh = blocks; }
    static constexpr size_t ChunkBytes() { return kSlotsPerChunk * sizeof(XmlNode); }

    // Bytes held by nodes, child arrays, names and text (for the memory benchmark).
    size_t MemoryUsage() const;
    size_t LiveNodes() const { return m_liveNodes; }

private:
    void FreeNode(XmlNode* node);
    void ReleaseAll();

    static constexpr size_t kSlotsPerChunk = 4096;
    // A text chunk is as large as a node chunk, so both come from the same fresh blocks.
    static constexpr qsizetype kTextChunkUnits =
        qsizetype(kSlotsPerChunk * sizeof(XmlNode) / sizeof(char16_t));

    // A chunk of raw memory, its pages in place before they are first written.
    void* NewChunk(size_t bytes);

    // Slots and text are placed in raw memory.
    struct ChunkDeleter {
        void operator()(void* chunk) const;
    };
    FreshBlocks* m_fresh = nullptr;
    std::vector<std::unique_ptr<XmlNode[], ChunkDeleter>> m_chunks;
    size_t m_usedInLastChunk = kSlotsPerChunk;
    XmlNode* m_freeList = nullptr; // linked through m_parent
    size_t m_liveNodes = 0;

    QString m_empty;
    std::deque<QString> m_names;
    QHash<QStringView, const QString*> m_nameIndex;
    NodeName m_emptyName{&m_empty, &m_empty};
    std::deque<NodeName> m_nodeNames;
    QHash<std::pair<const QString*, const QString*>, const NodeName*> m_nodeNameIndex;

    std::vector<std::unique_ptr<char16_t[], ChunkDeleter>> m_textChunks;
    std::vector<qsizetype> m_textChunkSizes;
    char16_t* m_text = nullptr;
    qsizetype m_textUsed = 0;
    qsizetype m_textCapacity = 0;
    size_t m_ownedTextBytes = 0;
};

template <typename F> void NodeStore::FreeSubtree(XmlNode* node, F&& onFree)
{
    // Iterative so a deep tree built by edits cannot overflow the stack.
    std::vector<XmlNode*> pending{node};
    while (!pending.empty()) {
        XmlNode* current = pending.back();
        pending.pop_back();
        for (XmlNode* child : *current)
            pending.push_back(child);
        onFree(current);
        FreeNode(current);
    }
}
