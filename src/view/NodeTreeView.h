#pragma once

#include "document/DocumentObserver.h"
#include "view/VisibleRows.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QRect>
#include <QString>

#include <cstdint>

class QHeaderView;
class XmlDocument;

// A Name/Value tree of the document that keeps no item per node: the shown rows are
// VisibleRows, and a paint reads only the rows on screen straight from their nodes. Edits,
// expansion and collapse cost what moving the shown rows once costs, never a layout of them
// all. The document must outlive the view; the view follows its announcements, and Reset
// after the document was loaded or created anew.
class NodeTreeView : public QAbstractScrollArea, public DocumentObserver {
    Q_OBJECT
public:
    static constexpr int NameColumn = 0;
    static constexpr int ValueColumn = 1;

    explicit NodeTreeView(XmlDocument& document, QWidget* parent = nullptr);
    ~NodeTreeView() override;

    // The document's top-level rows, all collapsed, nothing selected.
    void Reset();
    const VisibleRows& Rows() const { return m_rows; }
    XmlDocument& Document() const { return m_document; }
    QHeaderView* Header() const { return m_header; }
    int RowHeight() const { return m_rowHeight; }
    // The row at the top of the viewport; the vertical scroll bar counts rows.
    int TopRow() const;

    // The selected node, or -1.
    int32_t SelectedNodeId() const { return m_selectedId; }
    // Selects the node, expanding its ancestors and scrolling it into view; false when it is
    // not in the tree.
    bool SelectNode(int32_t id);
    void SetExpanded(int32_t id, bool expanded);
    // Expands the node and every element below it (`*`).
    void ExpandAll(int32_t id);

    // The row under a viewport position, or -1.
    int RowAt(int y) const;
    // A row's expand button in viewport coordinates; empty for a row without children or
    // off screen.
    QRect ButtonRect(int row) const;

    void OnNodeChanged(const NodeIdPath& path) override;
    void OnNodeAboutToBeRemoved(const XmlNode* node) override;
    void OnNodeRemoved(const NodeIdPath& path) override;
    void OnNodeInserted(const NodeIdPath& path, XmlNode* node) override;

signals:
    void selectionChanged(int32_t id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;

private:
    int SelectedRow() const;
    void SelectRow(int row);
    void ScrollTo(int row);
    // Rows that fit the viewport whole (at least one).
    int PageRows() const;
    int Indentation() const;
    void UpdateRowHeight();
    // Scroll ranges, the header's place and the Value column's width after any change of
    // rows, widths or size.
    void UpdateGeometry();
    void FitValueColumn();
    void Toggle(int row);
    // One cell's parts, shared by its paint and its tool-tip.
    struct Cell {
        int icon = -1;
        QRect fill;
        QRect text;
        QFont font;
        QString whole;
        QString shown;
        bool elided = false;
    };
    Cell LayOutCell(const XmlNode* node, int column, const QRect& rect) const;
    // A cell in viewport coordinates; the Name cell starts after the row's indentation.
    QRect CellRect(int row, int column) const;
    void PaintBranches(QPainter& painter, const XmlNode* node, int level, const QRect& area) const;
    void PaintCell(QPainter& painter, const XmlNode* node, int column, const QRect& rect,
                   bool selected) const;

    XmlDocument& m_document;
    VisibleRows m_rows;
    QHeaderView* m_header;
    int m_rowHeight = 18;
    int32_t m_selectedId = -1;
    bool m_applyingWidths = false; // the view itself is setting a section width
};
