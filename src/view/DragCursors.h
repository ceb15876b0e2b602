#pragma once

#include <QCursor>

// The three cursors of a drag: move (a plain arrow), copy (the same arrow with a small square
// holding a plus sign below and right of its tip) and no-drop (the system's forbidden sign).
class DragCursors {
public:
    enum class Kind { None, Move, Copy, NoDrop };

    DragCursors();

    const QCursor& Cursor(Kind kind) const;

private:
    QCursor m_move;
    QCursor m_copy;
    QCursor m_noDrop;
};
