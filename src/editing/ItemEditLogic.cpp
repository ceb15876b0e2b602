#include "editing/ItemEditLogic.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/XmlDocument.h"
#include "editing/XmlNameRules.h"

QString ItemEditLogic::InvalidNameMessage(const QString& name)
{
    // Substituted literally, so a "%s" typed into the name is shown as typed.
    return FormatPlaceholders(LoadText(StringId::InvalidName), {name});
}

ItemEditLogic::Result ItemEditLogic::ApplyItemEdit(XmlDocument& document, int32_t nodeId,
                                                   int column, const QString& text,
                                                   bool showPrefixes)
{
    const XmlNode* node = document.FindNode(nodeId);
    if (!node)
        return {};
    // Cells the editor never opens (an element's value, the name of text and comments) are
    // left alone even if a caller commits one.
    const XmlNodeKind kind = node->Kind();
    if (column == kValueColumn) {
        if (kind != XmlNodeKind::Element)
            document.SetNodeValue(nodeId, text);
        return {};
    }
    if (column != kNameColumn || kind == XmlNodeKind::Text || kind == XmlNodeKind::Comment)
        return {};
    if (!IsValidXmlName(text))
        return {false, InvalidNameMessage(text)};
    if (kind == XmlNodeKind::ProcessingInstruction) {
        // A target has no prefix (namespaces forbid the colon) and "xml" in any case is the
        // declaration's, so neither would load back as an instruction.
        if (text.contains(u':') || text.compare(u"xml", Qt::CaseInsensitive) == 0)
            return {false, InvalidNameMessage(text)};
        document.SetLocalName(nodeId, text);
        return {};
    }
    const qsizetype colon = text.indexOf(u':');
    if (colon >= 0)
        document.RenameNode(nodeId, text.left(colon), text.mid(colon + 1));
    else if (showPrefixes)
        document.RenameNode(nodeId, QString(), text);
    else
        document.SetLocalName(nodeId, text);
    return {};
}
