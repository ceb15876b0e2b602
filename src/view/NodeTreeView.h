#pragma once

#include "document/DocumentObserver.h"
#include "document/XmlStatus.h"
#include "view/DragCursors.h"
#include "view/VisibleRows.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class DragImage;
class FileProgress;
class InPlaceEdit;
class QContextMenuEvent;
class QHeaderView;
class XmlDocument;
struct InPlaceEditResult;

// A Name/Value tree of the document that keeps no item per node: the shown rows are
// VisibleRows, and a paint reads only the rows on screen straight from their nodes. Edits,
// expansion and collapse cost what moving the shown rows once costs, never a layout of them
// all. The view observes a document its owner keeps alive (SetDocument); it follows the
// document's announcements, and Reset after the document was loaded or created anew.
// Besides keys and clicks it edits cells in place (a click on the selected row, or
// BeginCellEdit) and drags nodes onto elements (move; copy with Ctrl or the right button).
class NodeTreeView : public QAbstractScrollArea, public DocumentObserver {
    Q_OBJECT
public:
    static constexpr int NameColumn = 0;
    static constexpr int ValueColumn = 1;

    explicit NodeTreeView(QWidget* parent = nullptr);
    ~NodeTreeView() override;

    // Shows this document from now on (its top-level rows, collapsed, nothing selected).
    void SetDocument(XmlDocument& document);
    XmlDocument& Document() { return *m_document; }
    const XmlDocument& Document() const { return *m_document; }

    // The document's top-level rows, all collapsed, nothing selected.
    void Reset();
    const VisibleRows& Rows() const { return *m_rows; }
    QHeaderView* Header() const { return m_header; }
    int RowHeight() const { return m_rowHeight; }
    // The row at the top of the viewport; the vertical scroll bar counts rows.
    int TopRow() const;

    bool ShowPrefixes() const { return m_showPrefixes; }
    void SetShowPrefixes(bool show);
    // A cell's text as the tree shows it (before it is cut to one line).
    QString CellText(const XmlNode* node, int column) const;

    // The selected node, or -1 / null.
    int32_t SelectedNodeId() const { return m_selectedId; }
    const XmlNode* SelectedNode() const;
    // Selects the node, expanding its ancestors and scrolling it into view; false when it is
    // not in the tree.
    bool SelectNode(int32_t id);
    void ClearSelection();
    bool IsExpanded(const XmlNode* node) const;
    void SetExpanded(int32_t id, bool expanded);
    // Expands the node and every element below it (`*`).
    void ExpandAll(int32_t id);
    // Runs long work for the view: off the window's thread, the document closed to edits and
    // the rows left alone until `done` has the outcome (XE_OK, or XE_CANCELLED when the user
    // stopped it). `what` names the node the work is for. Without a runner the view does such
    // work in place.
    using LongWork = std::function<XmlStatus(FileProgress&)>;
    using LongWorkRunner = std::function<void(const QString& what, LongWork work,
                                              std::function<void(XmlStatus)> done)>;
    void SetLongWorkRunner(LongWorkRunner runner) { m_longWork = std::move(runner); }
    // How long opening a subtree may hold the window before the rest goes to the runner.
    void SetAtOnceLimit(int milliseconds) { m_atOnceMs = milliseconds; }
    // Expands in `copy` what is expanded in `original`, a subtree of the same shape.
    void MirrorExpanded(const XmlNode* original, const XmlNode* copy);

    // The row under a viewport position, or -1.
    int RowAt(int y) const;
    // The node whose row is under a viewport position, off its expand button; null elsewhere.
    const XmlNode* NodeAt(QPoint point) const;
    // The column (logical index) under a viewport x, or -1.
    int ColumnAt(int x) const;
    // A row's expand button in viewport coordinates; empty for a row without children or
    // off screen.
    QRect ButtonRect(int row) const;
    // The node's whole row in viewport coordinates; empty when it is not shown.
    QRect RowRect(const XmlNode* node) const;
    // A cell in viewport coordinates; the Name cell starts after the row's indentation.
    QRect CellRect(int row, int column) const;

    // Opens the edit box over the node's cell, unless the cell cannot be edited.
    void BeginCellEdit(int32_t id, int column);
    void CancelCellEdit();
    InPlaceEdit& Editor() const { return *m_edit; }

    // The node being dragged, or -1; the row highlighted as the drop target (or the press), -1.
    int32_t DragSource() const { return m_dragSource; }
    int32_t DropHighlight() const { return m_dropHighlight; }
    const DragImage* CurrentDragImage() const { return m_dragImage; }
    DragCursors::Kind DragCursorKind() const { return m_dragCursor; }
    // Whether the source may be dropped on the target: an element outside the source.
    bool CanDrop(const XmlNode* source, const XmlNode* target) const;
    // Moves (or copies) the source to the end of the target; the result comes back selected.
    void Drop(int32_t source, int32_t target, bool copy);

    void OnNodeChanged(const NodeIdPath& path) override;
    void OnNodeAboutToBeRemoved(const XmlNode* node) override;
    void OnNodeRemoved(const NodeIdPath& path) override;
    void OnNodeInserted(const NodeIdPath& path, XmlNode* node) override;

signals:
    void selectionChanged(int32_t id);
    // An edit box is asked for over the cell (before it opens, if it can).
    void cellEditRequested(int32_t id, int column);

protected:
    // The document to change from a const query, as a command handler needs it.
    XmlDocument& DocumentToEdit() const { return *m_document; }
    // Commits an edited cell's text; false keeps the edit box open.
    virtual bool CommitCellText(int32_t id, int column, const QString& text);
    // Asked before an edit box opens; true keeps the cell unedited.
    virtual bool IsCellEditVetoed(int32_t id, int column) const;
    // A right click that was no drag asks for the menu here, after the release.
    bool DeferContextMenu(const QContextMenuEvent* event);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    int ShownRows() const { return m_rows->Count(); }
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
    // Expands the node (`all`: and every element below it): at once when that is quick,
    // else on the runner.
    void Open(const XmlNode* node, bool all);
    void Opened(VisibleRows::Opening& opening);
    // After the node was expanded or collapsed: scroll ranges, paint, announcement.
    void ShowExpansion(const XmlNode* node);
    // Selects the next row whose name starts with the letters typed so far; false for a key
    // that types nothing.
    bool TypeAhead(const QString& text);
    // One cell's parts, shared by its paint and its tool-tip.
    struct Cell {
        int icon = -1;
        QRect iconRect;
        QRect fill;
        QRect text;
        QFont font;
        QString whole;
        QString shown;
        bool elided = false;
    };
    Cell LayOutCell(const XmlNode* node, int column, const QRect& rect) const;
    // The row's part of a column, whole.
    QRect SectionRect(int row, int column) const;
    // A rect laid out from the left of `within`, mirrored in it when the layout runs right to
    // left.
    QRect Visual(const QRect& rect, const QRect& within) const;
    void PaintBranches(QPainter& painter, const XmlNode* node, int level, const QRect& area) const;
    enum class Highlight { None, Selected, DropTarget };
    void PaintCell(QPainter& painter, const XmlNode* node, int column, const QRect& rect,
                   Highlight highlight) const;
    bool EndCellEdit(const InPlaceEditResult& result);

    bool IsCopyDrag() const;
    void SetDropHighlight(int32_t id);
    QPixmap CreateDragImage(const XmlNode* node) const;
    void StartDrag(QPoint point);
    void TrackDrag(QPoint point);
    void UpdateDragTarget();
    void EndDrag();

    XmlDocument* m_document = nullptr; // never null: an empty one until SetDocument
    std::unique_ptr<VisibleRows> m_rows;
    LongWorkRunner m_longWork;
    int m_atOnceMs = 250;
    QHeaderView* m_header;
    int m_rowHeight = 18;
    int32_t m_selectedId = -1;
    bool m_showPrefixes = true;
    bool m_applyingWidths = false; // the view itself is setting a section width
    std::unique_ptr<InPlaceEdit> m_edit;

    // A press, and the drag it may become.
    QPoint m_pressPoint{-1, -1};
    bool m_pressedOnSelected = false;
    bool m_draggedSincePress = false;
    int32_t m_dragSource = -1;
    int32_t m_dropHighlight = -1;
    QPoint m_lastDragPoint{-1, -1};
    DragImage* m_dragImage = nullptr;
    DragCursors m_cursors;
    DragCursors::Kind m_dragCursor = DragCursors::Kind::None;
    QBasicTimer m_edgeScroll; // scrolls while a drag rests at the top or bottom edge
    QString m_typed;          // the letters of the type-ahead search so far
    QElapsedTimer m_typedTimer;
    // A right press's menu request waits for the release, and never follows a drag.
    bool m_contextMenuDeferred = false;
    bool m_menuAfterDragSuppressed = false;
    QPoint m_deferredMenuPoint;
    QPoint m_deferredMenuGlobal;
};
