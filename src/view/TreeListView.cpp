#include "view/TreeListView.h"

#include "config/BuiltinResources.h"
#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/DocumentMessages.h"
#include "document/XmlNode.h"
#include "editing/CommandId.h"
#include "editing/ItemEditLogic.h"
#include "editing/NodeFinder.h"
#include "ui/MenuBuilder.h"
#include "ui/QtClipboardAccess.h"
#include "view/BusyCursor.h"
#include "view/InPlaceEdit.h"
#include "view/MessageBoxes.h"
#include "view/NodeCellStyle.h"
#include "view/NodeIcons.h"
#include "view/TreeColumnWidths.h"
#include "view/TreeListItemModel.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace {
constexpr int kNameTitleString = 32768;
constexpr int kValueTitleString = 32769;
constexpr int kNotFoundString = 222;
// The Value column's least width: narrower windows scroll rather than squeeze it.
constexpr int kValueWidth = 350;

void ApplyState(QMenu* menu, const EditCommandState& state)
{
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu()) {
            ApplyState(sub, state);
            continue;
        }
        const std::optional<int> id = MenuBuilder::CommandId(action);
        if (!id)
            continue;
        const auto& decided = EditCommandState::Commands();
        if (std::find(decided.begin(), decided.end(), uint16_t(*id)) == decided.end())
            continue;
        action->setEnabled(state.IsEnabled(uint16_t(*id)));
        if (*id == CommandId::ShowPrefixes) {
            action->setCheckable(true);
            action->setChecked(state.IsChecked(uint16_t(*id)));
        }
    }
}
} // namespace

TreeListView::TreeListView(QWidget* parent)
    : TreeListControl(parent, true, true), m_document(std::make_unique<XmlDocument>()),
      m_systemClipboard(std::make_unique<QtClipboardAccess>()), m_clipboard(m_systemClipboard.get())
{
    m_document->AddObserver(this);
    m_commands = std::make_unique<EditCommandHandler>(*m_document, *m_clipboard);

    SetImageList(NodeIcons::Images());
    // The titles come from the built-in table: they stay "Name" and "Value" in every language.
    TreeColumnWidths& widths = TreeColumnWidths::Shared();
    InsertColumn(NameColumn, StringTable::Text(kNameTitleString), widths.NameWidth(), Qt::AlignLeft,
                 -1);
    InsertColumn(ValueColumn, StringTable::Text(kValueTitleString), kValueWidth, Qt::AlignLeft, -1);
    // A Name width the user drags applies to every tree; each tree's Value column then takes
    // what is left of its width.
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        if (column != NameColumn || m_applyingWidths)
            return;
        TreeColumnWidths::Shared().SetNameWidth(width);
        FitValueColumn();
    });
    connect(&widths, &TreeColumnWidths::nameWidthChanged, this, [this](int width) {
        m_applyingWidths = true;
        SetColumnWidth(NameColumn, width);
        m_applyingWidths = false;
        FitValueColumn();
    });
    CreateAccelerators();
}

void TreeListView::FitValueColumn()
{
    int others = 0;
    for (int column = 0; column < ColumnCount(); ++column) {
        if (column != ValueColumn)
            others += Columns()[size_t(column)].width;
    }
    const int width = std::max(kValueWidth, viewport()->width() - others);
    if (width == Columns()[size_t(ValueColumn)].width)
        return;
    m_applyingWidths = true;
    SetColumnWidth(ValueColumn, width);
    m_applyingWidths = false;
}

bool TreeListView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize)
        FitValueColumn();
    return TreeListControl::viewportEvent(event);
}

TreeListView::~TreeListView()
{
    // An open edit is dropped, never committed, while the document still exists.
    Editor().Abandon();
    m_document->RemoveObserver(this);
}

void TreeListView::SetClipboard(ClipboardAccess& clipboard)
{
    m_clipboard = &clipboard;
    m_commands = std::make_unique<EditCommandHandler>(*m_document, *m_clipboard);
}

void TreeListView::CreateAccelerators()
{
    struct Accelerator {
        QKeyCombination key;
        int command;
    };
    const Accelerator table[] = {
        {Qt::Key_F2, CommandId::Rename},
        {Qt::CTRL | Qt::Key_F2, CommandId::ChangeValue},
        {QKeyCombination(Qt::Key_Return), CommandId::ChangeValue},
        {QKeyCombination(Qt::Key_Enter), CommandId::ChangeValue},
        {Qt::Key_Delete, CommandId::Delete},
        {Qt::CTRL | Qt::Key_Delete, CommandId::Delete},
        {Qt::CTRL | Qt::Key_C, CommandId::Copy},
        {Qt::CTRL | Qt::Key_Insert, CommandId::Copy},
        {Qt::CTRL | Qt::Key_X, CommandId::Cut},
        {Qt::CTRL | Qt::Key_V, CommandId::Paste},
        {Qt::SHIFT | Qt::Key_Insert, CommandId::Paste},
        {Qt::CTRL | Qt::Key_D, CommandId::Duplicate},
        {Qt::CTRL | Qt::Key_Z, CommandId::Undo},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, CommandId::Redo},
        {Qt::CTRL | Qt::Key_Up, CommandId::MoveUp},
        {Qt::CTRL | Qt::Key_Down, CommandId::MoveDown},
    };
    for (const Accelerator& accelerator : table) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(accelerator.key));
        // Only keys aimed at the tree itself: an editor or any other widget with the focus
        // keeps its keys.
        action->setShortcutContext(Qt::WidgetShortcut);
        const int command = accelerator.command;
        connect(action, &QAction::triggered, this, [this, command] { HandleCommand(command); });
        addAction(action);
        m_accelerators.append(action);
    }
}

// --- Building ---------------------------------------------------------------------------

void TreeListView::ResetForNewContent()
{
    DeleteAllItems();
    m_expandedAway.clear();
    // Undo actions name nodes by ID; kept across a reload they would act on the new tree.
    m_document->History().Clear();
}

bool TreeListView::OpenFile(const QString& path)
{
    ResetForNewContent();
    m_filePath = path;
    XmlStatus status;
    {
        BusyCursor busy;
        status = m_document->Load(path);
        if (status == XE_OK) {
            BeginBulkInsert();
            BuildChildItems(m_document->Root(), nullptr);
            EndBulkInsert();
        }
    }
    if (status != XE_OK) {
        MessageBoxes::Current().ShowError(
            this, LoadText(StringId::ProgramName),
            LoadErrorText(path, status, m_document->ErrorLine(), m_document->ErrorPosition()));
        // Whatever a failed load left behind is not shown.
        return false;
    }
    return true;
}

void TreeListView::ShowDocument(std::unique_ptr<XmlDocument> document, const QString& path)
{
    ResetForNewContent();
    m_document->RemoveObserver(this);
    m_document = std::move(document);
    m_document->AddObserver(this);
    m_commands = std::make_unique<EditCommandHandler>(*m_document, *m_clipboard);
    m_filePath = path;
    BusyCursor busy;
    BeginBulkInsert();
    BuildChildItems(m_document->Root(), nullptr);
    EndBulkInsert();
}

bool TreeListView::NewFile(const QString& name)
{
    ResetForNewContent();
    m_document->CreateNew();
    m_filePath = name;
    BeginBulkInsert();
    BuildChildItems(m_document->Root(), nullptr);
    EndBulkInsert();
    return true;
}

void TreeListView::BuildChildItems(const XmlNode* node, TreeListItem* parentItem)
{
    TreeListItem* const parent = parentItem ? parentItem : ItemModel()->RootItem();
    ItemModel()->ReserveChildren(parent, size_t(node->ChildCount()));
    // All the children first, then their subtrees: siblings then lie side by side in the item
    // store, and the view's layout pass over a large expanded element reads them in order.
    const size_t first = parent->children.size();
    int shown = 0;
    for (const XmlNode* child : *node) {
        if (!IsTreeKind(child->Kind()))
            break;
        AppendItem(parentItem, child->Id());
        ++shown;
    }
    for (int i = 0; i < shown; ++i) {
        const XmlNode* child = node->begin()[i];
        if (child->Kind() == XmlNodeKind::Element && child->HasChildren())
            BuildChildItems(child, parent->children[first + size_t(i)]);
    }
}

TreeListItem* TreeListView::InsertNodeItem(XmlNode* node, TreeListItem* parent, TreeListItem* after,
                                           bool last)
{
    if (!node || !IsTreeKind(node->Kind()))
        return nullptr;
    auto populate = [this, node](TreeListItem* item) {
        if (node->Kind() == XmlNodeKind::Element)
            BuildChildItems(node, item);
    };
    if (last)
        return AppendItem(parent, node->Id(), populate);
    return InsertItemAfter(parent, after, node->Id(), populate);
}

// --- Lookups ----------------------------------------------------------------------------

int32_t TreeListView::GetItemNodeId(const TreeListItem* item) const
{
    return item ? item->param : -1;
}

const XmlNode* TreeListView::NodeOf(const TreeListItem* item) const
{
    return item ? m_document->FindNode(item->param) : nullptr;
}

TreeListItem* TreeListView::FindChildItemById(const TreeListItem* parent, int32_t id) const
{
    const int count = ChildItemCount(parent);
    // Items mirror the nodes, so the node's place among its siblings is the item's row; a
    // node just taken out still knows where it stood, and a step move has changed the place
    // by one before the view hears of it.
    if (const XmlNode* node = m_document->FindNode(id)) {
        const int hint = node->PositionHint();
        for (int row : {hint, hint - 1, hint + 1}) {
            if (row >= 0 && row < count && ChildItem(parent, row)->param == id)
                return ChildItem(parent, row);
        }
    }
    for (int i = 0; i < count; ++i) {
        TreeListItem* child = ChildItem(parent, i);
        if (child->param == id)
            return child;
    }
    return nullptr;
}

TreeListItem* TreeListView::FindItemByPath(const NodeIdPath& path) const
{
    TreeListItem* item = nullptr;
    for (int32_t id : path) {
        item = FindChildItemById(item, id);
        if (!item)
            return nullptr;
    }
    return item;
}

// --- Observer ---------------------------------------------------------------------------

void TreeListView::OnNodeChanged(const NodeIdPath&)
{
    viewport()->update();
}

void TreeListView::OnNodeRemoved(const NodeIdPath& path)
{
    if (TreeListItem* item = FindItemByPath(path)) {
        RememberExpanded(item);
        DeleteItem(item);
    }
    viewport()->update();
}

void TreeListView::RememberExpanded(const TreeListItem* item)
{
    // Only expanded items are visited: the walk costs what is shown, not the subtree.
    std::vector<const TreeListItem*> pending{item};
    while (!pending.empty()) {
        const TreeListItem* current = pending.back();
        pending.pop_back();
        if (!IsItemExpanded(current))
            continue;
        m_expandedAway.insert(current->param);
        for (int i = ChildItemCount(current) - 1; i >= 0; --i)
            pending.push_back(ChildItem(current, i));
    }
}

void TreeListView::RestoreExpanded(TreeListItem* item)
{
    if (m_expandedAway.empty())
        return;
    std::vector<TreeListItem*> pending{item};
    while (!pending.empty()) {
        TreeListItem* current = pending.back();
        pending.pop_back();
        if (m_expandedAway.erase(current->param) == 0)
            continue;
        ExpandItem(current);
        for (int i = ChildItemCount(current) - 1; i >= 0; --i)
            pending.push_back(ChildItem(current, i));
    }
}

void TreeListView::MirrorExpanded(const TreeListItem* original, TreeListItem* copy)
{
    std::vector<std::pair<const TreeListItem*, TreeListItem*>> pending{{original, copy}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        if (!IsItemExpanded(from) || ChildItemCount(from) != ChildItemCount(to))
            continue;
        ExpandItem(to);
        for (int i = ChildItemCount(from) - 1; i >= 0; --i)
            pending.emplace_back(ChildItem(from, i), ChildItem(to, i));
    }
}

void TreeListView::OnNodeInserted(const NodeIdPath& path, XmlNode* node)
{
    if (path.empty() || !node)
        return;
    TreeListItem* parentItem = nullptr;
    if (path.size() > 1)
        parentItem = FindItemByPath(NodeIdPath(path.begin(), path.end() - 1));

    TreeListItem* item = nullptr;
    const XmlNode* parentNode = node->Parent();
    if (!parentNode) {
        item = InsertNodeItem(node, parentItem, nullptr, true);
    } else {
        const int position = parentNode->IndexOfChild(node);
        if (position <= 0) {
            item = InsertNodeItem(node, parentItem, nullptr);
        } else {
            TreeListItem* previous =
                FindChildItemById(parentItem, parentNode->ChildAt(position - 1)->Id());
            // Without the previous sibling's item the mirror is already off; appending at
            // least keeps the new node visible.
            item = InsertNodeItem(node, parentItem, previous, previous == nullptr);
        }
    }
    if (item) {
        RestoreExpanded(item);
        SelectItem(item);
    }
    viewport()->update();
}

// --- Hooks ------------------------------------------------------------------------------

QString TreeListView::VisibleWhitespace(QStringView text)
{
    return NodeCellStyle::VisibleWhitespace(text);
}

QString TreeListView::GetCellText(const TreeListItem* item, int column) const
{
    const XmlNode* node = NodeOf(item);
    if (!node)
        return QString();
    if (column == NameColumn)
        return NodeCellStyle::Text(*node, column, m_showPrefixes);
    return column == ValueColumn ? node->Value() : QString();
}

int TreeListView::GetCellImage(const TreeListItem* item, int column, bool, bool expanded) const
{
    const XmlNode* node = NodeOf(item);
    return node && column == NameColumn ? NodeCellStyle::Icon(*node, expanded) : -1;
}

bool TreeListView::GetCellTextAndImage(const TreeListItem* item, int column, bool selected,
                                       bool expanded, QString& text, int& image) const
{
    const XmlNode* node = NodeOf(item);
    text = node ? NodeCellStyle::Text(*node, column, m_showPrefixes) : QString();
    image = GetCellImage(item, column, selected, expanded);
    return node != nullptr;
}

bool TreeListView::IsAlwaysLeaf(const TreeListItem* item) const
{
    const XmlNode* node = NodeOf(item);
    return node && node->Kind() != XmlNodeKind::Element;
}

QString TreeListView::GetRowDescription(const TreeListItem* item) const
{
    const XmlNode* node = NodeOf(item);
    if (!node)
        return QString();
    int kind = 0;
    switch (node->Kind()) {
    case XmlNodeKind::Element:
        kind = StringId::ElementKind;
        break;
    case XmlNodeKind::Attribute:
        kind = StringId::AttributeKind;
        break;
    case XmlNodeKind::Text:
        kind = StringId::TextKind;
        break;
    case XmlNodeKind::Comment:
        kind = StringId::CommentKind;
        break;
    case XmlNodeKind::ProcessingInstruction:
        kind = StringId::InstructionKind;
        break;
    default:
        return QString();
    }
    const int form = ChildItemCount(item) == 0 ? StringId::RowKindAndLevel
                     : IsItemExpanded(item)    ? StringId::ExpandedRowKindAndLevel
                                               : StringId::CollapsedRowKindAndLevel;
    return FormatPlaceholders(LoadText(form),
                              {LoadText(kind), QString::number(ItemLevel(item) + 1)});
}

uint32_t TreeListView::GetCellFontStyle(const TreeListItem* item, int column, uint32_t) const
{
    const XmlNode* node = NodeOf(item);
    return node && NodeCellStyle::Italic(*node, column) ? uint32_t(FontItalic) : 0u;
}

QColor TreeListView::GetCellTextColor(const TreeListItem* item, int column, uint32_t state) const
{
    const bool fullRow = selectionBehavior() == QAbstractItemView::SelectRows;
    if ((state & (StateSelected | StateDropHighlighted)) && (fullRow || column == NameColumn))
        return palette().color(QPalette::HighlightedText);
    const QColor background = GetColumnBkColor(column);
    const XmlNode* node = NodeOf(item);
    if (!node)
        return background;
    return NodeCellStyle::TextColour(*node, column, palette().color(QPalette::Text), background);
}

double TreeListView::Contrast(const QColor& first, const QColor& second)
{
    return NodeCellStyle::Contrast(first, second);
}

bool TreeListView::CommitCellText(TreeListItem* item, int column, const QString& text)
{
    return ApplyItemEdit(item, column, text);
}

bool TreeListView::IsCellReadOnly(const TreeListItem* item, int column) const
{
    const XmlNode* node = NodeOf(item);
    return !node || !ItemEditLogic::IsCellEditable(node->Kind(), column);
}

bool TreeListView::IsCellMultiline(const TreeListItem*, int column) const
{
    return column == ValueColumn;
}

bool TreeListView::CanDropItem(const TreeListItem* source, const TreeListItem* target) const
{
    if (!TreeListControl::CanDropItem(source, target))
        return false;
    const XmlNode* node = NodeOf(target);
    return node && node->Kind() == XmlNodeKind::Element;
}

void TreeListView::DropItem(TreeListItem* source, TreeListItem* target, bool copy)
{
    const int32_t sourceId = GetItemNodeId(source);
    const int32_t targetId = GetItemNodeId(target);
    if (copy) {
        // The copy comes back selected, and is shown the way its original is.
        if (m_document->CopyNodeTo(sourceId, targetId) && SelectedItem() &&
            SelectedItem() != source)
            MirrorExpanded(source, SelectedItem());
    } else {
        m_document->MoveNodeTo(sourceId, targetId);
    }
}

// --- Commands ---------------------------------------------------------------------------

EditContext TreeListView::CurrentContext() const
{
    EditContext context;
    TreeListItem* selected = SelectedItem();
    context.selectedId = GetItemNodeId(selected);
    context.parentItemId = GetItemNodeId(ParentItem(selected));
    context.showPrefixes = m_showPrefixes;
    return context;
}

EditCommandState TreeListView::CommandState() const
{
    return m_commands->State(CurrentContext());
}

bool TreeListView::HandleCommand(int commandId)
{
    if (commandId < 0 || commandId > 0xFFFF ||
        !EditCommandHandler::IsViewCommand(uint16_t(commandId)))
        return false;
    const TreeListItem* duplicated = commandId == CommandId::Duplicate ? SelectedItem() : nullptr;
    const EditCommandOutcome outcome = m_commands->Execute(uint16_t(commandId), CurrentContext());
    // The copy comes right after its original, selected, and shown the same way.
    if (duplicated && outcome.changed && SelectedItem() && SelectedItem() != duplicated)
        MirrorExpanded(duplicated, SelectedItem());
    if (outcome.togglePrefixes)
        m_showPrefixes = !m_showPrefixes;
    if (!outcome.expandPath.empty())
        ExpandItem(FindItemByPath(outcome.expandPath));
    if (!outcome.editPath.empty())
        BeginCellEdit(FindItemByPath(outcome.editPath), outcome.editColumn);
    if (outcome.repaint)
        viewport()->update();
    emit commandExecuted(commandId);
    return outcome.handled;
}

bool TreeListView::ApplyItemEdit(TreeListItem* item, int column, const QString& text)
{
    const ItemEditLogic::Result result = ItemEditLogic::ApplyItemEdit(
        *m_document, GetItemNodeId(item), column, text, m_showPrefixes);
    if (!result.accepted) {
        MessageBoxes::Current().ShowError(this, LoadText(StringId::ProgramName), result.message);
        return false;
    }
    return true;
}

TreeListView::FindOutcome TreeListView::FindRequest(const QString& text, FindFlags flags)
{
    TreeListItem* start = SelectedItem();
    if (!start)
        start = ChildItem(nullptr, 0);
    NodeIdPath found;
    FindOutcome outcome;
    bool hit;
    {
        // A search without a match walks the whole document.
        BusyCursor busy;
        hit = start && NodeFinder::FindNext(*m_document, GetItemNodeId(start), text, flags, found,
                                            &outcome.wrapped);
    }
    if (hit) {
        if (TreeListItem* item = FindItemByPath(found)) {
            SelectItem(item);
            outcome.found = true;
            return outcome;
        }
    }
    outcome.wrapped = false;
    MessageBoxes::Current().ShowInformation(this, LoadText(StringId::ProgramName),
                                            LoadText(kNotFoundString));
    return outcome;
}

bool TreeListView::SelectNode(int32_t id)
{
    NodeIdPath path;
    if (!m_document->GetIdPath(id, path))
        return false;
    TreeListItem* item = FindItemByPath(path);
    if (!item)
        return false; // parked in the undo history, not in the tree
    SelectItem(item);
    return true;
}

void TreeListView::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() != QContextMenuEvent::Mouse) {
        OpenContextMenuAtSelection();
        event->accept();
        return;
    }
    // Held back until the right button goes up without a drag.
    if (DeferContextMenu(event)) {
        event->accept();
        return;
    }
    // The press marked the item for a possible drag; a menu ends that.
    SetDropHighlight(nullptr);
    TreeListItem* item = HitTestItem(event->pos());
    if (!item)
        return;
    OpenContextMenu(item, event->globalPos());
    event->accept();
}

void TreeListView::keyPressEvent(QKeyEvent* event)
{
    // The keyboard's ways to the context menu: the Menu key and Shift+F10.
    if (!DragSource() &&
        (event->key() == Qt::Key_Menu ||
         (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier))) {
        OpenContextMenuAtSelection();
        event->accept();
        return;
    }
    TreeListControl::keyPressEvent(event);
}

void TreeListView::OpenContextMenuAtSelection()
{
    TreeListItem* item = SelectedItem();
    // The platform may follow the key with a menu request of its own.
    if (!item || (m_contextMenu && m_contextMenu->isVisible()))
        return;
    SelectItem(item);
    const QRect row = ItemRowRect(item);
    const QRect name = CellEditRect(item, NameColumn);
    OpenContextMenu(item, viewport()->mapToGlobal(QPoint(name.left(), row.bottom())));
}

void TreeListView::OpenContextMenu(TreeListItem* item, QPoint globalPosition)
{
    SelectItem(item);
    const std::optional<MenuDescription> description =
        BuiltinResources::Menu(m_language, BuiltinResources::kItemMenu);
    const MenuDescription::Item* popup = description ? description->FirstPopup() : nullptr;
    if (!popup)
        return;
    if (m_contextMenu)
        m_contextMenu->deleteLater();
    m_contextMenu = MenuBuilder::BuildPopup(*popup, this);
    ApplyState(m_contextMenu, CommandState());
    connect(m_contextMenu, &QMenu::triggered, this, [this](QAction* action) {
        if (const std::optional<int> id = MenuBuilder::CommandId(action))
            HandleCommand(*id);
    });
    m_contextMenu->popup(globalPosition);
}
