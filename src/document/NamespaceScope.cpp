#include "document/NamespaceScope.h"

#include "document/XmlNode.h"

#include <algorithm>

namespace {

constexpr QStringView kXmlNamespace = u"http://www.w3.org/XML/1998/namespace";

struct Binding {
    QStringView prefix;
    int depth;
};

} // namespace

bool NamespaceScope::IsDeclaration(const XmlNode* attribute)
{
    return attribute->Kind() == XmlNodeKind::Attribute &&
           (attribute->Prefix() == u"xmlns" ||
            (attribute->Prefix().isEmpty() && attribute->LocalName() == u"xmlns"));
}

QString NamespaceScope::DeclaredPrefix(const XmlNode* attribute)
{
    return attribute->Prefix().isEmpty() ? QString() : attribute->LocalName();
}

std::optional<QString> NamespaceScope::Lookup(const XmlNode* element, QStringView prefix)
{
    if (prefix == u"xml")
        return kXmlNamespace.toString();
    for (const XmlNode* e = element; e && e->Kind() == XmlNodeKind::Element; e = e->Parent()) {
        // Attributes stand before an element's content: the scan ends there, not after what
        // may be millions of children.
        for (const XmlNode* child : *e) {
            if (child->Kind() != XmlNodeKind::Attribute)
                break;
            if (IsDeclaration(child) && DeclaredPrefix(child) == prefix)
                return child->Value();
        }
    }
    if (prefix.isEmpty())
        return QString();
    return std::nullopt;
}

std::vector<NamespaceScope::Declaration> NamespaceScope::NeededFromOutside(const XmlNode* top)
{
    std::vector<Declaration> needed;
    if (!top || top->Kind() != XmlNodeKind::Element)
        return needed;
    std::vector<QString> used; // prefixes used but not declared inside, in order of first use
    std::vector<Binding> inside;
    auto use = [&](QStringView prefix) {
        if (prefix == u"xml" || prefix == u"xmlns")
            return;
        const bool declared = std::any_of(inside.begin(), inside.end(),
                                          [&](const Binding& b) { return b.prefix == prefix; });
        if (!declared && std::find(used.begin(), used.end(), prefix) == used.end())
            used.push_back(prefix.toString());
    };
    // Depth-first with an explicit stack, so deep subtrees cannot exhaust the call stack.
    struct Step {
        const XmlNode* element;
        int depth;
    };
    std::vector<Step> pending{{top, 0}};
    while (!pending.empty()) {
        const Step step = pending.back();
        pending.pop_back();
        while (!inside.empty() && inside.back().depth >= step.depth)
            inside.pop_back();
        for (const XmlNode* child : *step.element) {
            if (IsDeclaration(child))
                inside.push_back(
                    {child->Prefix().isEmpty() ? QStringView() : child->LocalName(), step.depth});
        }
        use(step.element->Prefix());
        for (const XmlNode* child : *step.element) {
            // Unprefixed attributes are in no namespace, whatever the default is.
            if (child->Kind() == XmlNodeKind::Attribute && !IsDeclaration(child) &&
                !child->Prefix().isEmpty())
                use(child->Prefix());
        }
        const int count = step.element->ChildCount();
        for (int i = count - 1; i >= 0; --i) {
            const XmlNode* child = step.element->ChildAt(i);
            if (child->Kind() == XmlNodeKind::Element)
                pending.push_back({child, step.depth + 1});
        }
    }
    for (const QString& prefix : used) {
        if (std::optional<QString> uri = Lookup(top->Parent(), prefix))
            needed.push_back({prefix, *uri});
    }
    return needed;
}
