#pragma once

#include <cstdint>

// One column of a TreeListControl, in column-index order.
struct TreeListColumn {
    int32_t left = 0;  // computed from the display order and the widths
    int32_t width = 0; // pixels
    int32_t order = 0; // display position, 0 for the leftmost
};
