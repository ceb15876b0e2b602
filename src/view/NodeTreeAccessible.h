#pragma once

#include <QAccessibleWidget>

#include <cstdint>
#include <unordered_map>

class NodeTreeView;
class QAccessibleEvent;
class XmlNode;

// What assistive technology reads of a NodeTreeView, laid out as Qt lays out a QTreeView's:
// a Tree that is a table of two columns, whose children are the two column headers and then
// the cells row by row, the Name cell before the Value cell. A cell is made when it is first
// asked for and kept per node, so a document of a million rows costs nothing until a screen
// reader walks it; a cell finds its row from its node at each question, so rows that come
// and go above it never make it stale.
class NodeTreeAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    static constexpr int HeaderCount = 2;

    explicit NodeTreeAccessible(NodeTreeView* view);
    ~NodeTreeAccessible() override;

    // Lets Qt make this interface for every NodeTreeView; later calls do nothing.
    static void InstallFactory();

    // The view's announcements: each costs nothing while no assistive technology listens.
    // The Name cell of the node's row tells its new expanded state and description.
    static void AnnounceExpansion(NodeTreeView* view, const XmlNode* node);
    // The selected row's Name cell became selected (and focused, while the view has focus).
    static void AnnounceSelection(NodeTreeView* view);
    // The node's text changed.
    static void AnnounceChange(NodeTreeView* view, int32_t id);
    // Before the node leaves the tree: its subtree's cells go. A null node drops every cell,
    // as when the view shows a document anew.
    static void Forget(NodeTreeView* view, const XmlNode* node);
    // Sends the announcements to `recorder` instead of Qt, listened to or not; nullptr ends it.
    // Qt passes events on only while a platform bridge is active, which tests have not.
    using Recorder = void (*)(QAccessibleEvent* event);
    static void RecordAnnouncements(Recorder recorder);

    // The child index of a cell: after the headers, two per row.
    static int ChildIndex(int row, int column) { return HeaderCount + row * 2 + column; }

    // QAccessibleInterface
    void* interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override { return 2; }
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    // One row is always selected once any is; a reader cannot clear it.
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    // Cells follow their nodes, not positions: nothing to move.
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

    NodeTreeView* View() const;
    // The header of a column, and the cell of a node's row; made on first use.
    QAccessibleInterface* Header(int column) const;
    QAccessibleInterface* Cell(const XmlNode* node, int column) const;

private:
    static NodeTreeAccessible* Existing(const NodeTreeView* view);
    static void Send(QAccessibleEvent* event);
    void Drop(int32_t id);

    // Cache keys: node ID times two plus column.
    mutable std::unordered_map<int64_t, QAccessible::Id> m_cells;
    mutable QAccessible::Id m_headers[HeaderCount] = {0, 0};
    // The view this interface is listed under; kept apart, as it outlives the view's pointer.
    const NodeTreeView* m_registered;
};
