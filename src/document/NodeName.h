#pragma once

#include <QString>

// A node's prefix and local name, interned as a pair by the node store: a node holds one
// pointer for both, and each string is itself interned, so equal names share one address.
struct NodeName {
    const QString* prefix;
    const QString* localName;
};
