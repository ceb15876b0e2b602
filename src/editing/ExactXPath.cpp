#include "editing/ExactXPath.h"

#include "document/XmlDocument.h"
#include "document/XmlNode.h"

#include <libxml/tree.h>

#include <algorithm>
#include <deque>

QString XPathStringLiteral(QStringView text)
{
    if (!text.contains(u'\''))
        return u'\'' + text.toString() + u'\'';
    if (!text.contains(u'"'))
        return u'"' + text.toString() + u'"';
    // XPath 1.0 has no escapes: apostrophes go in double quotes, the rest in single ones.
    QStringList parts;
    qsizetype start = 0;
    while (start < text.size()) {
        const bool apostrophes = text[start] == u'\'';
        qsizetype end = start;
        while (end < text.size() && (text[end] == u'\'') == apostrophes)
            ++end;
        const QString piece = text.sliced(start, end - start).toString();
        parts << (apostrophes ? u'"' + piece + u'"' : u'\'' + piece + u'\'');
        start = end;
    }
    return QStringLiteral("concat(") + parts.join(QStringLiteral(", ")) + u')';
}

namespace {

QString ExpandedNameTest(QStringView localName, QStringView uri)
{
    return QStringLiteral("*[local-name()=") + XPathStringLiteral(localName) +
           QStringLiteral(" and namespace-uri()=") + XPathStringLiteral(uri) + u']';
}

// XPath 1.0 processors (libxml2's among them) read names by the name classes XML had before
// its fifth edition, narrower than what a document may use now; a wider name is matched by
// its parts instead of written as a name test.
bool IsPortableName(QStringView name)
{
    return !name.isEmpty() && xmlValidateNCName(BAD_CAST name.toUtf8().constData(), 0) == 0;
}

QString NamespaceOf(const XmlNode* node)
{
    const XmlNode* element = node->Kind() == XmlNodeKind::Element ? node : node->Parent();
    if (node->Kind() == XmlNodeKind::Attribute && node->Prefix().isEmpty())
        return QString(); // unprefixed attributes are in no namespace
    return NamespaceScope::Lookup(element, node->Prefix()).value_or(QString());
}

// The namespaces of one parent's child elements, for counting same-named siblings: siblings
// share their parent's scope, so only a sibling's own declarations (its attributes, which
// stand before its content) can bind its prefix otherwise. Among a million siblings that is a
// scan of each one's attributes instead of a walk up the tree per sibling.
class SiblingNamespaces {
public:
    explicit SiblingNamespaces(const XmlNode* parent) : m_parent(parent) {}

    QStringView Of(const XmlNode* element)
    {
        const QString& prefix = element->Prefix();
        for (const XmlNode* child : *element) {
            if (child->Kind() != XmlNodeKind::Attribute)
                break;
            if (NamespaceScope::IsDeclaration(child) &&
                (child->Prefix().isEmpty() ? prefix.isEmpty() : child->LocalName() == prefix))
                return child->ValueView();
        }
        for (const auto& [known, uri] : m_inherited) {
            if (known == &prefix || *known == prefix)
                return uri;
        }
        m_inherited.emplace_back(&prefix,
                                 NamespaceScope::Lookup(m_parent, prefix).value_or(QString()));
        return m_inherited.back().second;
    }

private:
    const XmlNode* m_parent;
    std::deque<std::pair<const QString*, QString>> m_inherited; // stays put: views into it are kept
};

class Builder {
public:
    ExactXPath result;

    void AddStep(const XmlNode* node)
    {
        const XmlNode* parent = node->Parent();
        result.expression += u'/';
        switch (node->Kind()) {
        case XmlNodeKind::Element: {
            result.expression += NameTest(node);
            // A name test matches by namespace, whatever prefix a sibling is written with.
            // Names are interned per document, so equal names are mostly the same string.
            SiblingNamespaces namespaces(parent);
            const QStringView uri = namespaces.Of(node);
            const QString& local = node->LocalName();
            AddPosition(node, [&](const XmlNode* sibling) {
                if (sibling->Kind() != XmlNodeKind::Element ||
                    (&sibling->LocalName() != &local && sibling->LocalName() != local))
                    return false;
                const QStringView other = namespaces.Of(sibling);
                return other.data() == uri.data() || other == uri;
            });
            break;
        }
        case XmlNodeKind::Attribute:
            if (NamespaceScope::IsDeclaration(node)) {
                // XPath has no attribute for a declaration, only the namespace node it gives
                // the element; an undeclared default namespace gives none, so nothing matches.
                const QString prefix = NamespaceScope::DeclaredPrefix(node);
                result.expression += IsPortableName(prefix)
                                         ? QStringLiteral("namespace::") + prefix
                                         : QStringLiteral("namespace::*[name()=") +
                                               XPathStringLiteral(prefix) + u']';
            } else {
                result.expression += u'@' + NameTest(node);
            }
            break;
        case XmlNodeKind::Text:
            AddTextStep(node, parent);
            break;
        case XmlNodeKind::Comment:
            result.expression += QStringLiteral("comment()");
            AddPosition(
                node,
                [](const XmlNode* sibling) { return sibling->Kind() == XmlNodeKind::Comment; },
                true);
            break;
        case XmlNodeKind::ProcessingInstruction:
            result.expression += QStringLiteral("processing-instruction(") +
                                 XPathStringLiteral(node->LocalName()) + u')';
            AddPosition(
                node,
                [&](const XmlNode* sibling) {
                    return sibling->Kind() == XmlNodeKind::ProcessingInstruction &&
                           sibling->LocalName() == node->LocalName();
                },
                true);
            break;
        default:
            break;
        }
    }

private:
    // The node's own prefix where the expression can bind it to this node's namespace; a
    // test on local name and namespace where it cannot (the default namespace, or a prefix
    // the expression already binds to another namespace further up).
    QString NameTest(const XmlNode* node)
    {
        const QString& prefix = node->Prefix();
        const QString uri = NamespaceOf(node);
        if (!IsPortableName(node->LocalName()) || (!prefix.isEmpty() && !IsPortableName(prefix)))
            return ExpandedNameTest(node->LocalName(), uri);
        if (prefix.isEmpty()) {
            if (uri.isEmpty() || node->Kind() == XmlNodeKind::Attribute)
                return node->LocalName();
            return ExpandedNameTest(node->LocalName(), uri);
        }
        if (prefix == u"xml")
            return node->QualifiedName();
        auto& bound = result.namespaces;
        const auto it = std::find_if(bound.begin(), bound.end(), [&](const auto& declaration) {
            return declaration.prefix == prefix;
        });
        if (it == bound.end())
            bound.push_back({prefix, uri});
        else if (it->uri != uri)
            return ExpandedNameTest(node->LocalName(), uri);
        return node->QualifiedName();
    }

    template <typename Matches>
    void AddPosition(const XmlNode* node, Matches matches, bool always = false)
    {
        int position = 0;
        int count = 0;
        for (const XmlNode* sibling : *node->Parent()) {
            if (!matches(sibling))
                continue;
            ++count;
            if (sibling == node)
                position = count;
        }
        if (always || count > 1)
            result.expression += u'[' + QString::number(position) + u']';
    }

    // XPath sees one text node for every run of adjacent texts (plain text and CDATA alike,
    // as the saved file holds them), and an empty text writes nothing, so it neither counts
    // nor parts its neighbours. A text that is not the first of its run is selected as its
    // run's text node: XPath has no smaller node for it. An empty text outside any run has
    // no node at all; its expression selects nothing.
    void AddTextStep(const XmlNode* node, const XmlNode* parent)
    {
        int runs = 0;
        bool open = false;
        bool pending = false; // the node is an empty text waiting for a run to join
        int position = 0;
        for (const XmlNode* sibling : *parent) {
            if (sibling->Kind() == XmlNodeKind::Attribute)
                continue;
            if (sibling->Kind() != XmlNodeKind::Text) {
                open = false;
                if (pending)
                    break;
                continue;
            }
            if (sibling->ValueView().isEmpty()) {
                if (sibling == node) {
                    if (open)
                        position = runs;
                    else
                        pending = true;
                }
                continue;
            }
            if (!open) {
                ++runs;
                open = true;
            }
            if (sibling == node || pending) {
                position = runs;
                break;
            }
        }
        result.expression += QStringLiteral("text()[");
        result.expression += position ? QString::number(position) : QStringLiteral("false()");
        result.expression += u']';
    }
};

} // namespace

ExactXPath GetExactXPath(const XmlDocument& document, int32_t id)
{
    const XmlNode* node = document.FindNode(id);
    if (!node)
        return {};
    std::vector<const XmlNode*> chain;
    for (const XmlNode* n = node; n->Parent(); n = n->Parent())
        chain.push_back(n);
    Builder builder;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        builder.AddStep(*it);
    return builder.result;
}

QString GetExactXPathText(const XmlDocument& document, int32_t id)
{
    return GetExactXPath(document, id).expression;
}
