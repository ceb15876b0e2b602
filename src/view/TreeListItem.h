#pragma once

#include <cstdint>
#include <vector>

// One row of a TreeListControl: a parent link, the ordered children and one caller parameter.
// Nothing else is stored, so a million items stay small and are cheap to build.
struct TreeListItem {
    TreeListItem* parent = nullptr;
    std::vector<TreeListItem*> children;
    // Position among the parent's children. Trusted only while below the parent's
    // `validRows`; insertions and removals lower that mark instead of renumbering at once.
    int32_t row = 0;
    // Number of leading children whose `row` is known to be current.
    int32_t validRows = 0;
    int32_t param = 0;
};
