#include "editing/NodePathText.h"

#include "document/XmlDocument.h"

#include <vector>

QString GetNodePathText(const XmlDocument& document, int32_t id)
{
    const XmlNode* node = document.FindNode(id);
    if (!node)
        return QString();
    std::vector<const XmlNode*> chain;
    for (const XmlNode* n = node; n->Parent(); n = n->Parent())
        chain.push_back(n);
    QString text = QStringLiteral("/");
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const XmlNode* step = *it;
        const bool prefixed = !step->Prefix().isEmpty();
        switch (step->Kind()) {
        case XmlNodeKind::Element:
            text += u'/';
            if (prefixed)
                text += step->Prefix() + u':';
            text += step->LocalName();
            break;
        case XmlNodeKind::Attribute:
            text += QStringLiteral("[@");
            if (prefixed)
                text += step->Prefix() + u':';
            text += step->LocalName() + QStringLiteral(" == ");
            text += step->ValueView();
            text += u']';
            break;
        default:
            break; // text and comments add no step
        }
    }
    return text;
}
