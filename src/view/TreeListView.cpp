#include "view/TreeListView.h"

#include "config/BuiltinResources.h"
#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/DocumentMessages.h"
#include "document/XmlNode.h"
#include "document/XmlWhitespace.h"
#include "editing/CommandId.h"
#include "editing/ItemEditLogic.h"
#include "editing/NodeFinder.h"
#include "ui/MenuBuilder.h"
#include "ui/QtClipboardAccess.h"
#include "view/BusyCursor.h"
#include "view/InPlaceEdit.h"
#include "view/MessageBoxes.h"
#include "view/NodeIcons.h"
#include "view/TreeListItemModel.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

namespace {
constexpr int kNameTitleString = 32768;
constexpr int kValueTitleString = 32769;
constexpr int kNotFoundString = 222;
constexpr int kNameWidth = 250;
constexpr int kValueWidth = 350;

const QColor kElementNameColor(0x80, 0x40, 0x00);
const QColor kAttributeNameColor(0x00, 0x80, 0x00);
const QColor kGreyColor(0x80, 0x80, 0x80);
const QColor kBlackColor(0x00, 0x00, 0x00);
const QColor kWhiteColor(0xFF, 0xFF, 0xFF);

// A text of nothing but whitespace: a file keeps such a text only where it carries meaning,
// and shown as it is, its row would look empty.
bool IsWhitespaceText(const XmlNode* node)
{
    return node && node->Kind() == XmlNodeKind::Text && !node->ValueView().isEmpty() &&
           IsXmlWhitespace(node->ValueView());
}

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

    // The cells are painted on white with fixed colours, whatever the desktop theme.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, kWhiteColor);
    colours.setColor(QPalette::Text, kBlackColor);
    setPalette(colours);
    SetImageList(NodeIcons::Images());
    // The titles come from the built-in table: they stay "Name" and "Value" in every language.
    InsertColumn(NameColumn, StringTable::Text(kNameTitleString), kNameWidth, Qt::AlignLeft, -1);
    InsertColumn(ValueColumn, StringTable::Text(kValueTitleString), kValueWidth, Qt::AlignLeft, -1);
    CreateAccelerators();
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
        AppendItem(parentItem, child->Id(), false);
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
        return AppendItem(parent, node->Id(), false, populate);
    return InsertItemAfter(parent, after, node->Id(), false, populate);
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
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text[i].unicode()) {
        case u' ':
            shown += u'\u00B7'; // middle dot
            break;
        case u'\t':
            shown += u'\u2192'; // rightwards arrow
            break;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            [[fallthrough]];
        case u'\n':
            shown += u'\u21B5'; // downwards arrow with corner leftwards
            break;
        default:
            shown += text[i];
        }
    }
    return shown;
}

QString TreeListView::GetCellText(const TreeListItem* item, int column) const
{
    const XmlNode* node = NodeOf(item);
    if (!node)
        return QString();
    if (column == NameColumn) {
        if (m_showPrefixes && !node->Prefix().isEmpty())
            return node->Prefix() + u':' + node->LocalName();
        return node->LocalName();
    }
    if (column == ValueColumn)
        return node->Value();
    return QString();
}

int TreeListView::GetCellImage(const TreeListItem* item, int column, bool, bool expanded) const
{
    const XmlNode* node = NodeOf(item);
    if (!node || column != NameColumn)
        return -1;
    switch (node->Kind()) {
    case XmlNodeKind::Element:
        return expanded ? NodeIcons::ElementOpen : NodeIcons::ElementClosed;
    case XmlNodeKind::Attribute:
        return NodeIcons::Attribute;
    case XmlNodeKind::Text:
        return NodeIcons::Text;
    case XmlNodeKind::Comment:
        return NodeIcons::Comment;
    case XmlNodeKind::ProcessingInstruction:
        return NodeIcons::ProcessingInstruction;
    default:
        return -1;
    }
}

bool TreeListView::GetCellTextAndImage(const TreeListItem* item, int column, bool selected,
                                       bool expanded, QString& text, int& image) const
{
    text = GetCellText(item, column);
    if (column == ValueColumn && IsWhitespaceText(NodeOf(item)))
        text = VisibleWhitespace(text);
    image = GetCellImage(item, column, selected, expanded);
    return NodeOf(item) != nullptr;
}

uint32_t TreeListView::GetCellFontStyle(const TreeListItem* item, int column, uint32_t) const
{
    const XmlNode* node = NodeOf(item);
    if (!node)
        return 0;
    if ((node->Kind() == XmlNodeKind::Comment ||
         node->Kind() == XmlNodeKind::ProcessingInstruction) &&
        (column == NameColumn || column == ValueColumn))
        return FontItalic;
    if (node->Kind() == XmlNodeKind::Text && column == NameColumn)
        return FontItalic;
    return 0;
}

QColor TreeListView::GetCellTextColor(const TreeListItem* item, int column, uint32_t state) const
{
    const bool fullRow = selectionBehavior() == QAbstractItemView::SelectRows;
    if ((state & (StateSelected | StateDropHighlighted)) && (fullRow || column == NameColumn))
        return palette().color(QPalette::HighlightedText);
    const XmlNode* node = NodeOf(item);
    if (!node)
        return kWhiteColor;
    const bool name = column == NameColumn;
    switch (node->Kind()) {
    case XmlNodeKind::Element:
        return name ? kElementNameColor : kBlackColor;
    case XmlNodeKind::Attribute:
        return name ? kAttributeNameColor : kBlackColor;
    case XmlNodeKind::Text:
        return name || IsWhitespaceText(node) ? kGreyColor : kBlackColor;
    case XmlNodeKind::Comment:
    case XmlNodeKind::ProcessingInstruction:
        return kGreyColor;
    default:
        return kWhiteColor;
    }
}

bool TreeListView::CommitCellText(TreeListItem* item, int column, const QString& text)
{
    return ApplyItemEdit(item, column, text);
}

bool TreeListView::IsCellReadOnly(const TreeListItem* item, int column) const
{
    const XmlNode* node = NodeOf(item);
    if (!node)
        return true;
    switch (node->Kind()) {
    case XmlNodeKind::Element:
        return column != NameColumn;
    case XmlNodeKind::Attribute:
    case XmlNodeKind::ProcessingInstruction:
        return column != NameColumn && column != ValueColumn;
    case XmlNodeKind::Text:
    case XmlNodeKind::Comment:
        return column != ValueColumn;
    default:
        return true;
    }
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
        TreeListControl::contextMenuEvent(event);
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
    m_contextMenu->popup(event->globalPos());
    event->accept();
}
