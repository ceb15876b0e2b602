#pragma once

#include "document/NodeIdPath.h"

#include <cstdint>
#include <vector>

class XmlDocument;
class XmlNode;

// Where an element stands among its parent's element children of the same expanded name
// (local name and namespace, whatever the prefix), as XPath counts them for `[n]`. For a
// parent with many children the answer for all of them is worked out at once and kept, so a
// selection walking through a million siblings costs one count, not one per step; the owner
// tells it of every change (Changed), or calls Clear when the whole document is replaced.
class SiblingPositions {
public:
    struct Position {
        int position = 0; // 1-based
        int count = 0;    // siblings of that expanded name, the element included
    };
    Position Of(const XmlNode* element);
    void Clear();
    // After the node at `path` was inserted, removed, renamed or given another value: drops
    // the tables the change may have made wrong and keeps the rest, so an edit inside one of
    // a million records does not count the million again.
    void Changed(const XmlDocument& document, const NodeIdPath& path);

private:
    // Every element child's place among its parent's children of the same expanded name.
    struct Table {
        const XmlNode* parent = nullptr;
        std::vector<int32_t> position; // per child index: position in its group, 0 for others
        std::vector<int32_t> group;    // per child index: its group
        std::vector<int32_t> count;    // per group: its size
        bool ownDeclarations = false;  // a child declares a namespace on itself
    };
    static Table Build(const XmlNode* parent);

    // The large parents asked about last, newest at the back: a path's own large ancestors
    // and the list being walked all stay.
    std::vector<Table> m_tables;
};
