#include "editing/ParkingAction.h"

#include "document/XmlDocument.h"

ParkingAction::ParkingAction(XmlDocument& document, int32_t parentId, XmlNode* node)
    : m_document(document), m_parentId(parentId), m_node(node)
{
}

ParkingAction::~ParkingAction()
{
    if (m_holder)
        m_document.DestroyDetachedNode(m_holder);
}

bool ParkingAction::Park()
{
    NodeIdPath path;
    m_document.GetIdPath(m_node->Id(), path);
    if (!m_holder)
        m_holder = m_document.CreateHolderNode();
    if (m_node->Parent())
        m_document.NotifyNodeAboutToBeRemoved(m_node);
    const int former = XmlNode::Park(m_node, m_holder);
    if (former < 0)
        return false;
    m_position = former;
    m_document.NotifyNodeRemoved(path);
    return true;
}

bool ParkingAction::PutBack()
{
    XmlNode* parent = m_document.FindParent(m_parentId);
    if (!parent || m_node->Parent() == parent)
        return false;
    const int position =
        std::min(m_position < 0 ? parent->ChildCount() : m_position, parent->ChildCount());
    if (XmlNode::Reparent(m_node, parent, position) < 0)
        return false;
    m_document.NotifyNodeInserted(m_node->Id(), m_node);
    return true;
}
