#pragma once

#include "document/XmlNodeKind.h"

#include <QString>
#include <cstdint>

// The value record of one node, as callers fill it in and read it back.
struct XmlNodeData {
    int32_t id = -1;
    QString prefix;
    QString localName;
    QString value;
    XmlNodeKind kind = XmlNodeKind::None;

    QString QualifiedName() const
    {
        return prefix.isEmpty() ? localName : prefix + u':' + localName;
    }
};
