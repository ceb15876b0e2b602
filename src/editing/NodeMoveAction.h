#pragma once

#include "editing/UndoAction.h"

#include <cstdint>

class XmlDocument;

// A drag move: the node goes to a position of the target and back to its former place.
class NodeMoveAction : public UndoAction {
public:
    NodeMoveAction(XmlDocument& document, int32_t formerParentId, int formerPosition,
                   int32_t targetParentId, int newPosition, int32_t id)
        : m_document(document), m_formerParentId(formerParentId), m_formerPosition(formerPosition),
          m_targetParentId(targetParentId), m_newPosition(newPosition), m_id(id)
    {
    }
    bool Redo() override { return MoveTo(m_targetParentId, m_newPosition); }
    bool Undo() override { return MoveTo(m_formerParentId, m_formerPosition); }

private:
    bool MoveTo(int32_t parentId, int position);

    XmlDocument& m_document;
    int32_t m_formerParentId;
    int m_formerPosition;
    int32_t m_targetParentId;
    int m_newPosition;
    int32_t m_id;
};
