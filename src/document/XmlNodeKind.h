#pragma once

#include <cstdint>

// Node kinds carry the streaming reader's node-type numbers, so they can be stored unchanged.
enum class XmlNodeKind : int32_t {
    None = 0, // the root holder of a document
    Element = 1,
    Attribute = 2,
    Text = 3,
    Comment = 8,
};
