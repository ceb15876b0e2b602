#include "editing/ItemEditLogic.h"

#include "config/LoadText.h"
#include "config/StringTable.h"
#include "document/NamespaceScope.h"
#include "document/StatusMessageTable.h"
#include "document/XmlDocument.h"
#include "document/XmlWriter.h"
#include "editing/XmlNameRules.h"

namespace {

// 0 for a name that declares no namespace, else whether the declaration may bind the value.
XmlStatus DeclarationStatus(QStringView prefix, QStringView localName, QStringView value)
{
    if (prefix != u"xmlns" && !(prefix.isEmpty() && localName == u"xmlns"))
        return XE_OK;
    return XmlWriter::DeclarationStatus(prefix, localName, value);
}

} // namespace

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
    // Cells the editor never opens are left alone even if a caller commits one.
    const XmlNodeKind kind = node->Kind();
    if (!IsCellEditable(kind, column))
        return {};
    if (column == kValueColumn) {
        // Text that no file could carry as typed is refused here rather than failing the
        // save or being changed behind the user's back.
        if (const XmlStatus status = XmlWriter::CharactersStatus(text))
            return {false, StatusMessageTable::MessageOf(status)};
        if (kind == XmlNodeKind::Comment && !IsValidCommentText(text))
            return {false, LoadText(StringId::InvalidCommentText)};
        if (kind == XmlNodeKind::ProcessingInstruction && text.contains(u"?>"))
            return {false, LoadText(StringId::InvalidInstructionData)};
        if (kind == XmlNodeKind::Attribute)
            if (const XmlStatus status = DeclarationStatus(node->Prefix(), node->LocalName(), text))
                return {false, StatusMessageTable::MessageOf(status)};
        document.SetNodeValue(nodeId, text);
        return {};
    }
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
    const QString prefix = colon >= 0     ? text.left(colon)
                           : showPrefixes ? QString()
                                          : node->Prefix();
    const QString localName = colon >= 0 ? text.mid(colon + 1) : text;
    // Names the file could not be saved with are refused while the edit box is still open.
    const XmlNode* scope = kind == XmlNodeKind::Element ? node : node->Parent();
    if (const Result refused = CheckName(*scope, kind, prefix, localName, node->ValueView(), node);
        !refused.accepted)
        return refused;
    if (colon >= 0 || showPrefixes)
        document.RenameNode(nodeId, prefix, localName);
    else
        document.SetLocalName(nodeId, localName);
    return {};
}

bool ItemEditLogic::IsCellEditable(XmlNodeKind kind, int column)
{
    switch (kind) {
    case XmlNodeKind::Element:
        return column == kNameColumn;
    case XmlNodeKind::Attribute:
    case XmlNodeKind::ProcessingInstruction:
        return column == kNameColumn || column == kValueColumn;
    case XmlNodeKind::Text:
    case XmlNodeKind::Comment:
        return column == kValueColumn;
    default:
        return false;
    }
}

bool ItemEditLogic::IsValidCommentText(QStringView text)
{
    return !text.contains(u"--") && !text.endsWith(u'-');
}

ItemEditLogic::Result ItemEditLogic::CheckName(const XmlNode& scope, XmlNodeKind kind,
                                               const QString& prefix, const QString& localName,
                                               QStringView value, const XmlNode* renamed)
{
    const XmlNode* element = &scope;
    const bool attribute = kind == XmlNodeKind::Attribute;
    if (localName.contains(u':'))
        return {false, InvalidNameMessage(prefix + u':' + localName)};
    if (!prefix.isEmpty()) {
        // "xmlns" is what declares a prefix: an attribute may use it, an element never.
        if (prefix == u"xmlns" && !attribute)
            return {false, InvalidNameMessage(prefix + u':' + localName)};
        if (prefix != u"xmlns" && !NamespaceScope::Lookup(element, prefix))
            return {false,
                    FormatPlaceholders(LoadText(StringId::UndeclaredPrefix), {prefix, prefix})};
    }
    if (!attribute)
        return {};
    if (const XmlStatus status = DeclarationStatus(prefix, localName, value))
        return {false, StatusMessageTable::MessageOf(status)};
    // Two names are one attribute when they are equal, or when their prefixes stand for the
    // same namespace.
    const std::optional<QString> uri = prefix.isEmpty() || prefix == u"xmlns"
                                           ? std::nullopt
                                           : NamespaceScope::Lookup(element, prefix);
    for (const XmlNode* other : *element) {
        if (other == renamed || other->Kind() != XmlNodeKind::Attribute ||
            other->LocalName() != localName)
            continue;
        const bool same = other->Prefix() == prefix ||
                          (uri && !other->Prefix().isEmpty() && other->Prefix() != u"xmlns" &&
                           NamespaceScope::Lookup(element, other->Prefix()) == uri);
        if (same)
            return {false, FormatPlaceholders(LoadText(StringId::DuplicateAttributeName),
                                              {other->QualifiedName()})};
    }
    return {};
}
