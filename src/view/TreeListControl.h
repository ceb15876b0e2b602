#pragma once

#include "view/DragCursors.h"
#include "view/TreeListColumn.h"
#include "view/TreeListItem.h"

#include <QColor>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QTreeView>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class DragImage;
class InPlaceEdit;
class TreeListItemModel;
class QContextMenuEvent;
class QPainter;
struct InPlaceEditResult;

// A general multi-column tree: items with a parent, an order and one integer parameter, a
// movable and resizable header, and every cell painted from the overridable hooks below. It
// knows nothing about what the items stand for.
class TreeListControl : public QTreeView {
    Q_OBJECT
public:
    // Item state bits handed to the hooks.
    enum ItemState : uint32_t {
        StateSelected = 0x0002,
        StateDropHighlighted = 0x0008,
        StateExpanded = 0x0020,
    };
    // Font style bits answered by GetCellFontStyle.
    enum FontStyle : uint32_t {
        FontBold = 1,
        FontItalic = 2,
        FontUnderline = 4,
        FontStrikeOut = 8,
    };
    static constexpr int ImageSize = 16;

    // `clickEdit`: a click on the selected item edits the cell under the pointer;
    // `drag`: items may be dragged (the dragging work builds on the press state kept here).
    explicit TreeListControl(QWidget* parent = nullptr, bool clickEdit = true, bool drag = true);
    ~TreeListControl() override;

    TreeListItemModel* ItemModel() const { return m_model; }

    // --- Columns ------------------------------------------------------------------------
    // Inserts a column with its header section; `order` -1 means the index. Returns the index.
    int InsertColumn(int index, const QString& title, int width, Qt::Alignment alignment,
                     int order);
    int ColumnCount() const { return int(m_columns.size()); }
    const std::vector<TreeListColumn>& Columns() const { return m_columns; }
    // (left, right) in content coordinates; (0, 0) for an index beyond the columns.
    std::pair<int, int> GetColumnSpan(int index) const;
    // Column under a viewport x, or -1.
    int ColumnAtX(int x) const;
    // Recomputes every column's left from the orders and widths; throws XmlException
    // (E_INVALIDARG) when the orders are not a permutation of 0..count-1.
    void RecomputeColumnLayout();
    // The left of column 0: where the tree's lines and buttons are drawn.
    int Origin() const { return m_origin; }
    void SetColumnWidth(int index, int width);
    // Moves column `index` to display position `order` (the header follows).
    void MoveColumn(int index, int order);

    // --- Items --------------------------------------------------------------------------
    // Inserts under `parent` (null: top level) after `after`; null `after` inserts first.
    // `populate` may append the new item's children (AppendItem) before the row is shown.
    // Items hold only their parameter: a derived control answers the cell hooks from it.
    TreeListItem* InsertItemAfter(TreeListItem* parent, TreeListItem* after, int32_t param,
                                  const std::function<void(TreeListItem*)>& populate = {});
    TreeListItem* AppendItem(TreeListItem* parent, int32_t param,
                             const std::function<void(TreeListItem*)>& populate = {});
    void DeleteItem(TreeListItem* item);
    void DeleteAllItems();
    void BeginBulkInsert();
    void EndBulkInsert();

    int ChildItemCount(const TreeListItem* parent) const;
    TreeListItem* ChildItem(const TreeListItem* parent, int index) const;
    TreeListItem* ParentItem(const TreeListItem* item) const;
    // Number of ancestors; 0 for a top-level item.
    int ItemLevel(const TreeListItem* item) const;
    bool IsItemExpanded(const TreeListItem* item) const;
    void ExpandItem(TreeListItem* item);
    // Expands the item and every descendant that has children (the "*" key).
    void ExpandSubtree(TreeListItem* item);
    QRect ItemRowRect(const TreeListItem* item) const;

    // The caret item, or null.
    TreeListItem* SelectedItem() const;
    // Makes the item the caret, expanding its ancestors and scrolling it into view.
    void SelectItem(TreeListItem* item);
    TreeListItem* DropHighlightItem() const { return m_dropHighlight; }
    void SetDropHighlight(TreeListItem* item);

    // Item under a viewport point; none over empty space or an expand button.
    TreeListItem* HitTestItem(QPoint point) const;
    // Whether a viewport point lies on the expand button of an item.
    bool IsOnExpandButton(QPoint point) const;

    // --- Images -------------------------------------------------------------------------
    // Icons with a pixmap per device pixel ratio stay sharp on high-density screens.
    void SetImageList(const QList<QIcon>& images) { m_images = images; }
    const QList<QIcon>& ImageList() const { return m_images; }

    // --- In-place editing ---------------------------------------------------------------
    // Opens the edit box on a cell, pre-filled with its text and selected, unless the cell is
    // refused (no item, negative column, read-only), a box is already open, or the owner
    // vetoes the edit. An accepted request is announced with cellEditRequested; a control
    // that is not visible announces it but opens no box, since nobody could type into it or
    // move the focus away to end it.
    virtual void BeginCellEdit(TreeListItem* item, int column);
    // Where an editor for the cell goes: right of the indentation and image in column 0.
    QRect CellEditRect(TreeListItem* item, int column) const;
    // The end of an edit: a non-empty text is committed; false means refused, keep editing.
    bool EndCellEdit(TreeListItem* item, int column, const QString& text);
    // What the box calls when editing ends: 0 when editing is over, 1 when the text was
    // refused and the box stays open. Without a record, 0.
    int OnEndEdit(const InPlaceEditResult* result);
    // Ends an open edit without committing it.
    void CancelCellEdit();
    InPlaceEdit& Editor() const { return *m_edit; }

    // --- Hooks, in their fixed order; here every cell is empty and read-only ------------
    virtual QColor GetColumnBkColor(int column) const;
    virtual QString GetCellText(const TreeListItem* item, int column) const;
    virtual int GetCellImage(const TreeListItem* item, int column, bool selected,
                             bool expanded) const;
    virtual bool GetCellTextAndImage(const TreeListItem* item, int column, bool selected,
                                     bool expanded, QString& text, int& image) const;
    // Whether an item can never have children; such rows cost the tree's layout less. None
    // here.
    virtual bool IsAlwaysLeaf(const TreeListItem* item) const;
    // What assistive technology hears about a row beyond its cells (its kind and level, say);
    // none here.
    virtual QString GetRowDescription(const TreeListItem* item) const;
    virtual uint32_t GetCellFontStyle(const TreeListItem* item, int column, uint32_t state) const;
    virtual QColor GetCellTextColor(const TreeListItem* item, int column, uint32_t state) const;
    virtual void DrawCell(const TreeListItem* item, int column, QPainter& painter,
                          const QRect& rect, uint32_t state) const;
    virtual bool CommitCellText(TreeListItem* item, int column, const QString& text);
    virtual bool IsCellReadOnly(const TreeListItem* item, int column) const;
    virtual bool IsCellMultiline(const TreeListItem* item, int column) const;
    virtual void DropItem(TreeListItem* source, TreeListItem* target, bool copy);
    virtual bool CanDropItem(const TreeListItem* source, const TreeListItem* target) const;

    // The state bits of an item as the hooks receive them.
    uint32_t ItemStateOf(const TreeListItem* item) const;

    // --- Dragging -----------------------------------------------------------------------
    QPoint PressPoint() const { return m_pressPoint; }
    bool PressedOnSelected() const { return m_pressedOnSelected; }
    // The item being dragged; a drag is in progress exactly while it is set.
    TreeListItem* DragSource() const { return m_dragSource; }
    // The picture of an item's Name cell as an unselected row shows it, without indentation,
    // the column background transparent.
    QPixmap CreateDragImage(const TreeListItem* item) const;
    // The image following the pointer, null outside a drag.
    const DragImage* CurrentDragImage() const { return m_dragImage; }
    // The cursor the drag shows: move, copy or no-drop; None outside a drag.
    DragCursors::Kind DragCursorKind() const { return m_dragCursor; }

signals:
    void cellEditRequested(TreeListItem* item, int column, QRect rect);

protected:
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Whether the owner refuses an edit of the cell before the box is shown; here the pane
    // holding the control is asked (TreeListPane::OnBeginLabelEdit).
    virtual bool IsCellEditVetoed(TreeListItem* item, int column);
    // A context menu asked for by a right press is held back until the release, so that a
    // right-button drag can start; true when the request was taken for later. A derived
    // control calls it first in its contextMenuEvent.
    bool DeferContextMenu(const QContextMenuEvent* event);
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;
    // Called just before an item and its subtree go away, so that no pointer outlives them.
    virtual void OnItemsAboutToBeDeleted(TreeListItem* item);
    // The drag work's copy test; here the current keyboard modifiers and buttons decide.
    virtual bool IsCopyDrag() const;
    // Ends a drag without a drop; the dragging work extends it.
    virtual void EndDrag();

private:
    // The one way items get expanded (keys, mouse, selection, the API).
    void SetExpanded(const QModelIndex& index, bool expanded);
    // Tells assistive technology that a row was expanded or collapsed.
    void AnnounceExpansion(const QModelIndex& index);
    // Where and how a cell's text is painted; painting and the tool-tip share it.
    struct CellText {
        QString text;  // as the hooks give it
        QString shown; // on one line, elided to the text area
        bool elided = false;
        int image = -1; // a valid index into the image list, or -1
        QRect fillArea; // right of the image
        QRect textArea;
        QFont font;
    };
    CellText LayOutCellText(const TreeListItem* item, int column, const QRect& rect,
                            uint32_t state) const;
    void OnSectionResized(int logicalIndex, int oldSize, int newSize);
    void OnSectionMoved(int logicalIndex, int oldVisualIndex, int newVisualIndex);
    void AfterRowsRemoved();
    int IndentOf(const TreeListItem* item) const;
    bool IsInSubtree(const TreeListItem* item, const TreeListItem* subtreeRoot) const;
    void StartDrag(QPoint point);
    void TrackDrag(QPoint point);
    void UpdateDragCursor(TreeListItem* target);

    TreeListItemModel* m_model = nullptr;
    std::vector<TreeListColumn> m_columns;
    int m_origin = 0;
    bool m_syncingHeader = false;
    bool m_expandingSubtree = false;
    bool m_clickEditEnabled = true;
    bool m_dragEnabled = true;
    QPoint m_pressPoint{-1, -1};
    bool m_pressedOnSelected = false;
    TreeListItem* m_dragSource = nullptr;
    TreeListItem* m_dropHighlight = nullptr;
    // The release point's item while a drop runs; cleared when the drop deletes it.
    TreeListItem* m_releaseTarget = nullptr;
    QPoint m_lastDragPoint{-1, -1};
    DragImage* m_dragImage = nullptr;
    DragCursors m_cursors;
    DragCursors::Kind m_dragCursor = DragCursors::Kind::None;
    bool m_contextMenuDeferred = false;
    bool m_draggedSincePress = false;
    // Where the platform asks for the menu after the release, a right drag must not get one.
    bool m_menuAfterDragSuppressed = false;
    QPoint m_deferredMenuPoint;
    QPoint m_deferredMenuGlobal;
    std::unique_ptr<InPlaceEdit> m_edit;
    QList<QIcon> m_images;
};
