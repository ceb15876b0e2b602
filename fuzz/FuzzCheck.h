#pragma once

// What the fuzz targets share: a finding aborts with a message (libFuzzer and the standalone
// driver both treat an abort as a crash), and a text form of a document tree to compare.
#include "TreeDump.h"
#include "document/XmlDocument.h"

#include <QString>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                                \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "finding: %s (%s) at %s:%d\n", what, #condition, __FILE__,        \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

// Entries end in a unit separator, which no value holds, so two trees compare exactly.
inline void DumpTree(const XmlNode* node, int depth, QString& out)
{
    ::DumpTree(node, depth, out, u'\x1f');
}

inline QString DumpTree(const XmlDocument& document)
{
    return ::DumpTree(document, u'\x1f');
}

// The document's own bookkeeping agrees with its tree: parent links, the ID index, only the
// tree's node kinds below the root holder. Returns the number of nodes.
inline int CheckConsistent(const XmlDocument& document)
{
    int count = 0;
    std::vector<const XmlNode*> pending{document.Root()};
    while (!pending.empty()) {
        const XmlNode* node = pending.back();
        pending.pop_back();
        for (const XmlNode* child : *node) {
            FUZZ_CHECK(child->Parent() == node, "parent link");
            FUZZ_CHECK(document.FindNode(child->Id()) == child, "ID index");
            const XmlNodeKind kind = child->Kind();
            FUZZ_CHECK(IsTreeKind(kind), "node kind");
            FUZZ_CHECK(kind == XmlNodeKind::Element || !child->HasChildren(),
                       "children under a non-element");
            ++count;
            pending.push_back(child);
        }
    }
    return count;
}

} // namespace fuzz
