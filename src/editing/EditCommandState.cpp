#include "editing/EditCommandState.h"

#include "editing/CommandId.h"
#include "editing/ItemEditLogic.h"

#include <algorithm>

const std::vector<uint16_t>& EditCommandState::Commands()
{
    using namespace CommandId;
    static const std::vector<uint16_t> commands{Copy,
                                                CopyName,
                                                CopyValue,
                                                CopyAsXml,
                                                CopyXPath,
                                                CopyExactXPath,
                                                Cut,
                                                Delete,
                                                Duplicate,
                                                Paste,
                                                Rename,
                                                ChangeValue,
                                                InsertAttribute,
                                                InsertElementAsChild,
                                                InsertCommentAsChild,
                                                InsertTextAsChild,
                                                InsertElementBefore,
                                                InsertElementAfter,
                                                InsertTextBefore,
                                                InsertTextAfter,
                                                InsertCommentBefore,
                                                InsertCommentAfter,
                                                MoveUp,
                                                MoveDown,
                                                Undo,
                                                Redo,
                                                FileSave,
                                                SaveAll,
                                                ShowPrefixes};
    return commands;
}

EditCommandState EditCommandState::Compute(const EditSelectionState& state)
{
    using namespace CommandId;
    EditCommandState result;
    const std::optional<XmlNodeKind> s = state.selectedKind;
    const std::optional<XmlNodeKind> p = state.parentKind;
    const bool selected = s.has_value();
    const bool hasParentItem = p.has_value();
    const bool elementSelected = s == XmlNodeKind::Element;
    const bool elementParent = p == XmlNodeKind::Element;

    for (uint16_t id : {Copy, CopyName, CopyValue, CopyAsXml, CopyXPath, CopyExactXPath})
        result.Set(id, selected);
    // Everything but a top-level element may be cut, deleted and duplicated.
    const bool removable = hasParentItem || s == XmlNodeKind::Attribute || s == XmlNodeKind::Text ||
                           s == XmlNodeKind::Comment || s == XmlNodeKind::ProcessingInstruction;
    for (uint16_t id : {Cut, Delete, Duplicate})
        result.Set(id, removable);
    result.Set(Paste, elementSelected && state.clipboardHasPrivateData);
    // Both open the in-place editor, so they follow its rule of editable cells.
    result.Set(Rename, selected && ItemEditLogic::IsCellEditable(*s, ItemEditLogic::kNameColumn));
    result.Set(ChangeValue,
               selected && ItemEditLogic::IsCellEditable(*s, ItemEditLogic::kValueColumn));
    for (uint16_t id :
         {InsertAttribute, InsertElementAsChild, InsertCommentAsChild, InsertTextAsChild})
        result.Set(id, elementSelected);
    for (uint16_t id : {InsertElementBefore, InsertElementAfter, InsertTextBefore, InsertTextAfter})
        result.Set(id, elementParent);
    for (uint16_t id : {InsertCommentBefore, InsertCommentAfter})
        result.Set(id, elementParent || !hasParentItem);
    for (uint16_t id : {MoveUp, MoveDown})
        result.Set(id, selected || elementParent);
    result.Set(Undo, state.canUndo);
    result.Set(Redo, state.canRedo);
    result.Set(FileSave, state.isModified);
    result.Set(SaveAll, state.isModified);
    result.Set(ShowPrefixes, true, state.showPrefixes);
    return result;
}

void EditCommandState::Set(uint16_t commandId, bool enabled, bool checked)
{
    m_states.push_back({commandId, Flags{enabled, checked}});
}

EditCommandState::Flags EditCommandState::State(uint16_t commandId) const
{
    auto it = std::find_if(m_states.begin(), m_states.end(),
                           [commandId](const auto& entry) { return entry.first == commandId; });
    return it == m_states.end() ? Flags{} : it->second;
}
