#include "editing/UndoHistory.h"

UndoHistory::~UndoHistory()
{
    Clear();
}

void UndoHistory::Push(std::unique_ptr<UndoAction> action)
{
    while (int32_t(m_actions.size()) > m_currentPosition + 1)
        m_actions.pop_back();
    m_actions.push_back(std::move(action));
    m_currentPosition = int32_t(m_actions.size()) - 1;
}

bool UndoHistory::Undo()
{
    if (!CanUndo())
        return false;
    const bool changed = m_actions[m_currentPosition]->Undo();
    --m_currentPosition;
    return changed;
}

bool UndoHistory::Redo()
{
    if (!CanRedo())
        return false;
    const bool changed = m_actions[m_currentPosition + 1]->Redo();
    ++m_currentPosition;
    return changed;
}

bool UndoHistory::CanUndo() const
{
    return m_currentPosition >= 0 && m_currentPosition < int32_t(m_actions.size());
}

bool UndoHistory::CanRedo() const
{
    return m_currentPosition >= -1 && m_currentPosition < int32_t(m_actions.size()) - 1;
}

void UndoHistory::Clear()
{
    while (!m_actions.empty())
        m_actions.pop_back();
    m_currentPosition = -1;
}
