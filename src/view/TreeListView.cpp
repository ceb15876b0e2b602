#include "view/TreeListView.h"

#include "config/BuiltinResources.h"
#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/DocumentMessages.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "editing/CommandId.h"
#include "editing/ItemEditLogic.h"
#include "editing/NodeFinder.h"
#include "ui/MenuBuilder.h"
#include "ui/QtClipboardAccess.h"
#include "view/BusyCursor.h"
#include "view/MessageBoxes.h"
#include "view/TreeListPane.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace {
constexpr int kNotFoundString = 222;

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
    : NodeTreeView(parent), m_systemClipboard(std::make_unique<QtClipboardAccess>()),
      m_clipboard(m_systemClipboard.get())
{
    CreateAccelerators();
}

TreeListView::~TreeListView() = default;

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

// --- Commands ---------------------------------------------------------------------------

EditCommandHandler TreeListView::Commands() const
{
    return EditCommandHandler(DocumentToEdit(), *m_clipboard);
}

EditContext TreeListView::CurrentContext() const
{
    EditContext context;
    const XmlNode* selected = SelectedNode();
    context.selectedId = selected ? selected->Id() : -1;
    const XmlNode* parent = selected ? selected->Parent() : nullptr;
    context.parentItemId = parent && parent != Document().Root() ? parent->Id() : -1;
    context.showPrefixes = ShowPrefixes();
    return context;
}

EditCommandState TreeListView::CommandState() const
{
    return Commands().State(CurrentContext());
}

bool TreeListView::HandleCommand(int commandId)
{
    if (commandId < 0 || commandId > 0xFFFF ||
        !EditCommandHandler::IsViewCommand(uint16_t(commandId)))
        return false;
    const int32_t duplicated = commandId == CommandId::Duplicate ? SelectedNodeId() : -1;
    const EditCommandOutcome outcome = Commands().Execute(uint16_t(commandId), CurrentContext());
    // The copy comes right after its original, selected, and shown the same way.
    if (duplicated >= 0 && outcome.changed && SelectedNodeId() != duplicated) {
        const XmlNode* original = Document().FindNode(duplicated);
        if (original && SelectedNode())
            MirrorExpanded(original, SelectedNode());
    }
    if (outcome.togglePrefixes)
        SetShowPrefixes(!ShowPrefixes());
    if (!outcome.expandPath.empty())
        SetExpanded(outcome.expandPath.back(), true);
    if (!outcome.editPath.empty())
        BeginCellEdit(outcome.editPath.back(), outcome.editColumn);
    if (outcome.repaint)
        viewport()->update();
    emit commandExecuted(commandId);
    return outcome.handled;
}

bool TreeListView::CommitCellText(int32_t id, int column, const QString& text)
{
    return ApplyItemEdit(id, column, text);
}

bool TreeListView::IsCellEditVetoed(int32_t id, int column) const
{
    auto* pane = qobject_cast<TreeListPane*>(parentWidget());
    return pane && pane->OnBeginLabelEdit(id, column);
}

bool TreeListView::ApplyItemEdit(int32_t id, int column, const QString& text)
{
    const ItemEditLogic::Result result =
        ItemEditLogic::ApplyItemEdit(Document(), id, column, text, ShowPrefixes());
    if (!result.accepted) {
        MessageBoxes::Current().ShowError(this, LoadText(StringId::ProgramName), result.message);
        return false;
    }
    return true;
}

TreeListView::FindOutcome TreeListView::FindRequest(const QString& text, FindFlags flags)
{
    int32_t start = SelectedNodeId();
    if (start < 0 && Rows().Count() > 0)
        start = Rows().At(0)->Id();
    NodeIdPath found;
    FindOutcome outcome;
    bool hit;
    {
        // A search without a match walks the whole document.
        BusyCursor busy;
        hit = start >= 0 &&
              NodeFinder::FindNext(Document(), start, text, flags, found, &outcome.wrapped);
    }
    if (hit && !found.empty() && SelectNode(found.back())) {
        outcome.found = true;
        return outcome;
    }
    outcome.wrapped = false;
    MessageBoxes::Current().ShowInformation(this, LoadText(StringId::ProgramName),
                                            LoadText(kNotFoundString));
    return outcome;
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
    const XmlNode* node = NodeAt(event->pos());
    if (!node)
        return;
    OpenContextMenu(node->Id(), event->globalPos());
    event->accept();
}

void TreeListView::keyPressEvent(QKeyEvent* event)
{
    // The keyboard's ways to the context menu: the Menu key and Shift+F10.
    if (DragSource() < 0 &&
        (event->key() == Qt::Key_Menu ||
         (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier))) {
        OpenContextMenuAtSelection();
        event->accept();
        return;
    }
    NodeTreeView::keyPressEvent(event);
}

void TreeListView::OpenContextMenuAtSelection()
{
    const XmlNode* node = SelectedNode();
    // The platform may follow the key with a menu request of its own.
    if (!node || (m_contextMenu && m_contextMenu->isVisible()))
        return;
    SelectNode(node->Id());
    const QRect name = CellRect(Rows().RowOf(node), NameColumn);
    OpenContextMenu(node->Id(), viewport()->mapToGlobal(name.bottomLeft()));
}

void TreeListView::OpenContextMenu(int32_t id, QPoint globalPosition)
{
    SelectNode(id);
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
