#pragma once

#include <cstdint>

// Node kinds carry the streaming reader's node-type numbers, so they can be stored unchanged.
enum class XmlNodeKind : int32_t {
    None = 0, // the root holder of a document
    Element = 1,
    Attribute = 2,
    Text = 3,
    ProcessingInstruction = 7,
    Comment = 8,
};

// The kinds a document tree holds (the root holder aside): what the loader makes, the writer
// writes and an edit may insert.
constexpr bool IsTreeKind(XmlNodeKind kind)
{
    return kind == XmlNodeKind::Element || kind == XmlNodeKind::Attribute ||
           kind == XmlNodeKind::Text || kind == XmlNodeKind::ProcessingInstruction ||
           kind == XmlNodeKind::Comment;
}

// Markup that may stand beside the document element at the top level.
constexpr bool IsTopLevelMarkupKind(XmlNodeKind kind)
{
    return kind == XmlNodeKind::Comment || kind == XmlNodeKind::ProcessingInstruction;
}
