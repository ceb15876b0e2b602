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
    m_rows.clear();
    m_expanded.assign(size_t(m_document.NextId() + 63) / 64, 0);
    m_expandedCount = 0;
    const XmlNode* root = m_document.Root();
    m_rows.assign(root->begin(), root->end());
}

bool VisibleRows::IsExpanded(const XmlNode* node) const
{
    const size_t id = size_t(node->Id());
    return id / 64 < m_expanded.size() && (m_expanded[id / 64] >> (id % 64)) & 1u;
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
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), node, Before);
    return it != m_rows.end() && *it == node ? int(it - m_rows.begin()) : -1;
}

bool VisibleRows::NothingExpandedBelow(const XmlNode* node) const
{
    size_t onPath = 0;
    for (const XmlNode* current = node; current; current = current->Parent())
        onPath += IsExpanded(current) ? 1 : 0;
    return onPath == m_expandedCount;
}

void VisibleRows::AppendShownDescendants(const XmlNode* node,
                                         std::vector<const XmlNode*>& out) const
{
    // The first opening of a large element shows just its children: one copy of its child
    // array, without reading a million nodes to learn that none of them is open.
    if (NothingExpandedBelow(node)) {
        out.insert(out.end(), node->begin(), node->end());
        return;
    }
    WalkShown(node, out, [this](const XmlNode* child) { return IsExpanded(child); });
}

template <typename Opens, typename GoOn>
bool VisibleRows::WalkShown(Pending& pending, std::vector<const XmlNode*>& out, Opens opens,
                            GoOn goOn)
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
        out.push_back(child);
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
void VisibleRows::WalkShown(const XmlNode* node, std::vector<const XmlNode*>& out, Opens opens)
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
    std::vector<const XmlNode*> rows = std::move(m_closed.rows);
    SetExpanded(node, true);
    m_rows.swap(rows);
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
    if (NothingExpandedBelow(node)) {
        m_rows.insert(m_rows.begin() + row + 1, node->begin(), node->end());
        return;
    }
    std::vector<const XmlNode*> shown;
    AppendShownDescendants(node, shown);
    m_rows.insert(m_rows.begin() + row + 1, shown.begin(), shown.end());
}

void VisibleRows::Collapse(const XmlNode* node)
{
    if (!IsExpanded(node))
        return;
    SetExpanded(node, false);
    const int row = RowOf(node);
    if (row < 0)
        return;
    const int end = SubtreeEnd(row);
    const size_t hidden = size_t(end - row - 1);
    if (hidden <= m_rows.size() - hidden) {
        m_rows.erase(m_rows.begin() + row + 1, m_rows.begin() + end);
        return;
    }
    // Most rows go: they are kept as they are, so opening the node again before anything
    // else changes swaps them back instead of walking tens of millions of nodes.
    std::vector<const XmlNode*> rest;
    rest.reserve(m_rows.size() - hidden);
    rest.insert(rest.end(), m_rows.begin(), m_rows.begin() + row + 1);
    rest.insert(rest.end(), m_rows.begin() + end, m_rows.end());
    m_closed = {node, std::move(m_rows)};
    m_closedAt = m_changes;
    m_rows = std::move(rest);
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
    // Few rows before the subtree are copied at once, in case the new rows are to be built
    // whole (below): then the subtree's rows need not be copied a second time.
    constexpr int kCopiedAhead = 65536;
    if (opening.m_visited == 0 && opening.m_rows.empty() && opening.m_row >= 0 &&
        opening.m_row < kCopiedAhead) {
        opening.m_rows.assign(m_rows.begin(), m_rows.begin() + opening.m_row + 1);
        opening.m_ahead = size_t(opening.m_row) + 1;
    }
    const size_t before = opening.m_rows.size();
    const auto asked = [&] {
        return goOn(opening.m_visited + int64_t(opening.m_rows.size() - before));
    };
    // The marks are the opening's own copy, so the rows' marks stay as they are until Finish.
    const auto isMarked = [&opening](const XmlNode* child) {
        const size_t id = size_t(child->Id());
        return id / 64 < opening.m_marks.size() && (opening.m_marks[id / 64] >> (id % 64)) & 1u;
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
    if (!opening.m_all && opening.m_visited == 0 && NothingExpandedBelow(opening.m_node)) {
        const XmlNode* node = opening.m_node;
        opening.m_rows.insert(opening.m_rows.end(), node->begin(), node->end());
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
    opening.m_visited += int64_t(opening.m_rows.size() - before);
    // When the subtree's rows outnumber the others, the new rows are built whole here, so
    // Finish only swaps them in: at tens of millions of rows even one copy is felt in the
    // window. Fewer go in among the rows as they are, which moves only those after them.
    if (!done || opening.m_row < 0)
        return done;
    const size_t others = m_rows.size() - size_t(opening.m_end - opening.m_row - 1);
    const size_t shown = opening.m_rows.size() - opening.m_ahead;
    if (shown >= others) {
        if (!opening.m_ahead) {
            std::vector<const XmlNode*> whole;
            whole.reserve(others + shown);
            whole.insert(whole.end(), m_rows.begin(), m_rows.begin() + opening.m_row + 1);
            whole.insert(whole.end(), opening.m_rows.begin(), opening.m_rows.end());
            opening.m_rows.swap(whole);
        }
        opening.m_rows.insert(opening.m_rows.end(), m_rows.begin() + opening.m_end, m_rows.end());
        opening.m_whole = true;
    }
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
    if (opening.m_whole) {
        m_rows.swap(opening.m_rows);
        return;
    }
    m_rows.erase(m_rows.begin() + opening.m_row + 1, m_rows.begin() + opening.m_end);
    m_rows.insert(m_rows.begin() + opening.m_row + 1,
                  opening.m_rows.begin() + ptrdiff_t(opening.m_ahead), opening.m_rows.end());
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
    std::vector<const XmlNode*> shown{node};
    if (node->HasChildren() && IsExpanded(node))
        AppendShownDescendants(node, shown);
    m_rows.insert(m_rows.begin() + row, shown.begin(), shown.end());
    Changed();
}

void VisibleRows::AboutToRemove(const XmlNode* node)
{
    const int row = RowOf(node);
    if (row >= 0)
        m_rows.erase(m_rows.begin() + row, m_rows.begin() + SubtreeEnd(row));
    Changed();
}
