#include "editing/NodeClipboard.h"

#include "document/NamespaceScope.h"
#include "document/XmlDocument.h"
#include "editing/ClipboardAccess.h"
#include "editing/ClipboardRecord.h"
#include "editing/InsertAction.h"
#include "editing/ItemEditLogic.h"

#include <algorithm>

#include <memory>

QString NodeClipboard::FormatName()
{
    return QStringLiteral("TOVIXMLDocumentClipboardFormat");
}

bool NodeClipboard::IsPasteable(const XmlNode& target, const ClipboardRecord::Parsed& parsed)
{
    // What an edit box would refuse is refused here too: an attribute name the target has
    // already, and comments or instructions no file could hold as they are.
    const ClipboardRecord::Entry& top = parsed.front();
    if (top.kind == XmlNodeKind::Attribute &&
        !ItemEditLogic::CheckName(target, XmlNodeKind::Attribute, top.prefix, top.localName,
                                  top.value)
             .accepted)
        return false;
    return std::none_of(parsed.begin(), parsed.end(), [](const ClipboardRecord::Entry& entry) {
        return (entry.kind == XmlNodeKind::Comment &&
                !ItemEditLogic::IsValidCommentText(entry.value)) ||
               (entry.kind == XmlNodeKind::ProcessingInstruction && entry.value.contains(u"?>"));
    });
}

bool NodeClipboard::HasPrivateClipboardData(const ClipboardAccess& clipboard)
{
    return clipboard.HasFormat(FormatName());
}

bool NodeClipboard::CopyNodeToClipboard(ClipboardAccess& clipboard, const XmlDocument& document,
                                        int32_t id)
{
    const XmlNode* node = document.FindNode(id);
    if (!node)
        return false;
    // The declarations it uses from its ancestors go with it, so it means the same wherever
    // it is pasted, in this document or another.
    const QByteArray block =
        ClipboardRecord::EncodeBlock(*node, NamespaceScope::NeededFromOutside(node));
    if (block.isEmpty())
        return false;
    return clipboard.SetData(FormatName(), block);
}

bool NodeClipboard::PasteFromClipboard(ClipboardAccess& clipboard, XmlDocument& document,
                                       int32_t targetId)
{
    if (!HasPrivateClipboardData(clipboard))
        return false;
    XmlNode* target = document.FindNode(targetId);
    if (!target || target->Kind() != XmlNodeKind::Element)
        return false;
    const std::optional<QByteArray> block = clipboard.GetData(FormatName());
    if (!block)
        return false;
    // Decode completely before touching the document, so a bad block leaves no trace.
    ClipboardRecord::Parsed parsed;
    if (!ClipboardRecord::Decode(*block, parsed))
        return false;
    if (!IsPasteable(*target, parsed))
        return false;
    // A carried declaration the target already has in scope would only repeat it.
    for (size_t i = parsed.size(); i-- > 1;) {
        const ClipboardRecord::Entry& entry = parsed[i];
        if (!entry.carried)
            continue;
        const QString prefix = entry.prefix.isEmpty() ? QString() : entry.localName;
        if (NamespaceScope::Lookup(target, prefix) == entry.value) {
            parsed.erase(parsed.begin() + qsizetype(i));
            --parsed.front().childCount;
        }
    }
    XmlNode* pasted = nullptr;
    std::unique_ptr<InsertAction> action;
    try {
        // Last among its own kind: an attribute after the other attributes, content at the end.
        pasted = ClipboardRecord::Build(
            document, target, target->AllowedPosition(parsed.front().kind, target->ChildCount()),
            parsed);
        if (!pasted)
            return false;
        action = std::make_unique<InsertAction>(document, targetId, pasted);
    } catch (...) {
        if (pasted)
            document.RemoveChildAt(target, target->IndexOfChild(pasted));
        return false;
    }
    document.NotifyNodeInserted(pasted->Id(), pasted);
    document.History().Push(std::move(action));
    return true;
}

void NodeClipboard::PutClipboardText(ClipboardAccess& clipboard, const QString& text)
{
    clipboard.SetText(text);
}
