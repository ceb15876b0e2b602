#pragma once

#include "document/XmlNodeKind.h"

#include <cstdint>
#include <optional>
#include <vector>

// What the availability of the view's commands depends on.
struct EditSelectionState {
    std::optional<XmlNodeKind> selectedKind; // none: no selection or an item without a node
    std::optional<XmlNodeKind> parentKind;   // none: top-level item or no selection
    bool clipboardHasPrivateData = false;
    bool canUndo = false;
    bool canRedo = false;
    bool isModified = false;
    bool showPrefixes = true;
};

// Enabled and checked flags of every command the view refines.
class EditCommandState {
public:
    struct Flags {
        bool enabled = false;
        bool checked = false;
    };

    static EditCommandState Compute(const EditSelectionState& state);
    // The commands whose state this class decides.
    static const std::vector<uint16_t>& Commands();

    // Flags of a command; a command this class does not decide reports disabled.
    Flags State(uint16_t commandId) const;
    bool IsEnabled(uint16_t commandId) const { return State(commandId).enabled; }
    bool IsChecked(uint16_t commandId) const { return State(commandId).checked; }

private:
    void Set(uint16_t commandId, bool enabled, bool checked = false);

    std::vector<std::pair<uint16_t, Flags>> m_states;
};
