#include "editing/StepMoveAction.h"

#include "document/XmlDocument.h"

bool StepMoveAction::Move(int& source, int target)
{
    XmlNode* node = m_document.FindNode(m_id);
    if (!node || !node->Parent())
        return false;
    XmlNode* parent = node->Parent();
    const int actual = parent->IndexOfChild(node);
    if (actual != source)
        source = actual;
    NodeIdPath path;
    m_document.GetIdPath(m_id, path);
    m_document.NotifyNodeAboutToBeRemoved(node);
    parent->MoveChild(source, target);
    m_document.NotifyNodeRemoved(path);
    m_document.NotifyNodeInserted(m_id, node);
    return true;
}
