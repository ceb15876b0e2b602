#pragma once

// One recorded change of a document; undo and redo return whether the document changed.
class UndoAction {
public:
    virtual ~UndoAction() = default;
    virtual bool Undo() = 0;
    virtual bool Redo() = 0;
};
