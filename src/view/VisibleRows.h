#pragma once

#include "view/RowList.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class XmlDocument;
class XmlNode;

// The rows a tree of the document shows, in order, read straight from the document: one
// pointer per shown row (in a RowList) and one bit per node for its expanded state, no item
// per node. Finding a node's row is a binary search by document order.
class VisibleRows {
public:
    explicit VisibleRows(const XmlDocument& document);

    // The document's top-level nodes, all collapsed.
    void Reset();
    int Count() const { return int(m_rows.Size()); }
    const XmlNode* At(int row) const { return m_rows.At(size_t(row)); }
    // The first row in [from, to) whose node `match` accepts, or `to`.
    template <typename Match> int Find(int from, int to, Match match) const
    {
        return int(m_rows.Find(size_t(from), size_t(to), match));
    }
    // The node's row, or -1 when it is not shown (an ancestor collapsed).
    int RowOf(const XmlNode* node) const;
    // Number of ancestors below the document's root holder: 0 for a top-level row.
    static int Level(const XmlNode* node);

    bool IsExpanded(const XmlNode* node) const;
    void Expand(const XmlNode* node);
    void Collapse(const XmlNode* node);
    // Opens the node again at once when closing it was the last change (its rows were
    // kept); false, changing nothing, when that does not hold.
    bool Reopen(const XmlNode* node);
    // Expands the node and every element below it.
    void ExpandAll(const XmlNode* node);

    // Opening a subtree reads every shown node below it: at tens of millions of nodes that
    // takes seconds. An Opening works it out in steps, away from the rows (on a worker, while
    // the document and these rows stay as they are), and then takes effect at once.
    class Opening;
    // Opens the node (`all`: and every element below it, as ExpandAll).
    std::shared_ptr<Opening> StartOpening(const XmlNode* node, bool all) const;
    // Goes on walking; `goOn(visited)` is asked every few thousand nodes and stops the walk by
    // saying false. True once the walk is complete. Reads only the document and the opening.
    bool Continue(Opening& opening, const std::function<bool(int64_t visited)>& goOn) const;
    // Takes a complete opening's rows and marks. Should the rows have changed since it started,
    // the node is opened here instead.
    void Finish(Opening& opening);

    // After the document inserted the node (with its subtree): its shown rows appear.
    void Inserted(const XmlNode* node);
    // Before the document takes the node out: its rows go.
    void AboutToRemove(const XmlNode* node);

private:
    void SetExpanded(const XmlNode* node, bool expanded);
    // Counts a change of rows or marks; rows kept by a collapse are no longer of use.
    void Changed();
    static bool IsMarked(const std::vector<uint64_t>& marks, const XmlNode* node);
    // Whether no node below this one is marked (all `count` marks are on it or above it).
    static bool NothingMarkedBelow(const std::vector<uint64_t>& marks, size_t count,
                                   const XmlNode* node);
    using Pending = std::vector<std::pair<const XmlNode*, int>>;
    // Lists, from where `pending` stands, the descendants in row order, entering a child with
    // children when `opens(child)` says so. Stops when `goOn()`, asked every few thousand rows,
    // says false; true when the walk is done.
    template <typename Opens, typename GoOn>
    static bool WalkShown(Pending& pending, RowList& out, Opens opens, GoOn goOn);
    // The same for all of the node's descendants.
    template <typename Opens> static void WalkShown(const XmlNode* node, RowList& out, Opens opens);
    // The rows of the node's shown descendants, in order.
    void AppendShownDescendants(const XmlNode* node, RowList& out) const;
    // One past the last row of the node's shown subtree.
    int SubtreeEnd(int row) const;
    // Whether `a` comes before `b` in document order.
    static bool Before(const XmlNode* a, const XmlNode* b);

    const XmlDocument& m_document;
    RowList m_rows;
    std::vector<uint64_t> m_expanded; // bit per node ID
    size_t m_expandedCount = 0;       // bits set
    uint64_t m_changes = 0;           // counts changes of rows or marks, for Finish
    struct Closed {
        const XmlNode* node = nullptr;
        RowList rows; // the rows it hid
    };
    Closed m_closed;         // the last collapse
    uint64_t m_closedAt = 0; // the change count just after it
};

class VisibleRows::Opening {
public:
    const XmlNode* Node() const { return m_node; }

private:
    friend class VisibleRows;
    const XmlNode* m_node = nullptr;
    bool m_all = false;
    uint64_t m_startedAt = 0; // the rows' change count when it started
    int m_row = -1;           // the node's row, and one past its shown subtree
    int m_end = -1;
    Pending m_pending;
    int64_t m_visited = 0;
    RowList m_rows;                // the subtree's shown rows
    std::vector<uint64_t> m_marks; // the expanded bits once it has taken effect
    size_t m_markCount = 0;
};
