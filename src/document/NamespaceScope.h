#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

class XmlNode;

// Namespace bindings as the tree holds them: declarations are attributes (`xmlns="..."`,
// `xmlns:p="..."`) of the element they bind on, in scope for it and everything below.
class NamespaceScope {
public:
    struct Declaration {
        QString prefix; // empty for the default namespace
        QString uri;
        bool operator==(const Declaration&) const = default;
    };

    // Whether the attribute node is a namespace declaration, and which prefix it binds.
    static bool IsDeclaration(const XmlNode* attribute);
    static QString DeclaredPrefix(const XmlNode* attribute);

    // The namespace name the prefix has at `element` (the element's own declarations
    // included): "xml" is always bound; an unbound default namespace is the empty name; an
    // unbound prefix has none. `element` may be null or the root holder (nothing declared).
    static std::optional<QString> Lookup(const XmlNode* element, QStringView prefix);

    // The declarations a copy of the subtree needs from outside it to mean the same elsewhere:
    // for every prefix its elements and attributes use (the default namespace for an
    // unprefixed element) that no element of the subtree declares where it is used, the
    // binding it has at the subtree's parent. An unbound default namespace is carried as
    // `xmlns=""`, so a copy keeps having none. In order of first use; empty for a subtree
    // that is no element.
    static std::vector<Declaration> NeededFromOutside(const XmlNode* top);
};
