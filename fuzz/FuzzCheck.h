#pragma once

// What the fuzz targets share: a finding aborts with a message (libFuzzer and the standalone
// driver both treat an abort as a crash), and a text form of a document tree to compare.
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

// Kinds, prefixes, local names, values and order of every node under `node`.
inline void DumpTree(const XmlNode* node, int depth, QString& out)
{
    for (const XmlNode* child : *node) {
        out += QString::number(depth) + u' ' + QString::number(int(child->Kind())) + u' ' +
               child->Prefix() + u'|' + child->LocalName() + u'=' + child->ValueView().toString() +
               u'\x1f';
        DumpTree(child, depth + 1, out);
    }
}

inline QString DumpTree(const XmlDocument& document)
{
    QString out;
    DumpTree(document.Root(), 0, out);
    return out;
}

// The document's own bookkeeping agrees with its tree: parent links, the ID index, only the
// four node kinds below the root holder. Returns the number of nodes.
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
            FUZZ_CHECK(kind == XmlNodeKind::Element || kind == XmlNodeKind::Attribute ||
                           kind == XmlNodeKind::Text || kind == XmlNodeKind::Comment,
                       "node kind");
            FUZZ_CHECK(kind == XmlNodeKind::Element || !child->HasChildren(),
                       "children under a non-element");
            ++count;
            pending.push_back(child);
        }
    }
    return count;
}

} // namespace fuzz
