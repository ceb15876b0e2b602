#include "tools/LibxmlTreeMap.h"

#include "document/NamespaceScope.h"
#include "document/XmlNode.h"

#include <libxml/tree.h>

namespace {

// Indentation our writer adds, which our tree has no node for.
bool IsBlank(xmlNodePtr node)
{
    if (node->type != XML_TEXT_NODE)
        return false;
    for (const xmlChar* c = node->content; c && *c; ++c) {
        if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r')
            return false;
    }
    return true;
}

bool SameName(const xmlChar* theirs, const QString& ours)
{
    if (!theirs || !*theirs)
        return ours.isEmpty();
    return QString::fromUtf8(reinterpret_cast<const char*>(theirs)) == ours;
}

bool SameAttribute(xmlAttrPtr theirs, const XmlNode* ours)
{
    return SameName(theirs->name, ours->LocalName()) &&
           SameName(theirs->ns ? theirs->ns->prefix : nullptr, ours->Prefix());
}

// libxml2 lists the attributes in the order of the start tag, as we do, so the one after the
// last match is nearly always the one; the scan covers trees that differ.
xmlAttrPtr FindAttribute(xmlNodePtr element, xmlAttrPtr expected, const XmlNode* attribute)
{
    if (expected && SameAttribute(expected, attribute))
        return expected;
    for (xmlAttrPtr a = element->properties; a; a = a->next) {
        if (SameAttribute(a, attribute))
            return a;
    }
    return nullptr;
}

bool Matches(const XmlNode* ours, xmlNodePtr theirs)
{
    switch (ours->Kind()) {
    case XmlNodeKind::Element:
        return theirs->type == XML_ELEMENT_NODE;
    case XmlNodeKind::Comment:
        return theirs->type == XML_COMMENT_NODE;
    case XmlNodeKind::ProcessingInstruction:
        return theirs->type == XML_PI_NODE;
    default:
        return false;
    }
}

} // namespace

bool LibxmlTreeMap::Walk(const XmlNode* ours, _xmlNode* theirs, const Visit& visit,
                         const Enter& enter)
{
    xmlNodePtr next = theirs->children;
    auto skip = [&](bool blanks) {
        while (next && (next->type == XML_DTD_NODE || (blanks && IsBlank(next))))
            next = next->next;
    };
    xmlAttrPtr expectedAttribute = theirs->type == XML_ELEMENT_NODE ? theirs->properties : nullptr;
    xmlNodePtr run = nullptr;
    bool inRun = false;
    const int count = ours->ChildCount();
    for (int i = 0; i < count; ++i) {
        const XmlNode* child = ours->ChildAt(i);
        switch (child->Kind()) {
        case XmlNodeKind::Attribute:
            if (NamespaceScope::IsDeclaration(child)) {
                if (!visit(child, theirs))
                    return false;
            } else {
                const xmlAttrPtr attribute = FindAttribute(theirs, expectedAttribute, child);
                expectedAttribute = attribute ? attribute->next : nullptr;
                if (!visit(child, reinterpret_cast<xmlNodePtr>(attribute)))
                    return false;
            }
            continue;
        case XmlNodeKind::Text:
            if (!inRun) {
                inRun = true;
                // Empty texts write nothing: a run of only those has no node there.
                bool written = false;
                for (int j = i; j < count && ours->ChildAt(j)->Kind() == XmlNodeKind::Text; ++j) {
                    if (!ours->ChildAt(j)->ValueView().isEmpty()) {
                        written = true;
                        break;
                    }
                }
                run = nullptr;
                if (written) {
                    skip(false);
                    run = next && next->type == XML_TEXT_NODE ? next : nullptr;
                    if (next)
                        next = next->next;
                }
            }
            if (!visit(child, run))
                return false;
            continue;
        default:
            break;
        }
        inRun = false;
        skip(true);
        xmlNodePtr match = next && Matches(child, next) ? next : nullptr;
        if (next)
            next = next->next;
        if (!visit(child, match))
            return false;
        if (match && match->type == XML_ELEMENT_NODE && (!enter || enter(match)) &&
            !Walk(child, match, visit, enter))
            return false;
    }
    return true;
}
