#pragma once

#include <QString>
#include <cstdint>

class XmlDocument;

// The "Copy XPath" text of a node: element steps from the top, attributes as predicates
// holding their value; no positions, no quoting. Empty for an ID that is not registered.
QString GetNodePathText(const XmlDocument& document, int32_t id);
