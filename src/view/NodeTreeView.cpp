#include "view/NodeTreeView.h"

#include "config/StringTable.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "view/BusyCursor.h"
#include "view/NodeCellStyle.h"
#include "view/NodeIcons.h"
#include "view/NodeTreeAccessible.h"
#include "view/TreeColumnWidths.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleOption>
#include <QToolTip>

#include <algorithm>

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

bool HasNextSibling(const XmlNode* node)
{
    const XmlNode* parent = node->Parent();
    return parent && parent->IndexOfChild(node) + 1 < parent->ChildCount();
}
} // namespace

NodeTreeView::NodeTreeView(XmlDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document), m_rows(document),
      m_header(new QHeaderView(Qt::Horizontal, this))
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
    m_document.AddObserver(this);
    UpdateRowHeight();
}

NodeTreeView::~NodeTreeView()
{
    m_document.RemoveObserver(this);
}

void NodeTreeView::Reset()
{
    NodeTreeAccessible::Forget(this, nullptr);
    m_rows.Reset();
    m_selectedId = -1;
    verticalScrollBar()->setValue(0);
    UpdateGeometry();
    viewport()->update();
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
    return y >= 0 && row < m_rows.Count() ? row : -1;
}

QRect NodeTreeView::ButtonRect(int row) const
{
    if (row < TopRow() || row >= m_rows.Count() || !CanExpand(m_rows.At(row)))
        return QRect();
    const int indent = Indentation();
    const int nameLeft = m_header->sectionViewportPosition(NameColumn);
    const int top = (row - TopRow()) * m_rowHeight;
    const QRect button(nameLeft + indent * VisibleRows::Level(m_rows.At(row)), top, indent,
                       m_rowHeight);
    // A button the Name column cuts off is painted only in part, and only that part answers.
    return button.intersected(QRect(nameLeft, top, m_header->sectionSize(NameColumn), m_rowHeight));
}

// --- Selection and expansion ------------------------------------------------------------

int NodeTreeView::SelectedRow() const
{
    const XmlNode* node = m_selectedId >= 0 ? m_document.FindNode(m_selectedId) : nullptr;
    return node ? m_rows.RowOf(node) : -1;
}

void NodeTreeView::SelectRow(int row)
{
    if (m_rows.Count() == 0)
        return;
    row = std::clamp(row, 0, m_rows.Count() - 1);
    const int32_t id = m_rows.At(row)->Id();
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
    const XmlNode* node = m_document.FindNode(id);
    if (!node)
        return false;
    std::vector<const XmlNode*> ancestors;
    for (const XmlNode* parent = node->Parent(); parent; parent = parent->Parent())
        ancestors.push_back(parent);
    if (ancestors.empty() || ancestors.back() != m_document.Root())
        return false;
    // From the top down, so each ancestor has its row when it is expanded.
    for (auto it = ancestors.rbegin() + 1; it != ancestors.rend(); ++it)
        m_rows.Expand(*it);
    UpdateGeometry();
    const int row = m_rows.RowOf(node);
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
    const XmlNode* node = m_document.FindNode(id);
    if (!node || !CanExpand(node))
        return;
    if (expanded) {
        m_rows.Expand(node);
    } else {
        const bool hidesSelection = node->Id() != m_selectedId && m_selectedId >= 0 &&
                                    IsWithin(m_document.FindNode(m_selectedId), node);
        m_rows.Collapse(node);
        // A selection the collapse hides moves to the collapsed row, as keys go on from there.
        if (hidesSelection)
            SelectRow(m_rows.RowOf(node));
    }
    UpdateGeometry();
    viewport()->update();
    NodeTreeAccessible::AnnounceExpansion(this, node);
}

void NodeTreeView::ExpandAll(int32_t id)
{
    const XmlNode* node = m_document.FindNode(id);
    if (!node || !CanExpand(node))
        return;
    BusyCursor busy;
    m_rows.ExpandAll(node);
    UpdateGeometry();
    viewport()->update();
    // One announcement for the row itself, not one per element opened below it.
    NodeTreeAccessible::AnnounceExpansion(this, node);
}

void NodeTreeView::Toggle(int row)
{
    const XmlNode* node = m_rows.At(row);
    SetExpanded(node->Id(), !m_rows.IsExpanded(node));
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
    const int row = m_rows.RowOf(node);
    if (row < 0)
        return;
    const bool selectionGoes =
        m_selectedId >= 0 && IsWithin(m_document.FindNode(m_selectedId), node);
    m_rows.AboutToRemove(node);
    // The row that takes the removed one's place (else the one above) is selected; a move
    // selects the node again where it arrives.
    if (selectionGoes) {
        m_selectedId = -1;
        if (m_rows.Count() > 0)
            SelectRow(std::min(row, m_rows.Count() - 1));
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
    m_rows.Inserted(node);
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
    const int headerHeight = m_header->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    FitValueColumn();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, m_rows.Count() - PageRows()));
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
    // Keys with Ctrl or Alt belong to commands; "*" and "+" may need Shift, and the keypad's
    // keys count the same.
    if (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return QAbstractScrollArea::keyPressEvent(event);
    const int row = SelectedRow();
    const XmlNode* node = row >= 0 ? m_rows.At(row) : nullptr;
    switch (event->key()) {
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
        SelectRow(m_rows.Count() - 1);
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
        if (node && CanExpand(node) && m_rows.IsExpanded(node))
            SetExpanded(node->Id(), false);
        else if (node && node->Parent() != m_document.Root())
            SelectRow(m_rows.RowOf(node->Parent()));
        break;
    case Qt::Key_Right:
        if (node && CanExpand(node) && !m_rows.IsExpanded(node))
            SetExpanded(node->Id(), true);
        else if (node && CanExpand(node))
            SelectRow(row + 1);
        break;
    case Qt::Key_Asterisk:
        if (node)
            ExpandAll(node->Id());
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void NodeTreeView::mousePressEvent(QMouseEvent* event)
{
    const int row = RowAt(event->position().toPoint().y());
    if (row < 0 || (event->button() != Qt::LeftButton && event->button() != Qt::RightButton))
        return QAbstractScrollArea::mousePressEvent(event);
    if (event->button() == Qt::LeftButton &&
        ButtonRect(row).contains(event->position().toPoint())) {
        Toggle(row);
        return;
    }
    SelectRow(row);
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

// --- Painting ---------------------------------------------------------------------------

void NodeTreeView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    const int nameLeft = m_header->sectionViewportPosition(NameColumn);
    const int nameWidth = m_header->sectionSize(NameColumn);
    const int selected = SelectedRow();
    const int first = TopRow() + std::max(0, event->rect().top()) / m_rowHeight;
    const int last = std::min(m_rows.Count() - 1, TopRow() + event->rect().bottom() / m_rowHeight);
    for (int row = first; row <= last; ++row) {
        const XmlNode* node = m_rows.At(row);
        const QRect name = CellRect(row, NameColumn);
        const QRect branches(nameLeft, name.top(), name.left() - nameLeft, m_rowHeight);
        // Lines and buttons are clipped to the Name column, like its text.
        painter.save();
        painter.setClipRect(QRect(nameLeft, name.top(), nameWidth, m_rowHeight));
        PaintBranches(painter, node, VisibleRows::Level(node), branches);
        PaintCell(painter, node, NameColumn, name, row == selected);
        painter.restore();
        PaintCell(painter, node, ValueColumn, CellRect(row, ValueColumn), row == selected);
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
        option.rect = QRect(area.left() + column * indent, area.top(), indent, area.height());
        option.state =
            common | (HasNextSibling(current) ? QStyle::State_Sibling : QStyle::State_None);
        if (column == level) {
            option.state |= QStyle::State_Item;
            if (CanExpand(node))
                option.state |= QStyle::State_Children;
            if (CanExpand(node) && m_rows.IsExpanded(node))
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
        cell.icon = NodeCellStyle::Icon(*node, CanExpand(node) && m_rows.IsExpanded(node));
        if (cell.icon >= 0)
            textLeft += 1 + NodeIcons::Size;
        ++textLeft;
    }
    cell.fill = QRect(QPoint(textLeft, rect.top()), rect.bottomRight());
    cell.text = QRect(QPoint(textLeft + 2, rect.top()), rect.bottomRight());
    cell.font = font();
    cell.font.setItalic(NodeCellStyle::Italic(*node, column));
    cell.whole = NodeCellStyle::Text(*node, column, true);
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
    const int top = (row - TopRow()) * m_rowHeight;
    int left = m_header->sectionViewportPosition(column);
    const int right = left + m_header->sectionSize(column);
    if (column == NameColumn)
        left += Indentation() * (VisibleRows::Level(m_rows.At(row)) + 1);
    return QRect(left, top, right - left, m_rowHeight);
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
        const Cell cell = LayOutCell(m_rows.At(row), column, rect);
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
                             bool selected) const
{
    if (rect.width() <= 0)
        return;
    const Cell cell = LayOutCell(node, column, rect);
    if (cell.icon >= 0) {
        const QSize size(NodeIcons::Size, NodeIcons::Size);
        painter.drawPixmap(
            rect.left() + 1, rect.top() + (rect.height() - NodeIcons::Size) / 2,
            NodeIcons::Images().at(cell.icon).pixmap(size, painter.device()->devicePixelRatioF()));
    }
    if (selected)
        painter.fillRect(cell.fill, palette().color(QPalette::Highlight));
    if (cell.text.width() <= 0)
        return;
    painter.setFont(cell.font);
    painter.setPen(selected
                       ? palette().color(QPalette::HighlightedText)
                       : NodeCellStyle::TextColour(*node, column, palette().color(QPalette::Text),
                                                   palette().color(QPalette::Base)));
    painter.drawText(cell.text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, cell.shown);
}
