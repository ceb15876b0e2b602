#pragma once

#include "editing/UndoAction.h"

#include <cstdint>

class XmlDocument;

// Moves a node one place among its siblings (Move up / Move down).
class StepMoveAction : public UndoAction {
public:
    StepMoveAction(XmlDocument& document, int32_t id, int first, int second)
        : m_document(document), m_id(id), m_first(first), m_second(second)
    {
    }
    bool Redo() override { return Move(m_first, m_second); }
    bool Undo() override { return Move(m_second, m_first); }

private:
    // `source` follows the node's real place before it moves.
    bool Move(int& source, int target);

    XmlDocument& m_document;
    int32_t m_id;
    int m_first;
    int m_second;
};
