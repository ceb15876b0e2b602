#include "editing/ExactXPath.h"

#include "document/XmlDocument.h"
#include "document/XmlNode.h"

#include <libxml/tree.h>

#include <algorithm>

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

class Builder {
public:
    explicit Builder(SiblingPositions& positions) : positions(positions) {}

    ExactXPath result;
    SiblingPositions& positions;

    void AddStep(const XmlNode* node)
    {
        const XmlNode* parent = node->Parent();
        result.expression += u'/';
        switch (node->Kind()) {
        case XmlNodeKind::Element: {
            result.expression += NameTest(node);
            // A name test matches by namespace, whatever prefix a sibling is written with.
            const SiblingPositions::Position at = positions.Of(node);
            if (at.count > 1)
                result.expression += u'[' + QString::number(at.position) + u']';
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

ExactXPath GetExactXPath(const XmlDocument& document, int32_t id, SiblingPositions* positions)
{
    SiblingPositions once;
    const XmlNode* node = document.FindNode(id);
    if (!node)
        return {};
    std::vector<const XmlNode*> chain;
    for (const XmlNode* n = node; n->Parent(); n = n->Parent())
        chain.push_back(n);
    Builder builder(positions ? *positions : once);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        builder.AddStep(*it);
    return builder.result;
}

QString GetExactXPathText(const XmlDocument& document, int32_t id, SiblingPositions* positions)
{
    return GetExactXPath(document, id, positions).expression;
}
