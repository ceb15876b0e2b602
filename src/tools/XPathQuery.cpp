#include "tools/XPathQuery.h"

#include "document/SafeXmlParsing.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "document/XmlNode.h"
#include "tools/LibxmlErrorCapture.h"
#include "tools/LibxmlTreeMap.h"

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace {

QString FromXml(const xmlChar* text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

QString XPathString(xmlXPathObjectPtr object)
{
    xmlChar* text = xmlXPathCastToString(object);
    QString result = FromXml(text);
    xmlFree(text);
    return result;
}

struct DocFree {
    void operator()(xmlDocPtr doc) const { xmlFreeDoc(doc); }
};
struct ContextFree {
    void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
};
struct ObjectFree {
    void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};

// The element whose nsDef holds the binding a namespace node stands for: libxml2 hands out
// copies of namespace nodes, with the element they belong to in `next`.
xmlNodePtr DeclaringElement(xmlNsPtr ns)
{
    for (xmlNodePtr element = reinterpret_cast<xmlNodePtr>(ns->next);
         element && element->type == XML_ELEMENT_NODE; element = element->parent) {
        for (xmlNsPtr d = element->nsDef; d; d = d->next) {
            if (xmlStrEqual(d->prefix, ns->prefix))
                return xmlStrEqual(d->href, ns->href) ? element : nullptr;
        }
    }
    return nullptr;
}

// Finds our nodes for libxml2's result nodes in one walk of both trees that only enters
// elements holding a result somewhere below, and stops once every result is found.
class ResultMapper {
public:
    explicit ResultMapper(std::vector<XPathQueryResult::Node>& nodes) : m_nodes(nodes) {}

    void Add(xmlNodePtr node, size_t index)
    {
        xmlNodePtr owner = nullptr;
        if (node->type == XML_NAMESPACE_DECL) {
            const xmlNsPtr ns = reinterpret_cast<xmlNsPtr>(node);
            owner = DeclaringElement(ns);
            if (!owner)
                return;
            m_declarations[owner].push_back({ns->prefix, index});
        } else {
            m_targets.emplace(node, index);
            owner = node->parent;
        }
        ++m_remaining;
        for (; owner && m_entered.insert(owner).second; owner = owner->parent) {
        }
    }

    void Map(const XmlDocument& document, xmlDocPtr doc)
    {
        if (m_remaining == 0)
            return;
        LibxmlTreeMap::Walk(
            document.Root(), reinterpret_cast<xmlNodePtr>(doc),
            [this](const XmlNode* ours, xmlNodePtr theirs) { return Visit(ours, theirs); },
            [this](xmlNodePtr theirs) { return m_entered.count(theirs) != 0; });
    }

private:
    struct Declared {
        const xmlChar* prefix;
        size_t index;
    };

    bool Visit(const XmlNode* ours, xmlNodePtr theirs)
    {
        if (!theirs)
            return true;
        if (ours->Kind() == XmlNodeKind::Attribute && NamespaceScope::IsDeclaration(ours)) {
            const auto it = m_declarations.find(theirs);
            if (it == m_declarations.end())
                return true;
            const QString prefix = NamespaceScope::DeclaredPrefix(ours);
            for (const Declared& declared : it->second) {
                if (FromXml(declared.prefix) == prefix)
                    Found(declared.index, ours);
            }
            return m_remaining > 0;
        }
        const auto it = m_targets.find(theirs);
        // The first text of a run stands for the whole run.
        if (it != m_targets.end() && m_nodes[it->second].id < 0) {
            Found(it->second, ours);
            m_targets.erase(it);
        }
        return m_remaining > 0;
    }

    void Found(size_t index, const XmlNode* ours)
    {
        XPathQueryResult::Node& node = m_nodes[index];
        if (node.id >= 0)
            return;
        node.id = ours->Id();
        node.name = ours->QualifiedName();
        node.value = ours->Value();
        --m_remaining;
    }

    std::vector<XPathQueryResult::Node>& m_nodes;
    std::unordered_map<const void*, size_t> m_targets;
    std::unordered_map<const void*, std::vector<Declared>> m_declarations;
    std::unordered_set<const void*> m_entered;
    size_t m_remaining = 0;
};

// What a result row shows for a node our tree has none for.
XPathQueryResult::Node Unmapped(xmlNodePtr node)
{
    XPathQueryResult::Node row;
    if (node->type == XML_NAMESPACE_DECL) {
        const xmlNsPtr ns = reinterpret_cast<xmlNsPtr>(node);
        row.name =
            ns->prefix ? QStringLiteral("xmlns:") + FromXml(ns->prefix) : QStringLiteral("xmlns");
        row.value = FromXml(ns->href);
    } else if (node->type == XML_DOCUMENT_NODE) {
        row.name = QStringLiteral("/");
    } else {
        row.name = FromXml(node->name);
        row.value = FromXml(node->content);
    }
    return row;
}

} // namespace

std::vector<NamespaceScope::Declaration> XPathQuery::Bindings(const XmlDocument& document)
{
    std::vector<NamespaceScope::Declaration> bindings;
    std::unordered_set<QString> bound;
    std::vector<const XmlNode*> pending{document.Root()};
    const XmlNode* documentElement = nullptr;
    // Depth first in document order, without recursion: trees can be deeper than the stack.
    while (!pending.empty()) {
        const XmlNode* node = pending.back();
        pending.pop_back();
        if (!documentElement && node->Kind() == XmlNodeKind::Element)
            documentElement = node;
        const size_t firstChild = pending.size();
        for (const XmlNode* child : *node) {
            if (child->Kind() == XmlNodeKind::Element) {
                pending.push_back(child);
            } else if (child->Kind() == XmlNodeKind::Attribute &&
                       NamespaceScope::IsDeclaration(child)) {
                const QString prefix = NamespaceScope::DeclaredPrefix(child);
                if (!prefix.isEmpty() && prefix != u"xml" && bound.insert(prefix).second)
                    bindings.push_back({prefix, child->Value()});
            }
        }
        std::reverse(pending.begin() + qsizetype(firstChild), pending.end());
    }
    if (documentElement) {
        const QString uri = NamespaceScope::Lookup(documentElement, u"").value_or(QString());
        if (!uri.isEmpty()) {
            QString prefix = QStringLiteral("d");
            for (int n = 1; bound.count(prefix); ++n)
                prefix = QStringLiteral("d%1").arg(n);
            bindings.push_back({prefix, uri});
        }
    }
    return bindings;
}

XPathQueryResult XPathQuery::Run(const XmlDocument& document, const QString& expression)
{
    XPathQueryResult result;
    result.namespaces = Bindings(document);
    QByteArray saved;
    if (const XmlStatus status = document.SerializeDocument(saved); status != 0) {
        result.value = StatusMessageTable::MessageOf(status);
        return result;
    }

    SafeXmlParsing::Install();
    LibxmlErrorCapture errors;
    // Blanks are kept so texts stay as they are; CDATA is merged into the text beside it, as
    // XPath's data model has it.
    const std::unique_ptr<xmlDoc, DocFree> doc(
        xmlReadMemory(saved.constData(), int(saved.size()), nullptr, nullptr,
                      SafeXmlParsing::ParseOptions() | XML_PARSE_NOCDATA));
    saved = QByteArray();
    if (!doc) {
        result.value = errors.FirstMessage();
        return result;
    }
    const std::unique_ptr<xmlXPathContext, ContextFree> context(xmlXPathNewContext(doc.get()));
    // No handler on the context: libxml2 then raises the error with its message, which the
    // capture receives.
    for (const NamespaceScope::Declaration& binding : result.namespaces) {
        xmlXPathRegisterNs(context.get(), BAD_CAST binding.prefix.toUtf8().constData(),
                           BAD_CAST binding.uri.toUtf8().constData());
    }
    const std::unique_ptr<xmlXPathObject, ObjectFree> object(
        xmlXPathEvalExpression(BAD_CAST expression.toUtf8().constData(), context.get()));
    if (!object || errors.HasError()) {
        result.value = errors.HasError() ? errors.FirstMessage() : QStringLiteral("XPath error");
        return result;
    }
    switch (object->type) {
    case XPATH_NODESET: {
        result.type = XPathQueryResult::Type::Nodes;
        const xmlNodeSetPtr set = object->nodesetval;
        const int size = xmlXPathNodeSetGetLength(set);
        result.nodes.resize(size_t(std::max(size, 0)));
        ResultMapper mapper(result.nodes);
        for (int i = 0; i < size; ++i)
            mapper.Add(set->nodeTab[i], size_t(i));
        mapper.Map(document, doc.get());
        for (int i = 0; i < size; ++i) {
            if (result.nodes[size_t(i)].id < 0)
                result.nodes[size_t(i)] = Unmapped(set->nodeTab[i]);
        }
        break;
    }
    case XPATH_NUMBER:
        result.type = XPathQueryResult::Type::Number;
        result.value = XPathString(object.get());
        break;
    case XPATH_BOOLEAN:
        result.type = XPathQueryResult::Type::Boolean;
        result.value = XPathString(object.get());
        break;
    case XPATH_STRING:
        result.type = XPathQueryResult::Type::String;
        result.value = XPathString(object.get());
        break;
    default:
        result.value = XPathString(object.get());
        result.type = XPathQueryResult::Type::String;
        break;
    }
    return result;
}
