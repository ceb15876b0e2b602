#pragma once

#include "document/XmlNodeKind.h"

#include <QString>
#include <QStringView>
#include <cstdint>

class XmlDocument;
class XmlNode;

// The commit of an in-place edit of a cell: column 0 renames, column 1 sets the value.
class ItemEditLogic {
public:
    struct Result {
        bool accepted = true;
        QString message; // for a refusal: the text to show (the edit box stays open)
    };

    static constexpr int kNameColumn = 0;
    static constexpr int kValueColumn = 1;

    // The one rule of which cells of a row can be edited, for the editor, the commit and the
    // availability of Rename and Change value: an element's name; an attribute's and an
    // instruction's name and value; the value of text and comments. Text and comments have
    // no name of their own ("#Text", "#Comment").
    static bool IsCellEditable(XmlNodeKind kind, int column);

    // A name without a colon replaces the whole name while prefixes are shown and only the
    // local name (keeping the hidden prefix) while they are hidden.
    static Result ApplyItemEdit(XmlDocument& document, int32_t nodeId, int column,
                                const QString& text, bool showPrefixes);
    // The refusal text for an invalid name.
    static QString InvalidNameMessage(const QString& name);
    // Whether a comment can hold the text as it is: no "--" and no "-" at the end.
    static bool IsValidCommentText(QStringView text);
    // Whether an element or attribute (`kind`) may take the name at `element` (the element
    // itself, or the attribute's element): a prefix declared in scope (or "xml"; "xmlns" for
    // attributes), for an attribute no attribute of the element but `renamed` with the same
    // name, and for a namespace declaration a namespace it may bind (`value`). The refusal
    // carries its message.
    static Result CheckName(const XmlNode& element, XmlNodeKind kind, const QString& prefix,
                            const QString& localName, QStringView value = {},
                            const XmlNode* renamed = nullptr);
};
