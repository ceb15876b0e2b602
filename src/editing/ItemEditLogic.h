#pragma once

#include <QString>
#include <cstdint>

class XmlDocument;

// The commit of an in-place edit of a cell: column 0 renames, column 1 sets the value.
class ItemEditLogic {
public:
    struct Result {
        bool accepted = true;
        QString message; // for a refusal: the text to show (the edit box stays open)
    };

    static constexpr int kNameColumn = 0;
    static constexpr int kValueColumn = 1;

    // A name without a colon replaces the whole name while prefixes are shown and only the
    // local name (keeping the hidden prefix) while they are hidden.
    static Result ApplyItemEdit(XmlDocument& document, int32_t nodeId, int column,
                                const QString& text, bool showPrefixes);
    // The refusal text for an invalid name.
    static QString InvalidNameMessage(const QString& name);
};
