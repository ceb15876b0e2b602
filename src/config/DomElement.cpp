#include "config/DomElement.h"

#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <memory>

namespace {

QString FromXml(const xmlChar* text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

bool IsValidStep(const QString& step)
{
    if (step.isEmpty())
        return false;
    const QByteArray utf8 = step.toUtf8();
    return xmlValidateQName(reinterpret_cast<const xmlChar*>(utf8.constData()), 0) == 0;
}

bool IsValidPath(const QString& path)
{
    const QStringList steps = path.split(u'/');
    for (const QString& step : steps) {
        if (!IsValidStep(step))
            return false;
    }
    return true;
}

struct XPathContextFree {
    void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
};
struct XPathObjectFree {
    void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};

// Prefixed names in a path resolve against the declarations in scope at the context node.
void RegisterNamespaces(xmlXPathContextPtr context, xmlNodePtr node)
{
    if (node->type != XML_ELEMENT_NODE)
        return;
    xmlNsPtr* list = xmlGetNsList(node->doc, node);
    if (!list)
        return;
    for (xmlNsPtr* ns = list; *ns; ++ns) {
        if ((*ns)->prefix)
            xmlXPathRegisterNs(context, (*ns)->prefix, (*ns)->href);
    }
    xmlFree(list);
}

} // namespace

QString DomElement::Name() const
{
    if (!node_ || node_->type != XML_ELEMENT_NODE)
        return QString();
    const QString local = FromXml(node_->name);
    if (node_->ns && node_->ns->prefix)
        return FromXml(node_->ns->prefix) + u':' + local;
    return local;
}

QString DomElement::Text() const
{
    if (!node_)
        return QString();
    xmlChar* content = xmlNodeGetContent(node_);
    const QString text = FromXml(content);
    xmlFree(content);
    return text;
}

QList<DomElement> DomElement::Select(const QString& path, const QString* attribute,
                                     const QString* value, bool firstOnly) const
{
    if (!node_ || !node_->doc || !IsValidPath(path))
        return {};
    QString expression = path;
    if (attribute) {
        if (!IsValidStep(*attribute) || value->contains(u'"'))
            return {};
        // The value travels as an XPath variable, never as part of the expression text.
        expression += QStringLiteral("[@") + *attribute + QStringLiteral("=$value]");
    }
    std::unique_ptr<xmlXPathContext, XPathContextFree> context(xmlXPathNewContext(node_->doc));
    if (!context)
        return {};
    context->node = node_;
    RegisterNamespaces(context.get(), node_);
    if (attribute) {
        const QByteArray utf8 = value->toUtf8();
        xmlXPathRegisterVariable(
            context.get(), reinterpret_cast<const xmlChar*>("value"),
            xmlXPathNewString(reinterpret_cast<const xmlChar*>(utf8.constData())));
    }
    const QByteArray query = expression.toUtf8();
    std::unique_ptr<xmlXPathObject, XPathObjectFree> result(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(query.constData()), context.get()));
    if (!result || result->type != XPATH_NODESET || !result->nodesetval)
        return {};
    QList<DomElement> found;
    const xmlNodeSetPtr set = result->nodesetval;
    for (int i = 0; i < set->nodeNr; ++i) {
        if (set->nodeTab[i]->type != XML_ELEMENT_NODE)
            continue;
        found.append(DomElement(set->nodeTab[i]));
        if (firstOnly)
            break;
    }
    return found;
}

DomElement DomElement::SelectSingleNode(const QString& path) const
{
    const QList<DomElement> found = Select(path, nullptr, nullptr, true);
    return found.isEmpty() ? DomElement() : found.first();
}

QList<DomElement> DomElement::SelectNodes(const QString& path) const
{
    return Select(path, nullptr, nullptr, false);
}

DomElement DomElement::SelectSingleNode(const QString& path, const QString& attribute,
                                        const QString& value) const
{
    const QList<DomElement> found = Select(path, &attribute, &value, true);
    return found.isEmpty() ? DomElement() : found.first();
}

QList<DomElement> DomElement::SelectNodes(const QString& path, const QString& attribute,
                                          const QString& value) const
{
    return Select(path, &attribute, &value, false);
}

DomElement DomElement::SelectSingleNode(const QString& path, const QString& attribute,
                                        int value) const
{
    return SelectSingleNode(path, attribute, QString::number(value));
}

QList<DomElement> DomElement::ChildElements() const
{
    QList<DomElement> children;
    if (!node_)
        return children;
    for (xmlNodePtr child = node_->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            children.append(DomElement(child));
    }
    return children;
}

std::optional<QString> DomElement::Attribute(const QString& name) const
{
    if (!node_ || node_->type != XML_ELEMENT_NODE)
        return std::nullopt;
    const QByteArray utf8 = name.toUtf8();
    xmlAttrPtr attribute = xmlHasProp(node_, reinterpret_cast<const xmlChar*>(utf8.constData()));
    if (!attribute || attribute->type != XML_ATTRIBUTE_NODE)
        return std::nullopt;
    xmlChar* text = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attribute));
    QString value = text ? FromXml(text) : QString(QLatin1String(""));
    xmlFree(text);
    return value;
}

QString DomElement::AttributeOr(const QString& name, const QString& fallback) const
{
    return Attribute(name).value_or(fallback);
}

void DomElement::SetAttribute(const QString& name, const QString& value)
{
    if (!node_ || node_->type != XML_ELEMENT_NODE || !IsValidStep(name))
        return;
    const QByteArray key = name.toUtf8();
    const QByteArray text = value.toUtf8();
    // xmlSetProp stores the text as given; the serialiser escapes it.
    xmlSetProp(node_, reinterpret_cast<const xmlChar*>(key.constData()),
               reinterpret_cast<const xmlChar*>(text.constData()));
}

void DomElement::SetAttribute(const QString& name, qint32 value)
{
    SetAttribute(name, QString::number(value));
}

DomElement DomElement::AppendChild(DomElement child)
{
    if (!node_ || !child.node_ || child.node_->doc != node_->doc || child.node_ == node_)
        return DomElement();
    for (xmlNodePtr up = node_->parent; up; up = up->parent) {
        if (up == child.node_)
            return DomElement();
    }
    xmlUnlinkNode(child.node_);
    xmlAddChild(node_, child.node_);
    return child;
}

void DomElement::ClearChildren()
{
    if (!node_ || node_->type != XML_ELEMENT_NODE)
        return;
    xmlNodePtr child = node_->children;
    while (child) {
        xmlNodePtr next = child->next;
        xmlUnlinkNode(child);
        xmlFreeNode(child);
        child = next;
    }
}
