#pragma once

#include "document/NodeIdPath.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <unordered_map>
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
    // The document's announcements. A node inserted into or taken from a kept parent updates
    // its table in one pass; other changes drop only the tables they may have made wrong, so
    // an edit inside one of a million records, or among them, does not count the million again.
    void Changed(const XmlDocument& document, const NodeIdPath& path);
    void Inserted(const XmlDocument& document, const NodeIdPath& path, const XmlNode* node);
    void AboutToRemove(const XmlNode* node);
    void Removed(const XmlDocument& document, const NodeIdPath& path);

private:
    // Every element child's place among its parent's children of the same expanded name.
    struct Table {
        const XmlNode* parent = nullptr;
        std::vector<int32_t> position; // per child index: position in its group, 0 for others
        std::vector<int32_t> group;    // per child index: its group
        std::vector<int32_t> count;    // per group: its size
        bool ownDeclarations = false;  // a child declares a namespace on itself
        std::vector<QString> uris;     // per group: its namespace
        // Groups by local name (interned per document, so one string per name).
        std::unordered_map<const QString*, std::vector<int32_t>> byName;
        // The group of an expanded name, made when it is new.
        int32_t GroupOf(const QString* localName, QStringView uri);
    };
    static Table Build(const XmlNode* parent);
    Table* Kept(const XmlNode* parent);
    void Drop(const XmlNode* parent);
    // Drops the tables a change at `path` may have made wrong; `changedInPlace`: the node was
    // renamed or given a value rather than inserted or removed.
    void Sweep(const XmlDocument& document, const NodeIdPath& path, bool changedInPlace);

    // The large parents asked about last, newest at the back: a path's own large ancestors
    // and the list being walked all stay.
    std::vector<Table> m_tables;
};
