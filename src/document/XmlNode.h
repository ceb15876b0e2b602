#pragma once

#include "document/NodeName.h"
#include "document/XmlNodeData.h"

#include <QString>
#include <QStringView>
#include <cstdint>

class XmlDocument;
class NodeStore;

// One node of a document tree: its record and its ordered children (attributes and content
// in one list). Names are interned by the owning document and values live in its text store,
// so a node is 48 bytes; everything that changes a node goes through XmlDocument.
class XmlNode {
public:
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    int32_t Id() const { return m_id; }
    XmlNodeKind Kind() const { return static_cast<XmlNodeKind>(m_kind); }
    const QString& Prefix() const { return *m_name->prefix; }
    const QString& LocalName() const { return *m_name->localName; }
    QString Value() const { return ValueView().toString(); }
    QStringView ValueView() const { return QStringView(m_value, qsizetype(m_valueLength)); }
    QString QualifiedName() const;
    XmlNodeData Data() const;

    XmlNode* Parent() const { return m_parent; }
    int ChildCount() const { return int(m_childCount); }
    bool HasChildren() const { return m_childCount != 0; }
    // Throws XmlException(E_INVALIDARG) for an index at or beyond the child count.
    XmlNode* ChildAt(int index) const;
    XmlNode* FirstChild() const { return m_childCount ? m_children[0] : nullptr; }
    XmlNode* LastChild() const { return m_childCount ? m_children[m_childCount - 1] : nullptr; }
    // Position of the first entry that is the child, or -1. O(1) right after the child was
    // placed or looked up, and when one sibling before it came or went since.
    int IndexOfChild(const XmlNode* child) const;
    // Where the node last stood among its parent's children as far as it knows: current
    // unless siblings before it came or went since, and kept after it is taken out. A hint
    // for finding what mirrors the node; check it before use.
    // A node standing past kNoPosition has no hint (the value then is kNoPosition).
    int PositionHint() const { return int(m_position); }
    // Attributes come first among an element's children, as in the file; the position where
    // a child of `kind` may stand that is nearest to `wanted` (clamped to the child count).
    int AllowedPosition(XmlNodeKind kind, int wanted) const;
    XmlNode* const* begin() const { return m_children; }
    XmlNode* const* end() const { return m_children + m_childCount; }

    // Moves the child at `from` so that it ends at `to`; nothing when equal or out of range.
    void MoveChild(int from, int to);
    // Moves a node under a new parent at `index` (-1 appends); returns the former position,
    // or -1 changing nothing when the node has no parent or is not among its children.
    static int Reparent(XmlNode* node, XmlNode* newParent, int index);
    // Takes a node out of the tree into a holder (XmlDocument::CreateHolderNode) the way
    // Reparent does, but the node keeps its former position as its hint, so whatever mirrors
    // it can still find its row.
    static int Park(XmlNode* node, XmlNode* holder);

private:
    friend class NodeStore;
    friend class XmlDocument;
    friend class DocumentLoader;

    XmlNode() : m_position(0), m_kind(0), m_valueOwned(false) {}
    void Reset()
    {
        m_name = nullptr;
        m_value = nullptr;
        m_parent = nullptr;
        m_children = nullptr;
        m_id = -1;
        m_valueLength = m_childCount = 0;
        m_position = 0;
        m_kind = 0;
        m_valueOwned = false;
    }
    void SetPosition(uint32_t position) const
    {
        m_position = position < kNoPosition ? position : kNoPosition;
    }
    // The capacity word before an array: pointer-sized, so the array stays aligned.
    uint32_t ChildCapacity() const
    {
        return m_children ? uint32_t(reinterpret_cast<const uintptr_t*>(m_children)[-1]) : 0;
    }
    void InsertChildPointer(int index, XmlNode* child);
    void RemoveChildPointer(int index);
    void ReserveChildren(uint32_t capacity);
    void ShrinkChildren();
    // Frees the child array (not the children).
    void ReleaseChildren();

    static constexpr uint32_t kNoPosition = (1u << 27) - 1;
    // A free slot of the store.
    static constexpr uint32_t kFreeKind = 15;

    const NodeName* m_name = nullptr;
    const char16_t* m_value = nullptr;
    XmlNode* m_parent = nullptr;
    // Preceded by a word holding the array's capacity, which keeps the slot at 48 bytes.
    XmlNode** m_children = nullptr;
    int32_t m_id = -1;
    uint32_t m_valueLength = 0;
    uint32_t m_childCount = 0;
    mutable uint32_t m_position : 27;
    uint32_t m_kind : 4;
    uint32_t m_valueOwned : 1; // value buffer allocated for this node (not in the load arena)
};
