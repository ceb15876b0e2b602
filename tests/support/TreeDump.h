#pragma once

#include "document/XmlDocument.h"

#include <QString>

// Kinds, prefixes, local names, values and order of every node under `node`, one entry per
// node ending in `separator`.
inline void DumpTree(const XmlNode* node, int depth, QString& out, QChar separator = u'\n')
{
    for (const XmlNode* child : *node) {
        out += QString::number(depth) + u' ' + QString::number(int(child->Kind())) + u' ' +
               child->Prefix() + u'|' + child->LocalName() + u'=' + child->ValueView().toString() +
               separator;
        DumpTree(child, depth + 1, out, separator);
    }
}

inline QString DumpTree(const XmlDocument& document, QChar separator = u'\n')
{
    QString out;
    DumpTree(document.Root(), 0, out, separator);
    return out;
}
