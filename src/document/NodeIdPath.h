#pragma once

#include <cstdint>
#include <vector>

// Node IDs from a node's top-level ancestor down to the node itself.
using NodeIdPath = std::vector<int32_t>;
