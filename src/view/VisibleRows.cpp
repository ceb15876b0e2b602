#include "view/VisibleRows.h"

#include "document/XmlDocument.h"
#include "document/XmlNode.h"

#include <algorithm>

VisibleRows::VisibleRows(const XmlDocument& document) : m_document(document)
{
    Reset();
}

void VisibleRows::Reset()
{
    Changed();
    m_rows.Clear();
    m_expanded.assign(size_t(m_document.NextId() + 63) / 64, 0);
    m_expandedCount = 0;
    const XmlNode* root = m_document.Root();
    m_rows.Append(root->begin(), size_t(root->ChildCount()));
}

bool VisibleRows::IsExpanded(const XmlNode* node) const
{
    return IsMarked(m_expanded, node);
}

bool VisibleRows::IsMarked(const std::vector<uint64_t>& marks, const XmlNode* node)
{
    const size_t id = size_t(node->Id());
    return id / 64 < marks.size() && (marks[id / 64] >> (id % 64)) & 1u;
}

void VisibleRows::SetExpanded(const XmlNode* node, bool expanded)
{
    const size_t id = size_t(node->Id());
    if (id / 64 >= m_expanded.size())
        m_expanded.resize(id / 64 + 1, 0);
    const uint64_t bit = uint64_t(1) << (id % 64);
    if (bool(m_expanded[id / 64] & bit) == expanded)
        return;
    m_expanded[id / 64] ^= bit;
    Changed();
    if (expanded)
        ++m_expandedCount;
    else
        --m_expandedCount;
}

int VisibleRows::Level(const XmlNode* node)
{
    int level = -1;
    for (const XmlNode* parent = node->Parent(); parent; parent = parent->Parent())
        ++level;
    return level;
}

bool VisibleRows::Before(const XmlNode* a, const XmlNode* b)
{
    if (a == b)
        return false;
    int depthA = Level(a);
    int depthB = Level(b);
    // Walk the deeper one up to the other's depth; an ancestor comes first.
    while (depthA > depthB) {
        a = a->Parent();
        --depthA;
        if (a == b)
            return false;
    }
    while (depthB > depthA) {
        b = b->Parent();
        --depthB;
        if (a == b)
            return true;
    }
    while (a->Parent() != b->Parent()) {
        a = a->Parent();
        b = b->Parent();
    }
    const XmlNode* parent = a->Parent();
    return parent->IndexOfChild(a) < parent->IndexOfChild(b);
}

int VisibleRows::RowOf(const XmlNode* node) const
{
    // A node outside the tree (parked by an undoable removal) has no place in document order.
    const XmlNode* top = node;
    while (top->Parent())
        top = top->Parent();
    if (top != m_document.Root() || node == top)
        return -1;
    const size_t row = m_rows.LowerBound([node](const XmlNode* row) { return Before(row, node); });
    return row < m_rows.Size() && m_rows.At(row) == node ? int(row) : -1;
}

bool VisibleRows::NothingMarkedBelow(const std::vector<uint64_t>& marks, size_t count,
                                     const XmlNode* node)
{
    size_t onPath = 0;
    for (const XmlNode* current = node; current; current = current->Parent())
        onPath += IsMarked(marks, current) ? 1 : 0;
    return onPath == count;
}

void VisibleRows::AppendShownDescendants(const XmlNode* node, RowList& out) const
{
    // The first opening of a large element shows just its children: one copy of its child
    // array, without reading a million nodes to learn that none of them is open.
    if (NothingMarkedBelow(m_expanded, m_expandedCount, node)) {
        out.Append(node->begin(), size_t(node->ChildCount()));
        return;
    }
    WalkShown(node, out, [this](const XmlNode* child) { return IsExpanded(child); });
}

template <typename Opens, typename GoOn>
bool VisibleRows::WalkShown(Pending& pending, RowList& out, Opens opens, GoOn goOn)
{
    // Depth first without recursion: a generated document may nest deeply.
    constexpr size_t kStep = 16384;
    size_t untilAsked = kStep;
    while (!pending.empty()) {
        auto& [parent, next] = pending.back();
        if (next == parent->ChildCount()) {
            pending.pop_back();
            continue;
        }
        const XmlNode* child = parent->begin()[next++];
        out.PushBack(child);
        if (child->HasChildren() && opens(child))
            pending.emplace_back(child, 0);
        if (--untilAsked == 0) {
            untilAsked = kStep;
            if (!goOn())
                return false;
        }
    }
    return true;
}

template <typename Opens>
void VisibleRows::WalkShown(const XmlNode* node, RowList& out, Opens opens)
{
    Pending pending{{node, 0}};
    WalkShown(pending, out, opens, [] { return true; });
}

int VisibleRows::SubtreeEnd(int row) const
{
    const XmlNode* node = At(row);
    // The first shown node after the subtree: the next sibling of the node or of its nearest
    // ancestor that has one.
    for (const XmlNode* current = node; current->Parent(); current = current->Parent()) {
        const XmlNode* parent = current->Parent();
        // A sibling just inserted into the document has no row yet; the one after it does.
        for (int index = parent->IndexOfChild(current) + 1; index < parent->ChildCount(); ++index) {
            const int next = RowOf(parent->ChildAt(index));
            if (next >= 0)
                return next;
        }
    }
    return Count();
}

void VisibleRows::Changed()
{
    ++m_changes;
    m_closed = {};
}

bool VisibleRows::Reopen(const XmlNode* node)
{
    if (node != m_closed.node || m_closedAt != m_changes)
        return false;
    RowList rows = std::move(m_closed.rows);
    SetExpanded(node, true);
    m_rows.Insert(size_t(RowOf(node)) + 1, std::move(rows));
    return true;
}

void VisibleRows::Expand(const XmlNode* node)
{
    if (IsExpanded(node) || !node->HasChildren() || Reopen(node))
        return;
    SetExpanded(node, true);
    const int row = RowOf(node);
    if (row < 0)
        return;
    RowList shown;
    AppendShownDescendants(node, shown);
    m_rows.Insert(size_t(row) + 1, std::move(shown));
}

void VisibleRows::Collapse(const XmlNode* node)
{
    if (!IsExpanded(node))
        return;
    SetExpanded(node, false);
    const int row = RowOf(node);
    if (row < 0)
        return;
    // The rows are kept, so opening the node again before anything else changes puts them
    // back instead of walking what may be tens of millions of nodes.
    m_closed = {node, m_rows.Cut(size_t(row) + 1, size_t(SubtreeEnd(row)))};
    m_closedAt = m_changes;
}

void VisibleRows::ExpandAll(const XmlNode* node)
{
    if (!node->HasChildren())
        return;
    // One depth-first walk both marks every element with children and lists the rows it
    // will show: each node is read once, which at millions of nodes is what the time is.
    const auto opening = StartOpening(node, true);
    Continue(*opening, [](int64_t) { return true; });
    Finish(*opening);
}

std::shared_ptr<VisibleRows::Opening> VisibleRows::StartOpening(const XmlNode* node, bool all) const
{
    auto opening = std::make_shared<Opening>();
    opening->m_node = node;
    opening->m_all = all;
    opening->m_startedAt = m_changes;
    opening->m_row = RowOf(node);
    opening->m_end = opening->m_row < 0 ? -1 : SubtreeEnd(opening->m_row);
    opening->m_pending.emplace_back(node, 0);
    opening->m_marks = m_expanded;
    opening->m_markCount = m_expandedCount;
    return opening;
}

bool VisibleRows::Continue(Opening& opening, const std::function<bool(int64_t visited)>& goOn) const
{
    const size_t before = opening.m_rows.Size();
    const auto asked = [&] {
        return goOn(opening.m_visited + int64_t(opening.m_rows.Size() - before));
    };
    // The marks are the opening's own copy: the window's thread may expand or collapse
    // meanwhile (selecting a search result, say), and Finish then starts afresh.
    const auto isMarked = [&opening](const XmlNode* child) {
        return IsMarked(opening.m_marks, child);
    };
    const auto mark = [&opening, &isMarked](const XmlNode* child) {
        if (isMarked(child))
            return;
        const size_t id = size_t(child->Id());
        if (id / 64 >= opening.m_marks.size())
            opening.m_marks.resize(id / 64 + 1, 0);
        opening.m_marks[id / 64] |= uint64_t(1) << (id % 64);
        ++opening.m_markCount;
    };
    mark(opening.m_node);
    // The first opening of a large element: one copy of its child array (see
    // AppendShownDescendants).
    if (!opening.m_all && opening.m_visited == 0 &&
        NothingMarkedBelow(opening.m_marks, opening.m_markCount, opening.m_node)) {
        const XmlNode* node = opening.m_node;
        opening.m_rows.Append(node->begin(), size_t(node->ChildCount()));
        opening.m_pending.clear();
    }
    const bool done = opening.m_all ? WalkShown(
                                          opening.m_pending, opening.m_rows,
                                          [&mark](const XmlNode* child) {
                                              mark(child);
                                              return true;
                                          },
                                          asked)
                                    : WalkShown(opening.m_pending, opening.m_rows, isMarked, asked);
    opening.m_visited += int64_t(opening.m_rows.Size() - before);
    return done;
}

void VisibleRows::Finish(Opening& opening)
{
    if (opening.m_startedAt != m_changes || !opening.m_pending.empty()) {
        if (opening.m_all)
            ExpandAll(opening.m_node); // starts afresh, from the rows as they are now
        else
            Expand(opening.m_node);
        return;
    }
    Changed();
    m_expanded.swap(opening.m_marks);
    m_expandedCount = opening.m_markCount;
    if (opening.m_row < 0)
        return;
    m_rows.Cut(size_t(opening.m_row) + 1, size_t(opening.m_end));
    m_rows.Insert(size_t(opening.m_row) + 1, std::move(opening.m_rows));
}

void VisibleRows::Inserted(const XmlNode* node)
{
    const XmlNode* parent = node->Parent();
    if (!parent)
        return;
    if (parent != m_document.Root() && (!IsExpanded(parent) || RowOf(parent) < 0))
        return;
    // Its place: after the shown subtree of its previous sibling, else right after its parent.
    const int index = parent->IndexOfChild(node);
    int row = 0;
    if (index > 0)
        row = SubtreeEnd(RowOf(parent->ChildAt(index - 1)));
    else if (parent != m_document.Root())
        row = RowOf(parent) + 1;
    RowList shown;
    shown.PushBack(node);
    if (node->HasChildren() && IsExpanded(node))
        AppendShownDescendants(node, shown);
    m_rows.Insert(size_t(row), std::move(shown));
    Changed();
}

void VisibleRows::AboutToRemove(const XmlNode* node)
{
    const int row = RowOf(node);
    if (row >= 0)
        m_rows.Cut(size_t(row), size_t(SubtreeEnd(row)));
    Changed();
}
