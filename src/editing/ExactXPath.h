#pragma once

#include "document/NamespaceScope.h"
#include "editing/SiblingPositions.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

class XmlDocument;

// An XPath 1.0 expression that selects exactly one node of the saved document, with the
// namespace bindings it needs: its prefixes are the document's own, so whoever evaluates it
// registers `namespaces` (prefix to URI, each prefix once; `xml` is never listed).
struct ExactXPath {
    QString expression;
    std::vector<NamespaceScope::Declaration> namespaces;
};

// The "Copy exact XPath" expression of a node: element steps from the document element with a
// position where siblings share the expanded name, `@name` for attributes, `text()[n]`,
// `comment()[n]` and `processing-instruction('t')[n]` counted as XPath counts them. Empty
// for an ID that is not registered. `positions`, when given, keeps the positions it counts
// for the next call (see SiblingPositions).
ExactXPath GetExactXPath(const XmlDocument& document, int32_t id,
                         SiblingPositions* positions = nullptr);
QString GetExactXPathText(const XmlDocument& document, int32_t id,
                          SiblingPositions* positions = nullptr);

// `text` as an XPath string literal: quoted with whichever quote it lacks, else concat().
QString XPathStringLiteral(QStringView text);
