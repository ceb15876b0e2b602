#include "view/NodeTreeAccessible.h"

#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "view/NodeCellStyle.h"
#include "view/NodeTreeView.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QPointer>
#include <QStyle>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace {

NodeTreeAccessible::Recorder g_recorder = nullptr;

// The trees that have an interface now, so a document change reaches its cells without
// making an interface for a view no one reads. Never destroyed: Qt's cache may delete an
// interface after the program's statics are gone.
std::unordered_map<const NodeTreeView*, NodeTreeAccessible*>& Trees()
{
    static auto* trees = new std::unordered_map<const NodeTreeView*, NodeTreeAccessible*>;
    return *trees;
}

bool CanExpand(const XmlNode* node)
{
    return node->Kind() == XmlNodeKind::Element && node->HasChildren();
}

int SelectedRow(const NodeTreeView& view)
{
    const XmlNode* node = view.Document().FindNode(view.SelectedNodeId());
    return node ? view.Rows().RowOf(node) : -1;
}

bool Listening()
{
    return g_recorder || QAccessible::isActive();
}

QAccessibleInterface* MakeInterface(const QString& key, QObject* object)
{
    // Qt asks with each class name up the hierarchy, so a subclass of the view gets it too.
    if (key == QLatin1String("NodeTreeView"))
        if (auto* view = qobject_cast<NodeTreeView*>(object))
            return new NodeTreeAccessible(view);
    return nullptr;
}

// What headers and cells share: a leaf of the tree's interface, without an object of its own.
class LeafAccessible : public QAccessibleInterface {
public:
    explicit LeafAccessible(NodeTreeView* view) : m_view(view) {}

    // No object of their own, as with Qt's item views: Qt resolves an event through its
    // object when there is one, and would then read the cell's ID as a child index.
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_view.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

protected:
    QPointer<NodeTreeView> m_view;
};

// A column header of the tree.
class HeaderAccessible : public LeafAccessible {
public:
    HeaderAccessible(NodeTreeView* view, int column) : LeafAccessible(view), m_column(column) {}

    bool isValid() const override { return m_view; }
    QString text(QAccessible::Text t) const override
    {
        if (!m_view || t != QAccessible::Name)
            return QString();
        return m_view->Header()->model()->headerData(m_column, Qt::Horizontal).toString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!m_view)
            return QRect();
        const QHeaderView* header = m_view->Header();
        const QRect section(header->sectionViewportPosition(m_column), 0,
                            header->sectionSize(m_column), header->height());
        return QRect(header->viewport()->mapToGlobal(section.topLeft()), section.size());
    }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = !m_view || m_view->Header()->isHidden();
        return state;
    }

private:
    int m_column;
};

// A node's Name or Value cell. It keeps the node's ID, not its row, and looks both up at each
// question: rows shift with every expansion above them, and a node may be removed under it.
class CellAccessible : public LeafAccessible, public QAccessibleTableCellInterface {
public:
    CellAccessible(NodeTreeView* view, int32_t id, int column)
        : LeafAccessible(view), m_id(id), m_column(column)
    {
    }

    // The node while it has a row, else null.
    const XmlNode* Node() const
    {
        const XmlNode* node = m_view ? m_view->Document().FindNode(m_id) : nullptr;
        return node && m_view->Rows().RowOf(node) >= 0 ? node : nullptr;
    }
    bool IsName() const { return m_column == NodeTreeView::NameColumn; }

    bool isValid() const override { return Node(); }
    QString text(QAccessible::Text t) const override
    {
        const XmlNode* node = Node();
        if (!node)
            return QString();
        if (t == QAccessible::Name)
            return m_view->CellText(node, m_column);
        if (t == QAccessible::Description && IsName())
            return NodeCellStyle::RowDescription(*node, m_view->Rows().IsExpanded(node));
        return QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        const int row = rowIndex();
        if (row < 0)
            return QRect();
        const QRect cell = m_view->CellRect(row, m_column);
        return QRect(m_view->viewport()->mapToGlobal(cell.topLeft()),
                     QSize(std::max(0, cell.width()), cell.height()));
    }
    // Qt's trees report every cell as a tree item, which AT-SPI shows as a table cell; the
    // Value cell is a plain cell.
    QAccessible::Role role() const override
    {
        return IsName() ? QAccessible::TreeItem : QAccessible::Cell;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        const XmlNode* node = Node();
        if (!node) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = isSelected();
        state.focused = IsName() && state.selected && m_view->hasFocus();
        const int row = rowIndex();
        const int shownRows = m_view->viewport()->height() / std::max(1, m_view->RowHeight()) + 1;
        state.offscreen = row < m_view->TopRow() || row >= m_view->TopRow() + shownRows;
        // Only a row that can open says anything of opening: a leaf is neither expanded
        // nor collapsed.
        if (IsName() && CanExpand(node)) {
            state.expandable = true;
            state.expanded = m_view->Rows().IsExpanded(node);
            state.collapsed = !state.expanded;
        }
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override { return m_view && m_view->SelectedNodeId() == m_id; }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        const auto* tree = dynamic_cast<NodeTreeAccessible*>(parent());
        return tree ? QList<QAccessibleInterface*>{tree->Header(m_column)}
                    : QList<QAccessibleInterface*>();
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override
    {
        const XmlNode* node = m_view ? m_view->Document().FindNode(m_id) : nullptr;
        return node ? m_view->Rows().RowOf(node) : -1;
    }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    int Column() const { return m_column; }

private:
    int32_t m_id;
    int m_column;
};

} // namespace

NodeTreeAccessible::NodeTreeAccessible(NodeTreeView* view)
    : QAccessibleWidget(view, QAccessible::Tree), m_registered(view)
{
    Trees()[view] = this;
}

NodeTreeAccessible::~NodeTreeAccessible()
{
    // The view may be gone already: Qt drops this interface when the view's QObject dies.
    if (auto it = Trees().find(m_registered); it != Trees().end() && it->second == this)
        Trees().erase(it);
    for (const auto& [key, id] : m_cells)
        QAccessible::deleteAccessibleInterface(id);
    for (QAccessible::Id id : m_headers) {
        if (id)
            QAccessible::deleteAccessibleInterface(id);
    }
}

void NodeTreeAccessible::InstallFactory()
{
    static const bool installed = (QAccessible::installFactory(&MakeInterface), true);
    Q_UNUSED(installed);
}

NodeTreeView* NodeTreeAccessible::View() const
{
    return static_cast<NodeTreeView*>(widget());
}

NodeTreeAccessible* NodeTreeAccessible::Existing(const NodeTreeView* view)
{
    const auto it = Trees().find(view);
    return it != Trees().end() ? it->second : nullptr;
}

// --- Children ---------------------------------------------------------------------------

QAccessibleInterface* NodeTreeAccessible::Header(int column) const
{
    if (column < 0 || column >= HeaderCount || !View())
        return nullptr;
    if (!m_headers[column])
        m_headers[column] =
            QAccessible::registerAccessibleInterface(new HeaderAccessible(View(), column));
    return QAccessible::accessibleInterface(m_headers[column]);
}

QAccessibleInterface* NodeTreeAccessible::Cell(const XmlNode* node, int column) const
{
    if (!node || column < 0 || column >= 2 || !View())
        return nullptr;
    const int64_t key = int64_t(node->Id()) * 2 + column;
    auto [it, added] = m_cells.try_emplace(key, 0);
    if (added)
        it->second = QAccessible::registerAccessibleInterface(
            new CellAccessible(View(), node->Id(), column));
    return QAccessible::accessibleInterface(it->second);
}

void NodeTreeAccessible::Drop(int32_t id)
{
    for (int column = 0; column < 2; ++column) {
        const auto it = m_cells.find(int64_t(id) * 2 + column);
        if (it == m_cells.end())
            continue;
        QAccessible::deleteAccessibleInterface(it->second);
        m_cells.erase(it);
    }
}

void* NodeTreeAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

int NodeTreeAccessible::childCount() const
{
    return View() ? ChildIndex(View()->Rows().Count(), 0) : 0;
}

QAccessibleInterface* NodeTreeAccessible::child(int index) const
{
    if (index < HeaderCount)
        return Header(index);
    return cellAt((index - HeaderCount) / 2, (index - HeaderCount) % 2);
}

int NodeTreeAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child || !View())
        return -1;
    for (int column = 0; column < HeaderCount; ++column) {
        if (m_headers[column] && QAccessible::accessibleInterface(m_headers[column]) == child)
            return column;
    }
    const auto* cell = dynamic_cast<const CellAccessible*>(child);
    if (!cell || cell->table() != this)
        return -1;
    const int row = cell->rowIndex();
    return row >= 0 ? ChildIndex(row, cell->Column()) : -1;
}

QAccessibleInterface* NodeTreeAccessible::childAt(int x, int y) const
{
    const NodeTreeView* view = View();
    if (!view)
        return nullptr;
    const QPoint global(x, y);
    const QHeaderView* header = view->Header();
    const QPoint inHeader = header->viewport()->mapFromGlobal(global);
    if (header->isVisible() && header->viewport()->rect().contains(inHeader))
        return Header(header->logicalIndexAt(inHeader.x()));
    const QPoint inView = view->viewport()->mapFromGlobal(global);
    if (!view->viewport()->rect().contains(inView))
        return nullptr;
    const int row = view->RowAt(inView.y());
    const int column = header->logicalIndexAt(inView.x());
    return row >= 0 && column >= 0 ? cellAt(row, column) : nullptr;
}

QAccessibleInterface* NodeTreeAccessible::focusChild() const
{
    const NodeTreeView* view = View();
    if (!view || !view->hasFocus())
        return nullptr;
    return cellAt(SelectedRow(*view), NodeTreeView::NameColumn);
}

// --- Table ------------------------------------------------------------------------------

QAccessibleInterface* NodeTreeAccessible::cellAt(int row, int column) const
{
    if (!View() || row < 0 || row >= View()->Rows().Count())
        return nullptr;
    return Cell(View()->Rows().At(row), column);
}

QList<int> NodeTreeAccessible::selectedRows() const
{
    const int row = View() ? SelectedRow(*View()) : -1;
    return row >= 0 ? QList<int>{row} : QList<int>();
}

int NodeTreeAccessible::selectedRowCount() const
{
    return int(selectedRows().size());
}

int NodeTreeAccessible::selectedCellCount() const
{
    return selectedRowCount() * columnCount();
}

QList<QAccessibleInterface*> NodeTreeAccessible::selectedCells() const
{
    QList<QAccessibleInterface*> cells;
    for (int row : selectedRows()) {
        for (int column = 0; column < columnCount(); ++column)
            cells.append(cellAt(row, column));
    }
    return cells;
}

QString NodeTreeAccessible::columnDescription(int column) const
{
    const QAccessibleInterface* header = Header(column);
    return header ? header->text(QAccessible::Name) : QString();
}

int NodeTreeAccessible::rowCount() const
{
    return View() ? View()->Rows().Count() : 0;
}

bool NodeTreeAccessible::isRowSelected(int row) const
{
    return row >= 0 && selectedRows().contains(row);
}

bool NodeTreeAccessible::selectRow(int row)
{
    NodeTreeView* view = View();
    if (!view || row < 0 || row >= view->Rows().Count())
        return false;
    return view->SelectNode(view->Rows().At(row)->Id());
}

// --- Announcements ----------------------------------------------------------------------

void NodeTreeAccessible::RecordAnnouncements(Recorder recorder)
{
    g_recorder = recorder;
}

void NodeTreeAccessible::Send(QAccessibleEvent* event)
{
    if (g_recorder)
        g_recorder(event);
    else
        QAccessible::updateAccessibility(event);
}

void NodeTreeAccessible::AnnounceExpansion(NodeTreeView* view, const XmlNode* node)
{
    const int row = node && Listening() ? view->Rows().RowOf(node) : -1;
    if (row < 0)
        return;
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent state(view, changed);
    state.setChild(ChildIndex(row, NodeTreeView::NameColumn));
    Send(&state);
    // Qt's AT-SPI bridge passes no expanded state change on; the description, which names
    // the state, is passed on.
    QAccessibleEvent described(view, QAccessible::DescriptionChanged);
    described.setChild(ChildIndex(row, NodeTreeView::NameColumn));
    Send(&described);
}

void NodeTreeAccessible::AnnounceSelection(NodeTreeView* view)
{
    const int row = Listening() ? SelectedRow(*view) : -1;
    if (row < 0)
        return;
    // Qt's AT-SPI bridge tells a Selection event as the cell's selected state changing.
    QAccessibleEvent selected(view, QAccessible::Selection);
    selected.setChild(ChildIndex(row, NodeTreeView::NameColumn));
    Send(&selected);
    if (view->hasFocus()) {
        QAccessibleEvent focused(view, QAccessible::Focus);
        focused.setChild(ChildIndex(row, NodeTreeView::NameColumn));
        Send(&focused);
    }
}

void NodeTreeAccessible::AnnounceChange(NodeTreeView* view, int32_t id)
{
    const XmlNode* node = Listening() ? view->Document().FindNode(id) : nullptr;
    const int row = node ? view->Rows().RowOf(node) : -1;
    if (row < 0)
        return;
    for (int column = 0; column < 2; ++column) {
        QAccessibleEvent renamed(view, QAccessible::NameChanged);
        renamed.setChild(ChildIndex(row, column));
        Send(&renamed);
    }
}

void NodeTreeAccessible::Forget(NodeTreeView* view, const XmlNode* node)
{
    NodeTreeAccessible* tree = Existing(view);
    if (!tree || tree->m_cells.empty())
        return;
    if (!node) {
        for (const auto& [key, id] : tree->m_cells)
            QAccessible::deleteAccessibleInterface(id);
        tree->m_cells.clear();
        return;
    }
    // The subtree, not the cache: an edit removes a few nodes far more often than a reader
    // has walked many.
    std::vector<const XmlNode*> pending{node};
    while (!pending.empty()) {
        const XmlNode* current = pending.back();
        pending.pop_back();
        tree->Drop(current->Id());
        for (const XmlNode* child : *current)
            pending.push_back(child);
    }
}
