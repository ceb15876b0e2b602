#include "editing/NodeMoveAction.h"

#include "document/XmlDocument.h"

#include <algorithm>

bool NodeMoveAction::MoveTo(int32_t parentId, int position)
{
    XmlNode* parent = m_document.FindParent(parentId);
    XmlNode* node = m_document.FindNode(m_id);
    if (!parent || !node || !node->Parent())
        return false;
    NodeIdPath path;
    m_document.GetIdPath(m_id, path);
    const int limit = parent->ChildCount() - (node->Parent() == parent ? 1 : 0);
    m_document.NotifyNodeAboutToBeRemoved(node);
    if (XmlNode::Reparent(node, parent, std::clamp(position, 0, limit)) < 0)
        return false;
    m_document.NotifyNodeRemoved(path);
    m_document.NotifyNodeInserted(m_id, node);
    return true;
}
