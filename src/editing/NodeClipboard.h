#pragma once

#include "editing/ClipboardRecord.h"

#include <QString>
#include <cstdint>

class ClipboardAccess;
class XmlDocument;

// Cut, copy and paste of subtrees through the private clipboard format, and plain text.
class NodeClipboard {
public:
    // The name the private format is registered under.
    static QString FormatName();

    static bool HasPrivateClipboardData(const ClipboardAccess& clipboard);
    // Puts the node's subtree on the clipboard (private format only); false when the node is
    // not registered or the clipboard refused the block.
    static bool CopyNodeToClipboard(ClipboardAccess& clipboard, const XmlDocument& document,
                                    int32_t id);
    // Appends the clipboard's subtree as the last child of the target element, as one undoable
    // step. A malformed block changes nothing and records nothing.
    static bool PasteFromClipboard(ClipboardAccess& clipboard, XmlDocument& document,
                                   int32_t targetId);
    static void PutClipboardText(ClipboardAccess& clipboard, const QString& text);

private:
    static bool IsPasteable(const XmlNode& target, const ClipboardRecord::Parsed& parsed);
};
