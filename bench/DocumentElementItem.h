#pragma once

#include "view/TreeListView.h"

// The first top-level item with children: the document element's, in a loaded view.
inline TreeListItem* DocumentElementItem(TreeListView& view)
{
    for (int i = 0; i < view.ChildItemCount(nullptr); ++i) {
        TreeListItem* item = view.ChildItem(nullptr, i);
        if (view.ChildItemCount(item) > 0)
            return item;
    }
    return nullptr;
}
