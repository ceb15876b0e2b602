#include "view/TreeListControl.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/XmlException.h"
#include "view/BusyCursor.h"
#include "view/DragImage.h"
#include "view/InPlaceEdit.h"
#include "view/TreeListCellDelegate.h"
#include "view/TreeListItemModel.h"
#include "view/TreeListPane.h"

#include <QAccessible>
#include <QApplication>
#include <QBitmap>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

TreeListControl::TreeListControl(QWidget* parent, bool clickEdit, bool drag)
    : QTreeView(parent), m_model(new TreeListItemModel(this)), m_clickEditEnabled(clickEdit),
      m_dragEnabled(drag), m_edit(std::make_unique<InPlaceEdit>(*this))
{
    m_model->SetCellTextSource(
        [this](const TreeListItem* item, int column) { return GetCellText(item, column); });
    setModel(m_model);
    setItemDelegate(new TreeListCellDelegate(this));
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The control runs its own editing and dragging; Qt's would bypass the hooks.
    setDragEnabled(false);
    setSortingEnabled(false);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    // Double clicks expand through SetExpanded (mouseDoubleClickEvent).
    setExpandsOnDoubleClick(false);
    setAllColumnsShowFocus(false);

    QHeaderView* head = header();
    head->setSectionsMovable(true);
    head->setFirstSectionMovable(true);
    head->setSectionsClickable(false);
    head->setHighlightSections(false);
    head->setStretchLastSection(false);
    head->setSectionResizeMode(QHeaderView::Interactive);
    head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(head, &QHeaderView::sectionResized, this, &TreeListControl::OnSectionResized);
    connect(head, &QHeaderView::sectionMoved, this, &TreeListControl::OnSectionMoved);
    connect(this, &QTreeView::expanded, this, &TreeListControl::AnnounceExpansion);
    connect(this, &QTreeView::collapsed, this, &TreeListControl::AnnounceExpansion);
    m_model->SetRowDescriptionSource(
        [this](const TreeListItem* item) { return GetRowDescription(item); });
    m_model->SetChildlessSource([this](const TreeListItem* item) { return IsAlwaysLeaf(item); });
    // Connected after the selection model, which has already moved the caret by then.
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TreeListControl::AfterRowsRemoved);
}

TreeListControl::~TreeListControl()
{
    // Destroying the tree cancels an open edit without committing it.
    m_edit->Abandon();
    if (m_dragImage) {
        delete m_dragImage;
        m_dragImage = nullptr;
    }
}

// --- Columns ----------------------------------------------------------------------------

int TreeListControl::InsertColumn(int index, const QString& title, int width,
                                  Qt::Alignment alignment, int order)
{
    const int count = ColumnCount();
    index = std::clamp(index, 0, count);
    if (order < 0)
        order = index;
    order = std::min(order, count);
    for (TreeListColumn& column : m_columns) {
        if (column.order >= order)
            ++column.order;
    }
    m_columns.insert(m_columns.begin() + index, TreeListColumn{0, width, order});

    m_syncingHeader = true;
    m_model->InsertColumn(index, title, alignment);
    header()->resizeSection(index, width);
    // Bring the header's display order in line with the column orders.
    for (int position = 0; position < ColumnCount(); ++position) {
        for (int i = 0; i < ColumnCount(); ++i) {
            if (m_columns[size_t(i)].order == position) {
                header()->moveSection(header()->visualIndex(i), position);
                break;
            }
        }
    }
    m_syncingHeader = false;
    RecomputeColumnLayout();
    viewport()->update();
    return index;
}

std::pair<int, int> TreeListControl::GetColumnSpan(int index) const
{
    if (index < 0 || index >= ColumnCount())
        return {0, 0};
    const TreeListColumn& column = m_columns[size_t(index)];
    return {column.left, column.left + column.width - 1};
}

int TreeListControl::ColumnAtX(int x) const
{
    const int contentX = x + header()->offset();
    for (int i = 0; i < ColumnCount(); ++i) {
        const auto [left, right] = GetColumnSpan(i);
        if (contentX >= left && contentX <= right)
            return i;
    }
    return -1;
}

void TreeListControl::RecomputeColumnLayout()
{
    const int count = ColumnCount();
    std::vector<int> atPosition(size_t(count), -1);
    for (int i = 0; i < count; ++i) {
        const int order = m_columns[size_t(i)].order;
        if (order < 0 || order >= count || atPosition[size_t(order)] != -1)
            throw XmlException(E_INVALIDARG_STATUS);
        atPosition[size_t(order)] = i;
    }
    int left = 0;
    for (int position = 0; position < count; ++position) {
        TreeListColumn& column = m_columns[size_t(atPosition[size_t(position)])];
        column.left = left;
        left += column.width;
    }
    m_origin = count > 0 ? m_columns[0].left : 0;
}

void TreeListControl::SetColumnWidth(int index, int width)
{
    if (index < 0 || index >= ColumnCount())
        return;
    m_columns[size_t(index)].width = width;
    m_syncingHeader = true;
    header()->resizeSection(index, width);
    m_syncingHeader = false;
    RecomputeColumnLayout();
    viewport()->update();
}

void TreeListControl::MoveColumn(int index, int order)
{
    if (index < 0 || index >= ColumnCount() || order < 0 || order >= ColumnCount())
        return;
    const int oldOrder = m_columns[size_t(index)].order;
    for (TreeListColumn& column : m_columns) {
        if (column.order > oldOrder)
            --column.order;
    }
    for (TreeListColumn& column : m_columns) {
        if (column.order >= order)
            ++column.order;
    }
    m_columns[size_t(index)].order = order;
    if (header()->visualIndex(index) != order) {
        m_syncingHeader = true;
        header()->moveSection(header()->visualIndex(index), order);
        m_syncingHeader = false;
    }
    RecomputeColumnLayout();
    viewport()->update();
}

void TreeListControl::OnSectionResized(int logicalIndex, int, int newSize)
{
    if (m_syncingHeader || logicalIndex < 0 || logicalIndex >= ColumnCount())
        return;
    m_columns[size_t(logicalIndex)].width = newSize;
    RecomputeColumnLayout();
    viewport()->update();
}

void TreeListControl::OnSectionMoved(int logicalIndex, int, int newVisualIndex)
{
    if (m_syncingHeader)
        return;
    MoveColumn(logicalIndex, newVisualIndex);
}

// --- Items ------------------------------------------------------------------------------

TreeListItem* TreeListControl::InsertItemAfter(TreeListItem* parent, TreeListItem* after,
                                               int32_t param,
                                               const std::function<void(TreeListItem*)>& populate)
{
    TreeListItem* parentItem = parent ? parent : m_model->RootItem();
    int index = 0;
    if (after && after->parent == parentItem)
        index = m_model->RowOf(after) + 1;
    return m_model->InsertItem(parent, index, param, populate);
}

TreeListItem* TreeListControl::AppendItem(TreeListItem* parent, int32_t param,
                                          const std::function<void(TreeListItem*)>& populate)
{
    return m_model->InsertItem(parent, -1, param, populate);
}

void TreeListControl::DeleteItem(TreeListItem* item)
{
    if (!item || !item->parent)
        return;
    OnItemsAboutToBeDeleted(item);
    m_model->RemoveItem(item);
    viewport()->update();
}

void TreeListControl::DeleteAllItems()
{
    CancelCellEdit();
    if (m_dragSource)
        EndDrag();
    m_dropHighlight = nullptr;
    m_releaseTarget = nullptr;
    m_model->RemoveAllItems();
}

void TreeListControl::BeginBulkInsert()
{
    m_model->BeginBulkInsert();
}

void TreeListControl::EndBulkInsert()
{
    m_model->EndBulkInsert();
}

void TreeListControl::OnItemsAboutToBeDeleted(TreeListItem* item)
{
    if (IsInSubtree(m_dropHighlight, item))
        m_dropHighlight = nullptr;
    if (IsInSubtree(m_releaseTarget, item))
        m_releaseTarget = nullptr;
    // A command (a tool-bar button, a menu, a key during a drag) may take away the item
    // being edited or dragged; neither may be used afterwards.
    if (m_edit->IsOpen() && IsInSubtree(m_edit->Result().item, item))
        CancelCellEdit();
    if (IsInSubtree(m_dragSource, item))
        EndDrag();
}

bool TreeListControl::IsInSubtree(const TreeListItem* item, const TreeListItem* subtreeRoot) const
{
    for (; item; item = item->parent) {
        if (item == subtreeRoot)
            return true;
    }
    return false;
}

void TreeListControl::AfterRowsRemoved()
{
    // The caret moved to a neighbour of the removed row; make it the selection as well, as a
    // tree whose selected item disappears picks the next one.
    const QModelIndex current = currentIndex();
    if (current.isValid() && !selectionModel()->isSelected(current))
        selectionModel()->select(current,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int TreeListControl::ChildItemCount(const TreeListItem* parent) const
{
    const TreeListItem* item = parent ? parent : m_model->RootItem();
    return int(item->children.size());
}

TreeListItem* TreeListControl::ChildItem(const TreeListItem* parent, int index) const
{
    const TreeListItem* item = parent ? parent : m_model->RootItem();
    if (index < 0 || index >= int(item->children.size()))
        return nullptr;
    return item->children[size_t(index)];
}

TreeListItem* TreeListControl::ParentItem(const TreeListItem* item) const
{
    if (!item || !item->parent || item->parent == m_model->RootItem())
        return nullptr;
    return item->parent;
}

int TreeListControl::ItemLevel(const TreeListItem* item) const
{
    int level = 0;
    for (const TreeListItem* parent = ParentItem(item); parent; parent = ParentItem(parent))
        ++level;
    return level;
}

bool TreeListControl::IsItemExpanded(const TreeListItem* item) const
{
    return item && isExpanded(m_model->IndexOf(item));
}

void TreeListControl::ExpandItem(TreeListItem* item)
{
    if (item)
        SetExpanded(m_model->IndexOf(item), true);
}

void TreeListControl::SetExpanded(const QModelIndex& index, bool expanded)
{
    if (!index.isValid() || isExpanded(index) == expanded)
        return;
    if (expanded) {
        // QTreeView lays out a newly expanded item one expanded descendant at a time, moving
        // every row below it each time: after an expand-all of a large file that took minutes.
        // With a full layout pending it only records the state, and the layout that follows
        // is one linear pass over the shown rows.
        scheduleDelayedItemsLayout();
        expand(index);
    } else {
        collapse(index);
    }
}

void TreeListControl::ExpandSubtree(TreeListItem* item)
{
    if (!item)
        return;
    // A whole large document takes seconds; the layout runs here, under the busy cursor,
    // rather than at the next paint.
    BusyCursor busy;
    scheduleDelayedItemsLayout();
    m_expandingSubtree = true;
    // Only items with children are expanded: a leaf marked expanded would tell assistive
    // technology so, and costs a persistent index for nothing.
    std::vector<const TreeListItem*> pending{item};
    while (!pending.empty()) {
        const TreeListItem* current = pending.back();
        pending.pop_back();
        if (current->children.empty())
            continue;
        expand(m_model->IndexOf(current));
        pending.insert(pending.end(), current->children.begin(), current->children.end());
    }
    m_expandingSubtree = false;
    executeDelayedItemsLayout();
    AnnounceExpansion(m_model->IndexOf(item));
}

void TreeListControl::AnnounceExpansion(const QModelIndex& index)
{
    if (m_expandingSubtree || !QAccessible::isActive())
        return;
    // Told once the layout has caught up, when the row's place among the shown rows is known.
    QTimer::singleShot(0, this, [this, row = QPersistentModelIndex(index)] {
        if (!row.isValid())
            return;
        const QRect rect = visualRect(row);
        if (!rect.isValid())
            return;
        const int visualRow = (rect.top() + verticalOffset()) / std::max(1, rect.height());
        // The tree's children are the header cells, then the cells row by row.
        const int child = (visualRow + 1) * m_model->ColumnCount() + row.column();
        QAccessible::State state;
        state.expanded = true;
        QAccessibleStateChangeEvent changed(this, state);
        changed.setChild(child);
        QAccessible::updateAccessibility(&changed);
        // Qt's AT-SPI bridge (6.4) passes no expanded state change on; the row's description,
        // which names the state, changes with it and is passed on.
        QAccessibleEvent described(this, QAccessible::DescriptionChanged);
        described.setChild(child);
        QAccessible::updateAccessibility(&described);
    });
}

QRect TreeListControl::ItemRowRect(const TreeListItem* item) const
{
    const QRect cell = visualRect(m_model->IndexOf(item));
    if (!cell.isValid())
        return {};
    return QRect(0, cell.top(), viewport()->width(), cell.height());
}

TreeListItem* TreeListControl::SelectedItem() const
{
    return m_model->ItemOf(currentIndex());
}

void TreeListControl::SelectItem(TreeListItem* item)
{
    if (!item) {
        selectionModel()->clear();
        return;
    }
    std::vector<TreeListItem*> ancestors;
    for (TreeListItem* parent = ParentItem(item); parent; parent = ParentItem(parent))
        ancestors.push_back(parent);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
        SetExpanded(m_model->IndexOf(*it), true);
    const QModelIndex index = m_model->IndexOf(item);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
}

void TreeListControl::SetDropHighlight(TreeListItem* item)
{
    if (m_dropHighlight == item)
        return;
    m_dropHighlight = item;
    viewport()->update();
}

bool TreeListControl::IsOnExpandButton(QPoint point) const
{
    const int x0 = columnViewportPosition(0) + std::max(0, columnWidth(0) - 1);
    const TreeListItem* item = m_model->ItemOf(indexAt(QPoint(x0, point.y())));
    if (!item || item->children.empty())
        return false;
    const QRect cell = visualRect(m_model->IndexOf(item));
    return point.x() >= cell.left() - indentation() && point.x() < cell.left();
}

TreeListItem* TreeListControl::HitTestItem(QPoint point) const
{
    const bool fullRow = selectionBehavior() == QAbstractItemView::SelectRows;
    if (!fullRow && ColumnAtX(point.x()) != 0)
        return nullptr;
    // Any x on the row counts with full-row selection, so look the row up inside column 0.
    const int x0 = columnViewportPosition(0) + std::max(0, columnWidth(0) - 1);
    TreeListItem* item = m_model->ItemOf(indexAt(QPoint(fullRow ? x0 : point.x(), point.y())));
    if (!item || IsOnExpandButton(point))
        return nullptr;
    return item;
}

uint32_t TreeListControl::ItemStateOf(const TreeListItem* item) const
{
    if (!item)
        return 0;
    const QModelIndex index = m_model->IndexOf(item);
    uint32_t state = 0;
    if (selectionModel() && selectionModel()->isSelected(index))
        state |= StateSelected;
    if (item == m_dropHighlight)
        state |= StateDropHighlighted;
    if (!item->children.empty() && isExpanded(index))
        state |= StateExpanded;
    return state;
}

// --- Editing ----------------------------------------------------------------------------

int TreeListControl::IndentOf(const TreeListItem* item) const
{
    return indentation() * (ItemLevel(item) + (rootIsDecorated() ? 1 : 0));
}

QRect TreeListControl::CellEditRect(TreeListItem* item, int column) const
{
    const QRect row = ItemRowRect(item);
    if (!row.isValid() || column < 0 || column >= ColumnCount())
        return {};
    const auto [left, right] = GetColumnSpan(column);
    int x = left - header()->offset();
    if (column == 0) {
        x += IndentOf(item);
        if (!m_images.isEmpty() && GetCellImage(item, 0, false, false) != -1)
            x += ImageSize + 2;
    }
    const int width = std::max(1, right - header()->offset() - x + 1);
    return QRect(x, row.top(), width, row.height() * 2);
}

void TreeListControl::BeginCellEdit(TreeListItem* item, int column)
{
    if (!item || column < 0 || column >= ColumnCount() || IsCellReadOnly(item, column) ||
        m_edit->IsOpen())
        return;
    if (IsCellEditVetoed(item, column))
        return;
    const QRect rect = CellEditRect(item, column);
    emit cellEditRequested(item, column, rect);
    if (!isVisible() || !rect.isValid() || m_edit->IsOpen())
        return;
    // A drag and an edit do not mix; the edit wins.
    if (m_dragSource)
        EndDrag();
    m_edit->Create(item, column, IsCellMultiline(item, column), rect, viewport());
    // A screen reader says which cell is being edited: the column and the row's name.
    m_edit->Box()->setAccessibleName(FormatPlaceholders(
        LoadText(StringId::CellEditorName), {m_model->ColumnTitle(column), GetCellText(item, 0)}));
    m_edit->Start(GetCellText(item, column), font());
}

bool TreeListControl::IsCellEditVetoed(TreeListItem* item, int column)
{
    auto* pane = qobject_cast<TreeListPane*>(parentWidget());
    return pane && pane->OnBeginLabelEdit(item, column);
}

int TreeListControl::OnEndEdit(const InPlaceEditResult* result)
{
    if (!result)
        return 0;
    return EndCellEdit(result->item, result->column, result->text) ? 0 : 1;
}

void TreeListControl::CancelCellEdit()
{
    m_edit->End(true);
}

bool TreeListControl::EndCellEdit(TreeListItem* item, int column, const QString& text)
{
    if (item && !text.isEmpty() && !CommitCellText(item, column, text))
        return false;
    viewport()->update();
    return true;
}

// --- Hooks ------------------------------------------------------------------------------

QColor TreeListControl::GetColumnBkColor(int) const
{
    return palette().color(QPalette::Base);
}

QString TreeListControl::GetCellText(const TreeListItem*, int) const
{
    return QString();
}

int TreeListControl::GetCellImage(const TreeListItem*, int, bool, bool) const
{
    return -1;
}

bool TreeListControl::GetCellTextAndImage(const TreeListItem* item, int column, bool selected,
                                          bool expanded, QString& text, int& image) const
{
    text = GetCellText(item, column);
    image = GetCellImage(item, column, selected, expanded);
    return true;
}

bool TreeListControl::IsAlwaysLeaf(const TreeListItem*) const
{
    return false;
}

QString TreeListControl::GetRowDescription(const TreeListItem*) const
{
    return QString();
}

uint32_t TreeListControl::GetCellFontStyle(const TreeListItem*, int, uint32_t) const
{
    return 0;
}

QColor TreeListControl::GetCellTextColor(const TreeListItem*, int column, uint32_t state) const
{
    const bool fullRow = selectionBehavior() == QAbstractItemView::SelectRows;
    if ((state & (StateSelected | StateDropHighlighted)) && (fullRow || column == 0))
        return palette().color(QPalette::HighlightedText);
    return palette().color(QPalette::Text);
}

TreeListControl::CellText TreeListControl::LayOutCellText(const TreeListItem* item, int column,
                                                          const QRect& rect, uint32_t state) const
{
    CellText cell;
    GetCellTextAndImage(item, column, (state & StateSelected) != 0, (state & StateExpanded) != 0,
                        cell.text, cell.image);
    int textLeft = rect.left();
    if (cell.image >= 0 && cell.image < m_images.size())
        textLeft = rect.left() + 1 + ImageSize;
    else
        cell.image = -1;
    if (column == 0)
        ++textLeft;
    cell.fillArea = QRect(QPoint(textLeft, rect.top()), rect.bottomRight());
    cell.textArea = QRect(QPoint(textLeft + 2, rect.top()), rect.bottomRight());

    const uint32_t style = GetCellFontStyle(item, column, state);
    cell.font = font();
    if (style != 0) {
        cell.font.setWeight((style & FontBold) ? QFont::Weight(550) : QFont::Normal);
        cell.font.setItalic((style & FontItalic) != 0);
        cell.font.setUnderline((style & FontUnderline) != 0);
        cell.font.setStrikeOut((style & FontStrikeOut) != 0);
    }
    // One line, whatever line breaks the text holds, cut with an ellipsis at the right edge.
    QString line = cell.text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (cell.textArea.width() > 0)
        cell.shown =
            QFontMetrics(cell.font).elidedText(line, Qt::ElideRight, cell.textArea.width());
    cell.elided = cell.shown != line;
    return cell;
}

void TreeListControl::DrawCell(const TreeListItem* item, int column, QPainter& painter,
                               const QRect& rect, uint32_t state) const
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const QColor background = GetColumnBkColor(column);
    const CellText cell = LayOutCellText(item, column, rect, state);
    if (cell.image >= 0) {
        painter.fillRect(QRect(rect.left(), rect.top(), ImageSize + 2, rect.height()), background);
        const int top = rect.top() + (rect.height() - ImageSize) / 2;
        const QSize size(ImageSize, ImageSize);
        painter.drawPixmap(
            rect.left() + 1, top,
            m_images.at(cell.image).pixmap(size, painter.device()->devicePixelRatioF()));
    }

    const bool fullRow = selectionBehavior() == QAbstractItemView::SelectRows;
    const bool selected = (state & StateSelected) != 0;
    const bool dropHighlighted = (state & StateDropHighlighted) != 0;
    QColor fill = background;
    if (fullRow || column == 0) {
        if (selected)
            fill = palette().color(QPalette::Highlight);
        else if (dropHighlighted)
            fill = palette().color(QPalette::Mid);
    }
    if (cell.fillArea.width() > 0)
        painter.fillRect(cell.fillArea, fill);

    painter.setFont(cell.font);
    painter.setPen(GetCellTextColor(item, column, state));
    if (cell.textArea.width() <= 0)
        return;
    painter.drawText(cell.textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     cell.shown);
}

bool TreeListControl::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QTreeView::viewportEvent(event);
    // A cell cut short by its column shows its whole text as the tool-tip; one that fits needs
    // none.
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const TreeListItem* item = m_model->ItemOf(index);
    if (item) {
        const QRect rect = visualRect(index);
        const CellText cell = LayOutCellText(item, index.column(), rect, ItemStateOf(item));
        if (cell.elided) {
            // Beyond this a tool-tip is no longer read, only waited for.
            constexpr qsizetype kLongest = 4096;
            QString whole = cell.text.left(kLongest);
            if (cell.text.size() > kLongest)
                whole += u'\u2026';
            // As rich text the tip wraps its lines instead of running off the screen.
            QToolTip::showText(help->globalPos(),
                               QStringLiteral("<p style='white-space:pre-wrap'>") +
                                   whole.toHtmlEscaped() + QStringLiteral("</p>"),
                               viewport(), rect);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

bool TreeListControl::CommitCellText(TreeListItem*, int, const QString&)
{
    return true;
}

bool TreeListControl::IsCellReadOnly(const TreeListItem*, int) const
{
    return true;
}

bool TreeListControl::IsCellMultiline(const TreeListItem*, int) const
{
    return true;
}

void TreeListControl::DropItem(TreeListItem*, TreeListItem*, bool) {}

bool TreeListControl::CanDropItem(const TreeListItem* source, const TreeListItem* target) const
{
    return !target || !IsInSubtree(target, source);
}

// --- Mouse ------------------------------------------------------------------------------

bool TreeListControl::IsCopyDrag() const
{
    const Qt::KeyboardModifiers modifiers = QApplication::queryKeyboardModifiers();
    if (modifiers & Qt::ShiftModifier)
        return false;
    return (modifiers & Qt::ControlModifier) || (QApplication::mouseButtons() & Qt::RightButton);
}

void TreeListControl::EndDrag()
{
    m_dragSource = nullptr;
    m_lastDragPoint = QPoint(-1, -1);
    SetDropHighlight(nullptr);
    m_dragCursor = DragCursors::Kind::None;
    viewport()->unsetCursor();
    if (m_dragImage) {
        m_dragImage->hide();
        m_dragImage->deleteLater();
        m_dragImage = nullptr;
    }
}

QPixmap TreeListControl::CreateDragImage(const TreeListItem* item) const
{
    const auto [left, right] = GetColumnSpan(0);
    const int width = std::max(1, right - left);
    const QRect row = ItemRowRect(item);
    const int height = std::max(1, row.isValid() ? row.height() : sizeHintForRow(0));
    QPixmap picture(width, height);
    const QColor background = GetColumnBkColor(0);
    picture.fill(background);
    {
        QPainter painter(&picture);
        painter.setFont(font());
        DrawCell(item, 0, painter, QRect(0, 0, width, height), 0);
    }
    picture.setMask(picture.createMaskFromColor(background, Qt::MaskInColor));
    return picture;
}

void TreeListControl::StartDrag(QPoint point)
{
    // A drag is no click: releasing it must not open an editor or a menu.
    m_pressedOnSelected = false;
    m_draggedSincePress = true;
    m_dragImage = new DragImage(CreateDragImage(m_dragSource), viewport());
    m_dragImage->MoveTo(point);
    m_dragImage->show();
    m_dragImage->raise();
}

void TreeListControl::TrackDrag(QPoint point)
{
    m_lastDragPoint = point;
    if (m_dragImage)
        m_dragImage->MoveTo(point);
    TreeListItem* target = HitTestItem(point);
    SetDropHighlight(target);
    UpdateDragCursor(target);
}

void TreeListControl::UpdateDragCursor(TreeListItem* target)
{
    if (!m_dragSource)
        return;
    if (!CanDropItem(m_dragSource, target))
        m_dragCursor = DragCursors::Kind::NoDrop;
    else
        m_dragCursor = IsCopyDrag() ? DragCursors::Kind::Copy : DragCursors::Kind::Move;
    viewport()->setCursor(m_cursors.Cursor(m_dragCursor));
}

void TreeListControl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const bool held = (event->buttons() & (Qt::LeftButton | Qt::RightButton)) != 0;
    if (m_dragEnabled && held && m_pressPoint != QPoint(-1, -1) && point != m_pressPoint) {
        if (!m_dragSource && m_dropHighlight) {
            m_dragSource = m_dropHighlight;
            StartDrag(point);
        }
        if (m_dragSource)
            TrackDrag(point);
    }
    // With a button held the platform tree would drag its selection along; the tree's own
    // selection only follows clicks and keys.
    if (!held)
        QTreeView::mouseMoveEvent(event);
}

void TreeListControl::keyPressEvent(QKeyEvent* event)
{
    if (m_dragEnabled && m_dragSource) {
        if (event->key() == Qt::Key_Escape) {
            EndDrag();
            event->accept();
            return;
        }
        // Ctrl and Shift switch between move and copy at once, without a mouse move; the
        // key may also have been a command that changed the items under the pointer.
        if (QApplication::mouseButtons() & (Qt::LeftButton | Qt::RightButton)) {
            TreeListItem* target = HitTestItem(m_lastDragPoint);
            SetDropHighlight(target);
            UpdateDragCursor(target);
        }
    }
    // Every expansion by key goes through SetExpanded or ExpandSubtree; collapsing is left to
    // QTreeView, which removes the rows in one step.
    const QModelIndex current = currentIndex();
    TreeListItem* item = m_model->ItemOf(current);
    // "*" and "+" may need Shift on the main keyboard; the keypad's keys count the same.
    const bool plain =
        (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier;
    if (item && !item->children.empty() && plain) {
        if (event->key() == Qt::Key_Asterisk) {
            ExpandSubtree(item);
            event->accept();
            return;
        }
        if ((event->key() == Qt::Key_Right || event->key() == Qt::Key_Plus) &&
            !isExpanded(current)) {
            SetExpanded(current, true);
            event->accept();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

void TreeListControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    // On the expand button each press toggles the item, as QTreeView does there.
    if (event->button() != Qt::LeftButton || IsOnExpandButton(event->position().toPoint()))
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    const TreeListItem* item = m_model->ItemOf(index);
    if (item && !item->children.empty())
        SetExpanded(index.siblingAtColumn(0), !isExpanded(index.siblingAtColumn(0)));
}

void TreeListControl::keyReleaseEvent(QKeyEvent* event)
{
    if (m_dragEnabled && m_dragSource &&
        (QApplication::mouseButtons() & (Qt::LeftButton | Qt::RightButton))) {
        TreeListItem* target = HitTestItem(m_lastDragPoint);
        SetDropHighlight(target);
        UpdateDragCursor(target);
    }
    QTreeView::keyReleaseEvent(event);
}

bool TreeListControl::DeferContextMenu(const QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Mouse && m_menuAfterDragSuppressed) {
        m_menuAfterDragSuppressed = false;
        return true;
    }
    if (event->reason() != QContextMenuEvent::Mouse || m_pressPoint == QPoint(-1, -1) ||
        !(QApplication::mouseButtons() & Qt::RightButton))
        return false;
    m_contextMenuDeferred = true;
    m_deferredMenuPoint = event->pos();
    m_deferredMenuGlobal = event->globalPos();
    return true;
}

void TreeListControl::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    m_menuAfterDragSuppressed = false;
    m_draggedSincePress = false;
    if (event->button() == Qt::LeftButton && IsOnExpandButton(point)) {
        const QModelIndex index = indexAt(point).siblingAtColumn(0);
        if (!isExpanded(index)) {
            SetExpanded(index, true);
            event->accept();
            return;
        }
    }
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
        m_pressPoint = point;
        TreeListItem* item = HitTestItem(point);
        if (event->button() == Qt::LeftButton)
            m_pressedOnSelected = item && item == SelectedItem();
        if (item)
            SetDropHighlight(item);
    }
    QTreeView::mousePressEvent(event);
}

void TreeListControl::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    if (button != Qt::LeftButton && button != Qt::RightButton) {
        QTreeView::mouseReleaseEvent(event);
        return;
    }
    m_pressPoint = QPoint(-1, -1);
    SetDropHighlight(nullptr);
    TreeListItem* target = HitTestItem(point);
    // A drag, even one ended by Escape, is no right click. Where the platform asks for the
    // menu after the release rather than with the press, that request is swallowed.
    const bool requestedAtPress = m_contextMenuDeferred;
    const bool menuDeferred = requestedAtPress && !m_draggedSincePress;
    m_contextMenuDeferred = false;
    m_menuAfterDragSuppressed =
        button == Qt::RightButton && m_draggedSincePress && !requestedAtPress;
    // Qt's own release bookkeeping (press state, clicked signal) still has to run.
    QTreeView::mouseReleaseEvent(event);
    if (m_dragEnabled && m_dragSource) {
        // A drag ended by the right button counts as holding it, unless Shift asks for a move.
        const bool shift = QApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
        const bool copy = IsCopyDrag() || (button == Qt::RightButton && !shift);
        // The drop changes items; the target is watched so a deleted one is never selected.
        m_releaseTarget = target;
        DropItem(m_dragSource, target, copy);
        target = m_releaseTarget;
        m_releaseTarget = nullptr;
        EndDrag();
    } else if (button == Qt::LeftButton && m_clickEditEnabled && m_pressedOnSelected) {
        m_pressedOnSelected = false;
        BeginCellEdit(SelectedItem(), ColumnAtX(point.x()));
        return;
    } else if (button == Qt::RightButton && menuDeferred) {
        // A right click without a drag: the menu held back at the press opens now.
        QContextMenuEvent menu(QContextMenuEvent::Mouse, m_deferredMenuPoint, m_deferredMenuGlobal,
                               event->modifiers());
        QApplication::sendEvent(viewport(), &menu);
        return;
    }
    if (button == Qt::LeftButton && target)
        SelectItem(target);
}

void TreeListControl::drawBranches(QPainter* painter, const QRect& rect,
                                   const QModelIndex& index) const
{
    // Lines and buttons stand on the column background, never on a selection bar.
    painter->fillRect(rect, GetColumnBkColor(0));
    QTreeView::drawBranches(painter, rect, index);
}
