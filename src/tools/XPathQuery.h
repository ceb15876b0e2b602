#pragma once

#include "document/NamespaceScope.h"

#include <QString>
#include <cstdint>
#include <vector>

class XmlDocument;

// What an XPath 1.0 expression gave on a document.
struct XPathQueryResult {
    enum class Type { Nodes, Number, String, Boolean, Error };
    // One node of a node-set, known by ID (-1 where our tree has no node for it: the document
    // node, a namespace node nobody declares, such as `xml`'s).
    struct Node {
        int32_t id = -1;
        QString name;
        QString value;
    };

    Type type = Type::Error;
    // A number, string or boolean as XPath's string() writes it; libxml2's message for an
    // error.
    QString value;
    std::vector<Node> nodes; // in document order
    // The prefixes the expression could use.
    std::vector<NamespaceScope::Declaration> namespaces;
};

namespace XPathQuery {

// The prefixes bound for a query: every prefix declared in the document, the first
// declaration in document order winning, and a free prefix ("d", else "d1", ...) for the
// document element's default namespace when it has one.
std::vector<NamespaceScope::Declaration> Bindings(const XmlDocument& document);

// Evaluates `expression` on the document as it would be saved now (unsaved edits included),
// through libxml2, and maps the nodes it selects back to ours: an attribute to our attribute,
// a namespace node to the declaration that binds it, a text to the first of the texts the
// saved text is made of.
XPathQueryResult Run(const XmlDocument& document, const QString& expression);

} // namespace XPathQuery
