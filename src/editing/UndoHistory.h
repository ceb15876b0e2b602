#pragma once

#include "editing/UndoAction.h"

#include <cstdint>
#include <memory>
#include <vector>

// A document's list of applied and undone actions with its current and saved positions.
class UndoHistory {
public:
    UndoHistory() = default;
    virtual ~UndoHistory();
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    virtual bool IsModified() const { return m_currentPosition != m_savedPosition; }

    // Drops the redo tail and appends an action its maker has already applied.
    void Push(std::unique_ptr<UndoAction> action);
    bool Undo();
    bool Redo();
    bool CanUndo() const;
    bool CanRedo() const;

    int32_t CurrentPosition() const { return m_currentPosition; }
    int32_t SavedPosition() const { return m_savedPosition; }
    void SetSavedPosition(int32_t position) { m_savedPosition = position; }
    int32_t Count() const { return int32_t(m_actions.size()); }
    // Destroys every action, newest first (their parked subtrees go with them).
    void Clear();

private:
    std::vector<std::unique_ptr<UndoAction>> m_actions;
    int32_t m_currentPosition = -1;
    int32_t m_savedPosition = -1;
};
