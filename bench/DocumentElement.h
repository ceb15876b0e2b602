#pragma once

#include "document/XmlDocument.h"
#include "document/XmlNode.h"

// The first top-level node with children: the document element, in a loaded document.
inline const XmlNode* DocumentElement(const XmlDocument& document)
{
    for (const XmlNode* node : *document.Root()) {
        if (node->HasChildren())
            return node;
    }
    return nullptr;
}
