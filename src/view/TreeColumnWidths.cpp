#include "view/TreeColumnWidths.h"

#include <algorithm>

TreeColumnWidths& TreeColumnWidths::Shared()
{
    static TreeColumnWidths widths;
    return widths;
}

void TreeColumnWidths::SetNameWidth(int width)
{
    width = std::max(width, MinimumNameWidth);
    if (width == m_nameWidth)
        return;
    m_nameWidth = width;
    emit nameWidthChanged(width);
}
