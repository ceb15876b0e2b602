// The undoable edit operations of XmlDocument: each success records exactly one action.
#include "document/XmlDocument.h"

#include "editing/DeleteAction.h"
#include "editing/InsertAction.h"
#include "editing/NameSwapAction.h"
#include "editing/StepMoveAction.h"

#include <memory>

namespace {

bool IsDocumentElement(const XmlNode* node, const XmlNode* root)
{
    return node->Kind() == XmlNodeKind::Element && node->Parent() == root;
}

} // namespace

bool XmlDocument::RenameNode(int32_t id, const QString& prefix, const QString& localName)
{
    XmlNode* node = FindNode(id);
    if (!node)
        return false;
    if (node->Prefix() == prefix && node->LocalName() == localName)
        return true;
    auto action = std::make_unique<NameSwapAction>(*this, id, NameSwapAction::Field::QualifiedName,
                                                   prefix, localName);
    if (!action->Redo())
        return false;
    m_history.Push(std::move(action));
    return true;
}

bool XmlDocument::SetLocalName(int32_t id, const QString& localName)
{
    XmlNode* node = FindNode(id);
    if (!node)
        return false;
    if (node->LocalName() == localName)
        return true;
    auto action = std::make_unique<NameSwapAction>(*this, id, NameSwapAction::Field::LocalName,
                                                   QString(), localName);
    if (!action->Redo())
        return false;
    m_history.Push(std::move(action));
    return true;
}

bool XmlDocument::SetNodeValue(int32_t id, const QString& value)
{
    XmlNode* node = FindNode(id);
    if (!node)
        return false;
    if (node->ValueView() == value)
        return true;
    auto action =
        std::make_unique<NameSwapAction>(*this, id, NameSwapAction::Field::Value, QString(), value);
    if (!action->Redo())
        return false;
    m_history.Push(std::move(action));
    return true;
}

bool XmlDocument::MoveNodeStep(int32_t id, bool up)
{
    XmlNode* node = FindNode(id);
    if (!node || !node->Parent())
        return false;
    const XmlNode* parent = node->Parent();
    const int position = parent->IndexOfChild(node);
    if (position < 0)
        return false;
    const int target = up ? position - 1 : position + 1;
    if (target < 0 || target >= parent->ChildCount())
        return false;
    // An attribute never steps among the content, nor content among the attributes.
    if ((node->Kind() == XmlNodeKind::Attribute) !=
        (parent->ChildAt(target)->Kind() == XmlNodeKind::Attribute))
        return false;
    auto action = std::make_unique<StepMoveAction>(*this, id, position, target);
    if (!action->Redo())
        return false;
    m_history.Push(std::move(action));
    return true;
}

bool XmlDocument::DeleteNode(int32_t id)
{
    XmlNode* node = FindNode(id);
    if (!node || !node->Parent() || IsDocumentElement(node, &m_root))
        return false;
    const int32_t parentId = node->Parent() == &m_root ? -1 : node->Parent()->Id();
    auto action = std::make_unique<DeleteAction>(*this, parentId, node);
    if (!action->Redo())
        return false;
    m_history.Push(std::move(action));
    return true;
}

bool XmlDocument::DuplicateNode(int32_t id)
{
    XmlNode* node = FindNode(id);
    if (!node || !node->Parent() || IsDocumentElement(node, &m_root))
        return false;
    XmlNode* parent = node->Parent();
    const int position = parent->IndexOfChild(node);
    if (position < 0)
        return false;
    // With every suffix up to _999 taken the copy would get an empty name, which no XML
    // text can carry: refuse instead.
    if (node->Kind() == XmlNodeKind::Attribute &&
        MakeUniqueAttributeName(node->Prefix(), node->LocalName(), parent).isEmpty())
        return false;
    const int32_t parentId = parent == &m_root ? -1 : parent->Id();
    XmlNode* copy = CopySubtree(node, parent, position + 1);
    std::unique_ptr<InsertAction> action;
    try {
        action = std::make_unique<InsertAction>(*this, parentId, copy);
    } catch (...) {
        RemoveChildAt(parent, parent->IndexOfChild(copy));
        return false;
    }
    NotifyNodeInserted(copy->Id(), copy);
    m_history.Push(std::move(action));
    return true;
}

bool XmlDocument::InsertNode(const XmlNodeData& record, int32_t parentId, int32_t afterId,
                             NodeIdPath& pathOut)
{
    pathOut.clear();
    // Only the kinds a view can show and the writer can write may enter the tree, and a named
    // kind needs a name.
    if (!IsTreeKind(record.kind))
        return false;
    if ((record.kind == XmlNodeKind::Element || record.kind == XmlNodeKind::Attribute ||
         record.kind == XmlNodeKind::ProcessingInstruction) &&
        record.localName.isEmpty())
        return false;
    XmlNode* parent = nullptr;
    if (parentId == -1) {
        if (!IsTopLevelMarkupKind(record.kind))
            return false;
        parent = &m_root;
    } else {
        parent = FindNode(parentId);
        if (!parent || parent->Kind() != XmlNodeKind::Element)
            return false;
    }
    int position = 0;
    if (afterId != -1) {
        // The sibling knows its place; a scan for its ID cost a cache miss per sibling.
        const XmlNode* after = FindNode(afterId);
        position = after && after->Parent() == parent ? parent->IndexOfChild(after) + 1
                                                      : parent->ChildCount();
    }
    position = parent->AllowedPosition(record.kind, position);
    XmlNodeData fresh = record;
    fresh.id = -1;
    XmlNode* node = InsertChild(parent, position, fresh);
    std::unique_ptr<InsertAction> action;
    try {
        action = std::make_unique<InsertAction>(*this, parentId, node);
    } catch (...) {
        RemoveChildAt(parent, parent->IndexOfChild(node));
        return false;
    }
    NotifyNodeInserted(node->Id(), node);
    m_history.Push(std::move(action));
    GetIdPath(node->Id(), pathOut);
    return true;
}
