#include "view/NodeTreeView.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/FileProgress.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "editing/ItemEditLogic.h"
#include "view/BusyCursor.h"
#include "view/DragImage.h"
#include "view/InPlaceEdit.h"
#include "view/NodeCellStyle.h"
#include "view/NodeIcons.h"
#include "view/NodeTreeAccessible.h"
#include "view/TreeColumnWidths.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleOption>
#include <QTimerEvent>
#include <QToolTip>

#include <algorithm>
#include <array>

namespace {
// The Value column's least width: narrower windows scroll rather than squeeze it.
constexpr int kValueWidth = 350;
// No cell shows more characters than this; eliding a value of megabytes per paint would not
// pay for itself.
constexpr qsizetype kLongestShown = 4096;

bool CanExpand(const XmlNode* node)
{
    return node->Kind() == XmlNodeKind::Element && node->HasChildren();
}

bool IsWithin(const XmlNode* node, const XmlNode* ancestor)
{
    for (; node; node = node->Parent()) {
        if (node == ancestor)
            return true;
    }
    return false;
}

// What a view shows before it is given a document: nothing, without a null to check for.
XmlDocument& EmptyDocument()
{
    static XmlDocument empty;
    return empty;
}

bool HasNextSibling(const XmlNode* node)
{
    const XmlNode* parent = node->Parent();
    return parent && parent->IndexOfChild(node) + 1 < parent->ChildCount();
}
} // namespace

NodeTreeView::NodeTreeView(QWidget* parent)
    : QAbstractScrollArea(parent), m_header(new QHeaderView(Qt::Horizontal, this)),
      m_edit(std::make_unique<InPlaceEdit>(
          *this, [this](const InPlaceEditResult& result) { return EndCellEdit(result); }))
{
    NodeTreeAccessible::InstallFactory();
    setFocusPolicy(Qt::StrongFocus);
    // The header needs a model for its sections; only their titles live in it.
    auto* titles = new QStandardItemModel(0, 2, m_header);
    titles->setHorizontalHeaderLabels(
        {StringTable::Text(StringId::NameColumn), StringTable::Text(StringId::ValueColumn)});
    m_header->setModel(titles);
    // Columns can swap places; lines, buttons and hit tests follow the Name column.
    m_header->setSectionsMovable(true);
    m_header->setFirstSectionMovable(true);
    m_header->setSectionsClickable(false);
    m_header->setHighlightSections(false);
    m_header->setStretchLastSection(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    TreeColumnWidths& widths = TreeColumnWidths::Shared();
    m_header->resizeSection(NameColumn, widths.NameWidth());
    m_header->resizeSection(ValueColumn, kValueWidth);
    // A Name width dragged here applies to every tree, as in the other view.
    connect(m_header, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (column == NameColumn && !m_applyingWidths)
            TreeColumnWidths::Shared().SetNameWidth(width);
        UpdateGeometry();
        viewport()->update();
    });
    connect(&widths, &TreeColumnWidths::nameWidthChanged, this, [this](int width) {
        m_applyingWidths = true;
        m_header->resizeSection(NameColumn, width);
        m_applyingWidths = false;
        UpdateGeometry();
    });
    verticalScrollBar()->setSingleStep(1);
    m_document = &EmptyDocument();
    m_rows = std::make_unique<VisibleRows>(*m_document);
    UpdateRowHeight();
}

NodeTreeView::~NodeTreeView()
{
    // An open edit is dropped, never committed, while the document still exists.
    m_edit->Abandon();
    if (m_document != &EmptyDocument())
        m_document->RemoveObserver(this);
}

void NodeTreeView::SetDocument(XmlDocument& document)
{
    m_edit->Abandon();
    EndDrag();
    if (m_document != &EmptyDocument())
        m_document->RemoveObserver(this);
    m_document = &document;
    m_document->AddObserver(this);
    m_rows = std::make_unique<VisibleRows>(document);
    Reset();
}

void NodeTreeView::Reset()
{
    m_edit->Abandon();
    EndDrag();
    NodeTreeAccessible::Forget(this, nullptr);
    m_rows->Reset();
    const bool hadSelection = m_selectedId >= 0;
    m_selectedId = -1;
    verticalScrollBar()->setValue(0);
    UpdateGeometry();
    viewport()->update();
    if (hadSelection)
        emit selectionChanged(-1);
}

void NodeTreeView::SetShowPrefixes(bool show)
{
    m_showPrefixes = show;
    viewport()->update();
}

QString NodeTreeView::CellText(const XmlNode* node, int column) const
{
    return node ? NodeCellStyle::Text(*node, column, m_showPrefixes) : QString();
}

int NodeTreeView::TopRow() const
{
    return verticalScrollBar()->value();
}

int NodeTreeView::PageRows() const
{
    return std::max(1, viewport()->height() / m_rowHeight);
}

int NodeTreeView::Indentation() const
{
    return style()->pixelMetric(QStyle::PM_TreeViewIndentation, nullptr, this);
}

int NodeTreeView::RowAt(int y) const
{
    const int row = TopRow() + y / m_rowHeight;
    return y >= 0 && row < ShownRows() ? row : -1;
}

const XmlNode* NodeTreeView::NodeAt(QPoint point) const
{
    const int row = RowAt(point.y());
    if (row < 0 || ButtonRect(row).contains(point))
        return nullptr;
    return m_rows->At(row);
}

int NodeTreeView::ColumnAt(int x) const
{
    return m_header->logicalIndexAt(x);
}

QRect NodeTreeView::RowRect(const XmlNode* node) const
{
    const int row = node ? m_rows->RowOf(node) : -1;
    if (row < 0)
        return {};
    return QRect(0, (row - TopRow()) * m_rowHeight, viewport()->width(), m_rowHeight);
}

QRect NodeTreeView::ButtonRect(int row) const
{
    if (row < TopRow() || row >= ShownRows() || !CanExpand(m_rows->At(row)))
        return QRect();
    const int indent = Indentation();
    const QRect section = SectionRect(row, NameColumn);
    const QRect button(section.left() + indent * VisibleRows::Level(m_rows->At(row)),
                       section.top(), indent, m_rowHeight);
    // A button the Name column cuts off is painted only in part, and only that part answers.
    return Visual(button, section).intersected(section);
}

QRect NodeTreeView::SectionRect(int row, int column) const
{
    return QRect(m_header->sectionViewportPosition(column), (row - TopRow()) * m_rowHeight,
                 m_header->sectionSize(column), m_rowHeight);
}

QRect NodeTreeView::Visual(const QRect& rect, const QRect& within) const
{
    // Laid out from the leading edge; right to left that is the right one.
    return QStyle::visualRect(layoutDirection(), within, rect);
}

// --- Selection and expansion ------------------------------------------------------------

int NodeTreeView::SelectedRow() const
{
    const XmlNode* node = SelectedNode();
    return node ? m_rows->RowOf(node) : -1;
}

const XmlNode* NodeTreeView::SelectedNode() const
{
    return m_selectedId >= 0 ? m_document->FindNode(m_selectedId) : nullptr;
}

bool NodeTreeView::IsExpanded(const XmlNode* node) const
{
    return node && CanExpand(node) && m_rows->IsExpanded(node);
}

void NodeTreeView::ClearSelection()
{
    if (m_selectedId < 0)
        return;
    m_selectedId = -1;
    viewport()->update();
    emit selectionChanged(-1);
}

void NodeTreeView::SelectRow(int row)
{
    if (ShownRows() == 0)
        return;
    row = std::clamp(row, 0, ShownRows() - 1);
    const int32_t id = m_rows->At(row)->Id();
    ScrollTo(row);
    if (id == m_selectedId)
        return;
    m_selectedId = id;
    viewport()->update();
    NodeTreeAccessible::AnnounceSelection(this);
    emit selectionChanged(id);
}

bool NodeTreeView::SelectNode(int32_t id)
{
    const XmlNode* node = m_document->FindNode(id);
    if (!node)
        return false;
    std::vector<const XmlNode*> ancestors;
    for (const XmlNode* parent = node->Parent(); parent; parent = parent->Parent())
        ancestors.push_back(parent);
    if (ancestors.empty() || ancestors.back() != m_document->Root())
        return false;
    // From the top down, so each ancestor has its row when it is expanded.
    for (auto it = ancestors.rbegin() + 1; it != ancestors.rend(); ++it)
        m_rows->Expand(*it);
    UpdateGeometry();
    const int row = m_rows->RowOf(node);
    if (row < 0)
        return false;
    SelectRow(row);
    return true;
}

void NodeTreeView::ScrollTo(int row)
{
    const int top = TopRow();
    if (row < top)
        verticalScrollBar()->setValue(row);
    else if (row >= top + PageRows())
        verticalScrollBar()->setValue(row - PageRows() + 1);
}

void NodeTreeView::SetExpanded(int32_t id, bool expanded)
{
    const XmlNode* node = m_document->FindNode(id);
    if (!node || !CanExpand(node))
        return;
    if (expanded) {
        if (!m_rows->IsExpanded(node))
            Open(node, false);
        return;
    }
    const bool hidesSelection = node->Id() != m_selectedId && m_selectedId >= 0 &&
                                IsWithin(m_document->FindNode(m_selectedId), node);
    m_rows->Collapse(node);
    // A selection the collapse hides moves to the collapsed row, as keys go on from there.
    if (hidesSelection)
        SelectRow(m_rows->RowOf(node));
    ShowExpansion(node);
}

void NodeTreeView::ExpandAll(int32_t id)
{
    const XmlNode* node = m_document->FindNode(id);
    if (node && CanExpand(node))
        Open(node, true);
}

void NodeTreeView::Open(const XmlNode* node, bool all)
{
    if (!all && m_rows->Reopen(node)) {
        ShowExpansion(node);
        return;
    }
    const auto opening = m_rows->StartOpening(node, all);
    {
        BusyCursor busy;
        QElapsedTimer clock;
        clock.start();
        const bool done = m_rows->Continue(
            *opening, [&](int64_t) { return !m_longWork || clock.elapsed() < m_atOnceMs; });
        if (done) {
            Opened(*opening);
            return;
        }
    }
    // Tens of millions of rows take seconds: the rest goes on away from the window, which
    // keeps painting and can stop it, and the rows stay as they were until it is complete.
    VisibleRows* rows = m_rows.get();
    const qint64 total = m_document->NextId();
    m_longWork(
        CellText(node, NameColumn),
        [rows, opening, total](FileProgress& progress) {
            progress.SetTotal(total);
            const bool done = rows->Continue(*opening, [&progress](int64_t visited) {
                progress.SetDone(visited);
                return !progress.IsCancelled();
            });
            return done ? XE_OK : XE_CANCELLED;
        },
        [this, opening](XmlStatus status) {
            if (status == XE_OK)
                Opened(*opening);
        });
}

void NodeTreeView::Opened(VisibleRows::Opening& opening)
{
    m_rows->Finish(opening);
    ShowExpansion(opening.Node());
}

void NodeTreeView::ShowExpansion(const XmlNode* node)
{
    UpdateGeometry();
    viewport()->update();
    // One announcement for the row itself, not one per element opened below it.
    NodeTreeAccessible::AnnounceExpansion(this, node);
}

void NodeTreeView::MirrorExpanded(const XmlNode* original, const XmlNode* copy)
{
    // From the top down, so each expanded copy already has its row when its children come.
    std::vector<std::pair<const XmlNode*, const XmlNode*>> pending{{original, copy}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        if (!IsExpanded(from) || from->ChildCount() != to->ChildCount())
            continue;
        m_rows->Expand(to);
        for (int i = from->ChildCount() - 1; i >= 0; --i)
            pending.emplace_back(from->ChildAt(i), to->ChildAt(i));
    }
    UpdateGeometry();
    viewport()->update();
}

void NodeTreeView::Toggle(int row)
{
    const XmlNode* node = m_rows->At(row);
    SetExpanded(node->Id(), !m_rows->IsExpanded(node));
}

// --- Document announcements -------------------------------------------------------------

void NodeTreeView::OnNodeChanged(const NodeIdPath& path)
{
    viewport()->update();
    if (!path.empty())
        NodeTreeAccessible::AnnounceChange(this, path.back());
}

void NodeTreeView::OnNodeAboutToBeRemoved(const XmlNode* node)
{
    NodeTreeAccessible::Forget(this, node);
    auto goes = [this, node](int32_t id) {
        return id >= 0 && IsWithin(m_document->FindNode(id), node);
    };
    // An edit or a drag of a node that leaves ends with it, without a commit or a drop.
    if (m_edit->IsOpen() && goes(m_edit->Result().nodeId))
        m_edit->Abandon();
    if (goes(m_dragSource))
        EndDrag();
    if (goes(m_dropHighlight))
        SetDropHighlight(-1);
    const int row = m_rows->RowOf(node);
    if (row < 0)
        return;
    const bool selectionGoes =
        m_selectedId >= 0 && IsWithin(m_document->FindNode(m_selectedId), node);
    m_rows->AboutToRemove(node);
    // The row that takes the removed one's place (else the one above) is selected; a move
    // selects the node again where it arrives.
    if (selectionGoes) {
        m_selectedId = -1;
        if (ShownRows() > 0)
            SelectRow(std::min(row, ShownRows() - 1));
        else
            emit selectionChanged(-1);
    }
}

void NodeTreeView::OnNodeRemoved(const NodeIdPath&)
{
    UpdateGeometry();
    viewport()->update();
}

void NodeTreeView::OnNodeInserted(const NodeIdPath&, XmlNode* node)
{
    m_rows->Inserted(node);
    // As in the other view, what an edit brings into the tree becomes the selection.
    SelectNode(node->Id());
    UpdateGeometry();
    viewport()->update();
}

// --- Geometry ---------------------------------------------------------------------------

void NodeTreeView::UpdateRowHeight()
{
    m_rowHeight = std::max(NodeIcons::Size + 2, fontMetrics().height() + 2);
    UpdateGeometry();
}

void NodeTreeView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        UpdateRowHeight();
    QAbstractScrollArea::changeEvent(event);
}

void NodeTreeView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateGeometry();
}

void NodeTreeView::FitValueColumn()
{
    const int width =
        std::max(kValueWidth, viewport()->width() - m_header->sectionSize(NameColumn));
    if (width == m_header->sectionSize(ValueColumn))
        return;
    m_applyingWidths = true;
    m_header->resizeSection(ValueColumn, width);
    m_applyingWidths = false;
}

void NodeTreeView::UpdateGeometry()
{
    // A height the owner fixed (to fit its font) holds over the header's own wish.
    const int headerHeight = std::max(m_header->minimumHeight(), m_header->sizeHint().height());
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    FitValueColumn();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, ShownRows() - PageRows()));
    vertical->setPageStep(PageRows());
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, m_header->length() - area.width()));
    horizontal->setPageStep(area.width());
    horizontal->setSingleStep(20);
    m_header->setOffset(horizontal->value());
}

void NodeTreeView::scrollContentsBy(int dx, int)
{
    if (dx != 0)
        m_header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

// --- Keyboard and mouse -----------------------------------------------------------------

void NodeTreeView::keyPressEvent(QKeyEvent* event)
{
    if (m_dragSource >= 0) {
        if (event->key() == Qt::Key_Escape) {
            EndDrag();
            event->accept();
            return;
        }
        // Ctrl and Shift switch between move and copy at once, without a mouse move; the key
        // may also have been a command that changed the rows under the pointer.
        if (QApplication::mouseButtons() & (Qt::LeftButton | Qt::RightButton))
            UpdateDragTarget();
    }
    // Keys with Ctrl or Alt belong to commands; "*" and "+" may need Shift, and the keypad's
    // keys count the same.
    if (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return QAbstractScrollArea::keyPressEvent(event);
    const int row = SelectedRow();
    const XmlNode* node = row >= 0 ? m_rows->At(row) : nullptr;
    // Right to left, the arrow pointing into a row's children is Left.
    const int key = !isRightToLeft()                  ? event->key()
                    : event->key() == Qt::Key_Left  ? int(Qt::Key_Right)
                    : event->key() == Qt::Key_Right ? int(Qt::Key_Left)
                                                    : event->key();
    // Without a selection, the moving keys start at the first row.
    if (!node && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left ||
                  key == Qt::Key_Right || key == Qt::Key_PageUp || key == Qt::Key_PageDown)) {
        SelectRow(0);
        event->accept();
        return;
    }
    switch (key) {
    case Qt::Key_Up:
        SelectRow(row < 0 ? 0 : row - 1);
        break;
    case Qt::Key_Down:
        SelectRow(row + 1);
        break;
    case Qt::Key_PageUp:
        SelectRow(row < 0 ? 0 : row - PageRows());
        break;
    case Qt::Key_PageDown:
        SelectRow(std::max(row, 0) + PageRows());
        break;
    case Qt::Key_Home:
        SelectRow(0);
        break;
    case Qt::Key_End:
        SelectRow(ShownRows() - 1);
        break;
    case Qt::Key_Plus:
        if (node)
            SetExpanded(node->Id(), true);
        break;
    case Qt::Key_Minus:
        if (node)
            SetExpanded(node->Id(), false);
        break;
    case Qt::Key_Left:
        if (IsExpanded(node))
            SetExpanded(node->Id(), false);
        else if (node && node->Parent() != m_document->Root())
            SelectRow(m_rows->RowOf(node->Parent()));
        break;
    case Qt::Key_Right:
        if (node && CanExpand(node) && !m_rows->IsExpanded(node))
            SetExpanded(node->Id(), true);
        else if (node && CanExpand(node))
            SelectRow(row + 1);
        break;
    case Qt::Key_Asterisk:
        if (node)
            ExpandAll(node->Id());
        break;
    default:
        if (!TypeAhead(event->text()))
            QAbstractScrollArea::keyPressEvent(event);
        else
            event->accept();
        return;
    }
    event->accept();
}

bool NodeTreeView::TypeAhead(const QString& text)
{
    if (text.isEmpty() || !text.at(0).isPrint() || ShownRows() == 0)
        return false;
    // Letters typed in quick succession spell a name; after a pause a new one begins.
    if (!m_typedTimer.isValid() || m_typedTimer.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    m_typedTimer.start();
    m_typed += text;
    // The next row whose name starts with it, from the selection on (the selection itself
    // while the name grows), round to the start. A name cell shows only the node's interned
    // prefix and local name, so each distinct pair is compared once: a search through tens of
    // millions of rows then reads little more than the rows themselves.
    struct Seen {
        const QString* prefix = nullptr;
        const QString* localName = nullptr;
        bool matches = false;
    };
    std::array<Seen, 64> seen{};
    auto matches = [&](const XmlNode* node) {
        const QString* prefix = &node->Prefix();
        const QString* localName = &node->LocalName();
        Seen& entry =
            seen[(reinterpret_cast<uintptr_t>(localName) / sizeof(QString)) % seen.size()];
        if (entry.prefix != prefix || entry.localName != localName)
            entry = {prefix, localName,
                     CellText(node, NameColumn).startsWith(m_typed, Qt::CaseInsensitive)};
        return entry.matches;
    };
    const int count = ShownRows();
    const int start = std::max(0, SelectedRow());
    const int first = m_typed.size() > 1 ? start : start + 1;
    int row = m_rows->Find(first, count, matches);
    if (row == count) {
        const int wrapEnd = std::min(first, count);
        row = m_rows->Find(0, wrapEnd, matches);
        if (row == wrapEnd)
            return true;
    }
    SelectRow(row);
    return true;
}

void NodeTreeView::keyReleaseEvent(QKeyEvent* event)
{
    if (m_dragSource >= 0 && (QApplication::mouseButtons() & (Qt::LeftButton | Qt::RightButton)))
        UpdateDragTarget();
    QAbstractScrollArea::keyReleaseEvent(event);
}

void NodeTreeView::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    m_menuAfterDragSuppressed = false;
    m_draggedSincePress = false;
    const int row = RowAt(point.y());
    if (row < 0 || (button != Qt::LeftButton && button != Qt::RightButton))
        return QAbstractScrollArea::mousePressEvent(event);
    if (button == Qt::LeftButton && ButtonRect(row).contains(point)) {
        Toggle(row);
        return;
    }
    // The pressed row may become a drag's source; it is marked until the release.
    m_pressPoint = point;
    const XmlNode* node = m_rows->At(row);
    if (button == Qt::LeftButton)
        m_pressedOnSelected = node->Id() == m_selectedId;
    SetDropHighlight(node->Id());
    SelectRow(row);
}

void NodeTreeView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const bool held = (event->buttons() & (Qt::LeftButton | Qt::RightButton)) != 0;
    if (held && m_pressPoint != QPoint(-1, -1) && point != m_pressPoint) {
        if (m_dragSource < 0 && m_dropHighlight >= 0) {
            m_dragSource = m_dropHighlight;
            StartDrag(point);
        }
        if (m_dragSource >= 0)
            TrackDrag(point);
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void NodeTreeView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    m_pressPoint = QPoint(-1, -1);
    SetDropHighlight(-1);
    const XmlNode* target = NodeAt(point);
    const int32_t targetId = target ? target->Id() : -1;
    // A drag, even one ended by Escape, is no right click. Where the platform asks for the
    // menu after the release rather than with the press, that request is swallowed.
    const bool requestedAtPress = m_contextMenuDeferred;
    const bool menuDeferred = requestedAtPress && !m_draggedSincePress;
    m_contextMenuDeferred = false;
    m_menuAfterDragSuppressed =
        button == Qt::RightButton && m_draggedSincePress && !requestedAtPress;
    if (m_dragSource >= 0) {
        // A drag ended by the right button counts as holding it, unless Shift asks for a move.
        const bool shift = QApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
        const bool copy = IsCopyDrag() || (button == Qt::RightButton && !shift);
        const int32_t source = m_dragSource;
        EndDrag();
        if (targetId >= 0)
            Drop(source, targetId, copy);
    } else if (button == Qt::LeftButton && m_pressedOnSelected) {
        m_pressedOnSelected = false;
        BeginCellEdit(m_selectedId, ColumnAt(point.x()));
        return;
    } else if (button == Qt::RightButton && menuDeferred) {
        // A right click without a drag: the menu held back at the press opens now.
        QContextMenuEvent menu(QContextMenuEvent::Mouse, m_deferredMenuPoint, m_deferredMenuGlobal,
                               event->modifiers());
        QApplication::sendEvent(viewport(), &menu);
        return;
    }
    // A left release selects the node under the pointer: after a drop that is the target,
    // not the node the drop brought in.
    if (button == Qt::LeftButton && targetId >= 0)
        SelectNode(targetId);
}

bool NodeTreeView::DeferContextMenu(const QContextMenuEvent* event)
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

void NodeTreeView::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int row = RowAt(event->position().toPoint().y());
    if (row < 0 || event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseDoubleClickEvent(event);
    // The second click on a button is one more press of it; elsewhere it opens or closes the row.
    if (!ButtonRect(row).contains(event->position().toPoint()))
        SelectRow(row);
    Toggle(row);
}

// --- Editing ----------------------------------------------------------------------------

void NodeTreeView::BeginCellEdit(int32_t id, int column)
{
    const XmlNode* node = m_document->FindNode(id);
    if (!node || (column != NameColumn && column != ValueColumn) ||
        !ItemEditLogic::IsCellEditable(node->Kind(), column) || m_edit->IsOpen() ||
        IsCellEditVetoed(id, column))
        return;
    SelectNode(id);
    emit cellEditRequested(id, column);
    const int row = m_rows->RowOf(node);
    if (!isVisible() || row < 0 || m_edit->IsOpen())
        return;
    // A drag and an edit do not mix; the edit wins.
    EndDrag();
    const QRect cellRect = CellRect(row, column);
    QRect rect = cellRect;
    if (column == NameColumn && NodeCellStyle::Icon(*node, IsExpanded(node)) >= 0)
        rect = Visual(rect.adjusted(NodeIcons::Size + 2, 0, 0, 0), cellRect);
    rect.setHeight(m_rowHeight * 2);
    m_edit->Create(id, column, column == ValueColumn, rect, viewport());
    // A screen reader says which cell is being edited: the column and the row's name.
    m_edit->Box()->setAccessibleName(
        FormatPlaceholders(LoadText(StringId::CellEditorName),
                           {m_header->model()->headerData(column, Qt::Horizontal).toString(),
                            CellText(node, NameColumn)}));
    m_edit->Start(CellText(node, column), font());
}

void NodeTreeView::CancelCellEdit()
{
    m_edit->End(true);
}

bool NodeTreeView::EndCellEdit(const InPlaceEditResult& result)
{
    if (!result.text.isEmpty() && !CommitCellText(result.nodeId, result.column, result.text))
        return false;
    viewport()->update();
    return true;
}

bool NodeTreeView::CommitCellText(int32_t, int, const QString&)
{
    return true;
}

bool NodeTreeView::IsCellEditVetoed(int32_t, int) const
{
    return false;
}

// --- Dragging ---------------------------------------------------------------------------

bool NodeTreeView::CanDrop(const XmlNode* source, const XmlNode* target) const
{
    return source && target && target->Kind() == XmlNodeKind::Element && !IsWithin(target, source);
}

void NodeTreeView::Drop(int32_t source, int32_t target, bool copy)
{
    const XmlNode* original = m_document->FindNode(source);
    if (!CanDrop(original, m_document->FindNode(target)))
        return;
    if (!copy) {
        m_document->MoveNodeTo(source, target);
        return;
    }
    // The copy comes back selected, and is shown the way its original is.
    if (m_document->CopyNodeTo(source, target) && m_selectedId != source)
        if (const XmlNode* made = SelectedNode())
            MirrorExpanded(original, made);
}

bool NodeTreeView::IsCopyDrag() const
{
    const Qt::KeyboardModifiers modifiers = QApplication::queryKeyboardModifiers();
    if (modifiers & Qt::ShiftModifier)
        return false;
    return (modifiers & Qt::ControlModifier) || (QApplication::mouseButtons() & Qt::RightButton);
}

void NodeTreeView::SetDropHighlight(int32_t id)
{
    if (m_dropHighlight == id)
        return;
    m_dropHighlight = id;
    viewport()->update();
}

QPixmap NodeTreeView::CreateDragImage(const XmlNode* node) const
{
    const int width = std::max(1, m_header->sectionSize(NameColumn));
    QPixmap picture(width, m_rowHeight);
    const QColor background = palette().color(QPalette::Base);
    picture.fill(background);
    {
        QPainter painter(&picture);
        PaintCell(painter, node, NameColumn, QRect(0, 0, width, m_rowHeight), Highlight::None);
    }
    picture.setMask(picture.createMaskFromColor(background, Qt::MaskInColor));
    return picture;
}

void NodeTreeView::StartDrag(QPoint point)
{
    // A drag is no click: releasing it must not open an editor or a menu.
    m_pressedOnSelected = false;
    m_draggedSincePress = true;
    m_dragImage = new DragImage(CreateDragImage(m_document->FindNode(m_dragSource)), viewport());
    m_dragImage->MoveTo(point);
    m_dragImage->show();
    m_dragImage->raise();
}

void NodeTreeView::TrackDrag(QPoint point)
{
    m_lastDragPoint = point;
    if (m_dragImage)
        m_dragImage->MoveTo(point);
    UpdateDragTarget();
    // Near the top or bottom edge the tree scrolls, so a target off screen can be reached; the
    // timer goes on scrolling while the pointer rests there.
    const bool nearEdge =
        point.y() < m_rowHeight || point.y() >= viewport()->height() - m_rowHeight;
    if (nearEdge && !m_edgeScroll.isActive())
        m_edgeScroll.start(50, this);
    else if (!nearEdge)
        m_edgeScroll.stop();
}

void NodeTreeView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_edgeScroll.timerId())
        return QAbstractScrollArea::timerEvent(event);
    if (m_dragSource < 0) {
        m_edgeScroll.stop();
        return;
    }
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + (m_lastDragPoint.y() < m_rowHeight ? -1 : 1));
    UpdateDragTarget();
}

void NodeTreeView::UpdateDragTarget()
{
    if (m_dragSource < 0)
        return;
    const XmlNode* target = NodeAt(m_lastDragPoint);
    SetDropHighlight(target ? target->Id() : -1);
    m_dragCursor = !CanDrop(m_document->FindNode(m_dragSource), target) ? DragCursors::Kind::NoDrop
                   : IsCopyDrag()                                       ? DragCursors::Kind::Copy
                                                                        : DragCursors::Kind::Move;
    viewport()->setCursor(m_cursors.Cursor(m_dragCursor));
}

void NodeTreeView::EndDrag()
{
    m_edgeScroll.stop();
    m_dragSource = -1;
    m_lastDragPoint = QPoint(-1, -1);
    SetDropHighlight(-1);
    m_dragCursor = DragCursors::Kind::None;
    viewport()->unsetCursor();
    if (m_dragImage) {
        m_dragImage->hide();
        m_dragImage->deleteLater();
        m_dragImage = nullptr;
    }
}

// --- Painting ---------------------------------------------------------------------------

void NodeTreeView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    const int selected = SelectedRow();
    const int first = TopRow() + std::max(0, event->rect().top()) / m_rowHeight;
    const int last = std::min(ShownRows() - 1, TopRow() + event->rect().bottom() / m_rowHeight);
    for (int row = first; row <= last; ++row) {
        const XmlNode* node = m_rows->At(row);
        const QRect section = SectionRect(row, NameColumn);
        const QRect name = CellRect(row, NameColumn);
        const QRect branches(section.left(), section.top(), section.width() - name.width(),
                             m_rowHeight);
        // Lines and buttons are clipped to the Name column, like its text.
        painter.save();
        painter.setClipRect(section);
        PaintBranches(painter, node, VisibleRows::Level(node), Visual(branches, section));
        // The press (or a drag's target) is marked in the mid tone, the selection over it.
        const Highlight highlighted = row == selected                 ? Highlight::Selected
                                      : node->Id() == m_dropHighlight ? Highlight::DropTarget
                                                                      : Highlight::None;
        PaintCell(painter, node, NameColumn, name, highlighted);
        painter.restore();
        PaintCell(painter, node, ValueColumn, CellRect(row, ValueColumn), highlighted);
    }
}

void NodeTreeView::PaintBranches(QPainter& painter, const XmlNode* node, int level,
                                 const QRect& area) const
{
    const int indent = Indentation();
    QStyleOption option;
    option.initFrom(this);
    const QStyle::State common = option.state & QStyle::State_Enabled;
    // From the node's own column leftwards: each ancestor's column carries a line when that
    // ancestor has siblings below it.
    const XmlNode* current = node;
    for (int column = level; column >= 0; --column, current = current->Parent()) {
        option.rect =
            Visual(QRect(area.left() + column * indent, area.top(), indent, area.height()), area);
        option.state =
            common | (HasNextSibling(current) ? QStyle::State_Sibling : QStyle::State_None);
        if (column == level) {
            option.state |= QStyle::State_Item;
            if (CanExpand(node))
                option.state |= QStyle::State_Children;
            if (CanExpand(node) && m_rows->IsExpanded(node))
                option.state |= QStyle::State_Open;
        }
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter, this);
    }
}

NodeTreeView::Cell NodeTreeView::LayOutCell(const XmlNode* node, int column,
                                            const QRect& rect) const
{
    Cell cell;
    int textLeft = rect.left();
    if (column == NameColumn) {
        // An element whose children were all removed keeps its expanded bit but shows closed.
        cell.icon = NodeCellStyle::Icon(*node, CanExpand(node) && m_rows->IsExpanded(node));
        if (cell.icon >= 0) {
            cell.iconRect = Visual(QRect(rect.left() + 1,
                                         rect.top() + (rect.height() - NodeIcons::Size) / 2,
                                         NodeIcons::Size, NodeIcons::Size),
                                   rect);
            textLeft += 1 + NodeIcons::Size;
        }
        ++textLeft;
    }
    cell.fill = Visual(QRect(QPoint(textLeft, rect.top()), rect.bottomRight()), rect);
    cell.text = Visual(QRect(QPoint(textLeft + 2, rect.top()), rect.bottomRight()), rect);
    cell.font = font();
    cell.font.setItalic(NodeCellStyle::Italic(*node, column));
    cell.whole = CellText(node, column);
    // One line, whatever line breaks the text holds, cut with an ellipsis at the right edge.
    QString line = cell.whole.left(kLongestShown);
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (cell.text.width() > 0)
        cell.shown = QFontMetrics(cell.font).elidedText(line, Qt::ElideRight, cell.text.width());
    cell.elided = cell.shown != line || cell.whole.size() > kLongestShown;
    return cell;
}

QRect NodeTreeView::CellRect(int row, int column) const
{
    const QRect section = SectionRect(row, column);
    if (column != NameColumn)
        return section;
    // The Name cell starts after the row's indentation and expand button.
    const int indent = Indentation() * (VisibleRows::Level(m_rows->At(row)) + 1);
    return Visual(section.adjusted(indent, 0, 0, 0), section);
}

bool NodeTreeView::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QAbstractScrollArea::viewportEvent(event);
    // A cell cut short shows its whole text as the tool-tip; one that fits needs none.
    const auto* help = static_cast<QHelpEvent*>(event);
    const int row = RowAt(help->pos().y());
    const int column = m_header->logicalIndexAt(help->pos().x());
    if (row >= 0 && column >= 0) {
        const QRect rect = CellRect(row, column);
        const Cell cell = LayOutCell(m_rows->At(row), column, rect);
        if (rect.contains(help->pos()) && cell.elided) {
            QString whole = cell.whole.left(kLongestShown);
            if (cell.whole.size() > kLongestShown)
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

void NodeTreeView::PaintCell(QPainter& painter, const XmlNode* node, int column, const QRect& rect,
                             Highlight highlight) const
{
    if (rect.width() <= 0)
        return;
    const Cell cell = LayOutCell(node, column, rect);
    if (cell.icon >= 0)
        painter.drawPixmap(cell.iconRect.topLeft(),
                           NodeIcons::Images().at(cell.icon).pixmap(
                               cell.iconRect.size(), painter.device()->devicePixelRatioF()));
    if (highlight != Highlight::None)
        painter.fillRect(cell.fill,
                         palette().color(highlight == Highlight::Selected ? QPalette::Highlight
                                                                          : QPalette::Mid));
    if (cell.text.width() <= 0)
        return;
    painter.setFont(cell.font);
    painter.setPen(highlight != Highlight::None
                       ? palette().color(QPalette::HighlightedText)
                       : NodeCellStyle::TextColour(*node, column, palette().color(QPalette::Text),
                                                   palette().color(QPalette::Base)));
    // The painter takes its direction from the application; the view's own may differ.
    painter.drawText(cell.text,
                     QStyle::visualAlignment(layoutDirection(), Qt::AlignLeft) | Qt::AlignVCenter |
                         Qt::TextSingleLine,
                     cell.shown);
}
