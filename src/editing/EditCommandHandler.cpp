#include "editing/EditCommandHandler.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/XmlDocument.h"
#include "editing/ClipboardAccess.h"
#include "editing/CommandId.h"
#include "editing/ExactXPath.h"
#include "editing/ItemEditLogic.h"
#include "editing/NodeClipboard.h"
#include "editing/NodePathText.h"

#include <algorithm>

namespace {

enum class Placement { Before, After, AsChild };

struct InsertCommand {
    uint16_t id;
    XmlNodeKind kind;
    Placement placement;
};

constexpr InsertCommand kInsertCommands[] = {
    {CommandId::InsertElementBefore, XmlNodeKind::Element, Placement::Before},
    {CommandId::InsertElementAfter, XmlNodeKind::Element, Placement::After},
    {CommandId::InsertElementAsChild, XmlNodeKind::Element, Placement::AsChild},
    {CommandId::InsertAttribute, XmlNodeKind::Attribute, Placement::AsChild},
    {CommandId::InsertCommentBefore, XmlNodeKind::Comment, Placement::Before},
    {CommandId::InsertCommentAfter, XmlNodeKind::Comment, Placement::After},
    {CommandId::InsertCommentAsChild, XmlNodeKind::Comment, Placement::AsChild},
    {CommandId::InsertTextBefore, XmlNodeKind::Text, Placement::Before},
    {CommandId::InsertTextAfter, XmlNodeKind::Text, Placement::After},
    {CommandId::InsertTextAsChild, XmlNodeKind::Text, Placement::AsChild},
};

const InsertCommand* FindInsertCommand(uint16_t id)
{
    for (const InsertCommand& command : kInsertCommands) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}

int DefaultNameString(XmlNodeKind kind)
{
    switch (kind) {
    case XmlNodeKind::Element:
        return StringId::NewElement;
    case XmlNodeKind::Attribute:
        return StringId::NewAttribute;
    case XmlNodeKind::Text:
        return StringId::TextName;
    default:
        return StringId::CommentName;
    }
}

constexpr uint16_t kSimpleCommands[] = {
    CommandId::Rename,         CommandId::ChangeValue, CommandId::Duplicate, CommandId::MoveUp,
    CommandId::MoveDown,       CommandId::Delete,      CommandId::Undo,      CommandId::Redo,
    CommandId::ShowPrefixes,   CommandId::Copy,        CommandId::Cut,       CommandId::Paste,
    CommandId::CopyName,       CommandId::CopyValue,   CommandId::CopyAsXml, CommandId::CopyXPath,
    CommandId::CopyExactXPath,
};

} // namespace

EditCommandHandler::EditCommandHandler(XmlDocument& document, ClipboardAccess& clipboard)
    : m_document(document), m_clipboard(clipboard)
{
}

bool EditCommandHandler::IsViewCommand(uint16_t commandId)
{
    return FindInsertCommand(commandId) ||
           std::find(std::begin(kSimpleCommands), std::end(kSimpleCommands), commandId) !=
               std::end(kSimpleCommands);
}

QString EditCommandHandler::NameCellText(const XmlDocument& document, int32_t id, bool showPrefixes)
{
    const XmlNode* node = document.FindNode(id);
    if (!node)
        return QString();
    return showPrefixes ? node->QualifiedName() : node->LocalName();
}

EditCommandState EditCommandHandler::State(const EditContext& context) const
{
    EditSelectionState state;
    if (const XmlNode* selected = m_document.FindNode(context.selectedId)) {
        state.selectedKind = selected->Kind();
        if (const XmlNode* parent = m_document.FindNode(context.parentItemId))
            state.parentKind = parent->Kind();
    }
    state.clipboardHasPrivateData = NodeClipboard::HasPrivateClipboardData(m_clipboard);
    state.canUndo = m_document.History().CanUndo();
    state.canRedo = m_document.History().CanRedo();
    state.isModified = m_document.IsModified();
    state.showPrefixes = context.showPrefixes;
    return EditCommandState::Compute(state);
}

void EditCommandHandler::PutText(EditCommandOutcome& outcome, const QString& text)
{
    NodeClipboard::PutClipboardText(m_clipboard, text);
    outcome.clipboardText = text;
    outcome.changed = true;
}

EditCommandOutcome EditCommandHandler::Execute(uint16_t commandId, const EditContext& context)
{
    EditCommandOutcome outcome;
    if (!IsViewCommand(commandId))
        return outcome;
    outcome.handled = true;

    // Commands that need no selection.
    switch (commandId) {
    case CommandId::Undo:
        outcome.changed = m_document.History().Undo();
        outcome.repaint = true;
        return outcome;
    case CommandId::Redo:
        outcome.changed = m_document.History().Redo();
        outcome.repaint = true;
        return outcome;
    case CommandId::ShowPrefixes:
        outcome.togglePrefixes = true;
        outcome.repaint = true;
        return outcome;
    default:
        break;
    }

    const int32_t id = context.selectedId;
    const XmlNode* selected = m_document.FindNode(id);
    if (!selected)
        return outcome;
    if (FindInsertCommand(commandId))
        return Insert(commandId, context);

    switch (commandId) {
    case CommandId::Rename:
    case CommandId::ChangeValue:
        m_document.GetIdPath(id, outcome.editPath);
        outcome.editColumn = commandId == CommandId::Rename ? ItemEditLogic::kNameColumn
                                                            : ItemEditLogic::kValueColumn;
        break;
    case CommandId::Duplicate:
        outcome.changed = m_document.DuplicateNode(id);
        break;
    case CommandId::MoveUp:
    case CommandId::MoveDown:
        outcome.changed = m_document.MoveNodeStep(id, commandId == CommandId::MoveUp);
        break;
    case CommandId::Delete:
        outcome.changed = m_document.DeleteNode(id);
        break;
    case CommandId::Copy:
        outcome.changed = NodeClipboard::CopyNodeToClipboard(m_clipboard, m_document, id);
        break;
    case CommandId::Cut:
        // Deleting what did not reach the clipboard would lose it (undo aside), so the delete
        // runs only after a successful copy.
        if (NodeClipboard::CopyNodeToClipboard(m_clipboard, m_document, id)) {
            outcome.changed = true;
            m_document.DeleteNode(id);
        }
        break;
    case CommandId::Paste:
        outcome.changed = NodeClipboard::PasteFromClipboard(m_clipboard, m_document, id);
        break;
    case CommandId::CopyName:
        PutText(outcome, NameCellText(m_document, id, context.showPrefixes));
        break;
    case CommandId::CopyValue:
        PutText(outcome, selected->Value());
        break;
    case CommandId::CopyAsXml:
        PutText(outcome, m_document.NodeToXmlText(id));
        break;
    case CommandId::CopyXPath:
        PutText(outcome, GetNodePathText(m_document, id));
        break;
    case CommandId::CopyExactXPath:
        PutText(outcome, GetExactXPathText(m_document, id));
        break;
    default:
        break;
    }
    return outcome;
}

EditCommandOutcome EditCommandHandler::Insert(uint16_t commandId, const EditContext& context)
{
    EditCommandOutcome outcome;
    outcome.handled = true;
    const InsertCommand& command = *FindInsertCommand(commandId);
    const XmlNode* selected = m_document.FindNode(context.selectedId);

    XmlNodeData record;
    record.kind = command.kind;
    record.localName = LoadText(DefaultNameString(command.kind));

    int32_t parentId = -1;
    int32_t afterId = -1;
    switch (command.placement) {
    case Placement::Before:
    case Placement::After: {
        // Element and text need a parent item; a comment without one goes to the top level.
        if (context.parentItemId == -1 && command.kind != XmlNodeKind::Comment)
            return outcome;
        parentId = context.parentItemId;
        if (command.placement == Placement::After) {
            afterId = selected->Id();
        } else if (const XmlNode* parent = selected->Parent()) {
            const int position = parent->IndexOfChild(selected);
            afterId = position > 0 ? parent->ChildAt(position - 1)->Id() : -1;
        }
        break;
    }
    case Placement::AsChild:
        parentId = selected->Id();
        if (command.kind == XmlNodeKind::Attribute) {
            record.localName =
                m_document.MakeUniqueAttributeName(QString(), record.localName, selected);
        }
        break;
    }

    NodeIdPath expand;
    if (command.placement == Placement::AsChild)
        m_document.GetIdPath(selected->Id(), expand);
    NodeIdPath inserted;
    if (!m_document.InsertNode(record, parentId, afterId, inserted))
        return outcome;
    outcome.changed = true;
    outcome.expandPath = std::move(expand);
    outcome.editPath = std::move(inserted);
    const bool named =
        command.kind == XmlNodeKind::Element || command.kind == XmlNodeKind::Attribute;
    outcome.editColumn = named ? ItemEditLogic::kNameColumn : ItemEditLogic::kValueColumn;
    return outcome;
}
