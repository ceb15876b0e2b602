#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class XmlDocument;
class XmlNode;

// The rows a tree of the document shows, in order, read straight from the document: one
// pointer per shown row and one bit per node for its expanded state, no item per node.
// Expanding, collapsing, inserting and removing move the rows after the change once
// (a memmove, about a millisecond per million rows); finding a node's row is a binary search
// by document order.
class VisibleRows {
public:
    explicit VisibleRows(const XmlDocument& document);

    // The document's top-level nodes, all collapsed.
    void Reset();
    int Count() const { return int(m_rows.size()); }
    const XmlNode* At(int row) const { return m_rows[size_t(row)]; }
    // The node's row, or -1 when it is not shown (an ancestor collapsed).
    int RowOf(const XmlNode* node) const;
    // Number of ancestors below the document's root holder: 0 for a top-level row.
    static int Level(const XmlNode* node);

    bool IsExpanded(const XmlNode* node) const;
    void Expand(const XmlNode* node);
    void Collapse(const XmlNode* node);
    // Expands the node and every element below it.
    void ExpandAll(const XmlNode* node);

    // After the document inserted the node (with its subtree): its shown rows appear.
    void Inserted(const XmlNode* node);
    // Before the document takes the node out: its rows go.
    void AboutToRemove(const XmlNode* node);

private:
    void SetExpanded(const XmlNode* node, bool expanded);
    // Whether no node below this one is marked expanded (every mark is on it or above it).
    bool NothingExpandedBelow(const XmlNode* node) const;
    // Lists the node's descendants in row order, entering a child with children when
    // `opens(child)` says so.
    template <typename Opens>
    static void WalkShown(const XmlNode* node, std::vector<const XmlNode*>& out, Opens opens);
    // The rows of the node's shown descendants, in order.
    void AppendShownDescendants(const XmlNode* node, std::vector<const XmlNode*>& out) const;
    // One past the last row of the node's shown subtree.
    int SubtreeEnd(int row) const;
    // Whether `a` comes before `b` in document order.
    static bool Before(const XmlNode* a, const XmlNode* b);

    const XmlDocument& m_document;
    std::vector<const XmlNode*> m_rows;
    std::vector<uint64_t> m_expanded; // bit per node ID
    size_t m_expandedCount = 0;       // bits set
};
