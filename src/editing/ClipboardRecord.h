#pragma once

#include "document/NamespaceScope.h"
#include "document/XmlNodeKind.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <vector>

class XmlDocument;
class XmlNode;

// The byte image of one subtree in the private clipboard format: per node a kind byte, a
// child count and three NUL-terminated UTF-16LE strings with counts, then the child records;
// little-endian, no padding. A clipboard block is one record followed by two spare bytes.
//
// Namespace declarations a copied element needs from outside it travel as the first
// attribute records of its top element; the spare bytes count them (little-endian), so a
// paste can leave out those the target already has. Older blocks have zero there, and an
// older reader takes them as ordinary declarations.
class ClipboardRecord {
public:
    // Deeper blocks are refused: nothing this editor copies from a loaded document is nested
    // further than the loader accepts, and the bound keeps hostile blocks cheap.
    static constexpr int kMaxDepth = 256;
    static constexpr qsizetype kMinRecordSize = 17;
    static constexpr qsizetype kSpareBytes = 2;

    // One node of a decoded block, in pre-order; `childCount` children follow its entry.
    struct Entry {
        XmlNodeKind kind = XmlNodeKind::None;
        uint32_t childCount = 0;
        QString prefix;
        QString localName;
        QString value;
        bool carried = false; // a declaration added on copy (see above)
    };
    using Parsed = std::vector<Entry>;

    using Declarations = std::vector<NamespaceScope::Declaration>;

    // Size of the record of the node's subtree; -1 when a string or count cannot be stored.
    static qint64 RecordSize(const XmlNode& node);
    // The clipboard block (record plus the spare bytes); empty when a string or count cannot
    // be stored. `carried` go first among the attributes of an element node.
    static QByteArray EncodeBlock(const XmlNode& node, const Declarations& carried = {});
    // Reads the first record of a block into `out`; false (with `out` cleared) for anything
    // malformed: truncation, a missing NUL, a kind no tree holds, children under a
    // non-element, or nesting beyond kMaxDepth. Marks the declarations carried on copy.
    static bool Decode(QByteArrayView block, Parsed& out);
    // Inserts the decoded subtree under `parent` at `index` with fresh IDs and returns its top
    // node. No notification and no undo action; on an exception the partial subtree is removed.
    static XmlNode* Build(XmlDocument& document, XmlNode* parent, int index, const Parsed& parsed);
};
