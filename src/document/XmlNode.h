#pragma once

#include "document/XmlNodeData.h"

#include <QString>
#include <QStringView>
#include <cstdint>

class XmlDocument;
class NodeStore;

// One node of a document tree: its record and its ordered children (attributes and content
// in one list). Names are interned by the owning document and values live in its text store,
// so a node is 64 bytes; everything that changes a node goes through XmlDocument.
class XmlNode {
public:
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    int32_t Id() const { return m_id; }
    XmlNodeKind Kind() const { return static_cast<XmlNodeKind>(m_kind); }
    const QString& Prefix() const { return *m_prefix; }
    const QString& LocalName() const { return *m_localName; }
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

    XmlNode() = default;
    void Reset()
    {
        m_prefix = m_localName = nullptr;
        m_value = nullptr;
        m_parent = nullptr;
        m_children = nullptr;
        m_id = -1;
        m_valueLength = m_childCount = m_childCapacity = 0;
        m_kind = 0;
        m_valueOwned = false;
        m_position = 0;
    }
    void InsertChildPointer(int index, XmlNode* child);
    void RemoveChildPointer(int index);
    void ReserveChildren(uint32_t capacity);
    void ShrinkChildren();

    const QString* m_prefix = nullptr;
    const QString* m_localName = nullptr;
    const char16_t* m_value = nullptr;
    XmlNode* m_parent = nullptr;
    XmlNode** m_children = nullptr;
    int32_t m_id = -1;
    uint32_t m_valueLength = 0;
    uint32_t m_childCount = 0;
    uint32_t m_childCapacity = 0;
    int8_t m_kind = 0;
    bool m_valueOwned = false; // value buffer allocated for this node (not in the load arena)
    // Fits the slot's padding, so the hint costs no memory.
    mutable uint32_t m_position = 0;
};
