#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

// The document view's 16 by 16 pictures, drawn in code at 1x and 2x device pixel ratio, so
// they stay sharp on high-density screens. Index 0 is blank; then element closed (1), element
// open (2), attribute (3), text (4), comment (5) and processing instruction (6).
class NodeIcons {
public:
    static constexpr int Size = 16;
    enum Index {
        Blank = 0,
        ElementClosed = 1,
        ElementOpen = 2,
        Attribute = 3,
        Text = 4,
        Comment = 5,
        ProcessingInstruction = 6,
        Count = 7
    };

    // The images in index order; drawn once per process.
    static const QList<QIcon>& Images();
    // One picture drawn at the ratio (a pixmap of Size times the ratio pixels).
    static QPixmap Draw(int index, qreal devicePixelRatio);
};
