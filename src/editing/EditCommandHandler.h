#pragma once

#include "document/NodeIdPath.h"
#include "editing/EditCommandState.h"

#include <QString>
#include <cstdint>
#include <optional>

class ClipboardAccess;
class XmlDocument;

// The view's selection as the command handler sees it.
struct EditContext {
    int32_t selectedId = -1;   // node of the selected item; -1 when nothing is selected
    int32_t parentItemId = -1; // node of the selected item's parent item; -1 for a top-level item
    bool showPrefixes = true;
};

// What the view does after a command: the document has already told it about node changes.
struct EditCommandOutcome {
    bool handled = false;  // the command is one of the view's
    bool changed = false;  // the document or the clipboard changed
    NodeIdPath expandPath; // expand this item (before editing) when not empty
    NodeIdPath editPath;   // open the in-place editor on this item when not empty...
    int editColumn = -1;   // ...in this column
    bool repaint = false;
    bool togglePrefixes = false;
    std::optional<QString> clipboardText; // the text put on the clipboard
};

// The edit, clipboard and view commands of a document view, without widgets.
class EditCommandHandler {
public:
    EditCommandHandler(XmlDocument& document, ClipboardAccess& clipboard);

    static bool IsViewCommand(uint16_t commandId);
    EditCommandOutcome Execute(uint16_t commandId, const EditContext& context);
    EditCommandState State(const EditContext& context) const;

    // The Name cell text: the qualified name while prefixes are shown, else the local name.
    static QString NameCellText(const XmlDocument& document, int32_t id, bool showPrefixes);

private:
    EditCommandOutcome Insert(uint16_t commandId, const EditContext& context);
    void PutText(EditCommandOutcome& outcome, const QString& text);

    XmlDocument& m_document;
    ClipboardAccess& m_clipboard;
};
