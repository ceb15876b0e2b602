#pragma once

#include "document/NodeIdPath.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

class XmlDocument;

// Where the validator stopped in the serialised text. libxml2 names the element it was
// checking (and, in its message, the attribute); its line is that of the element's start tag
// and it gives no column, so the element's place among all start tags is what pins the node.
struct ValidationErrorPlace {
    int32_t line = -1;           // 1-based, -1 when unknown
    int32_t column = -1;         // 1-based, -1 when unknown
    int32_t elementOrdinal = -1; // index of the element among all start tags, -1 when unknown
    QString attributeNamespace;  // the attribute the message names, if any
    QString attributeLocalName;

    bool IsKnown() const { return line > 0 || elementOrdinal >= 0; }
};

// Re-reads the serialised text and counts nodes exactly as the loader builds them, so that an
// error place becomes positions in the node tree.
class ValidationWalk {
public:
    // Child indices from the top level down to the node at the place: the element with the
    // place's ordinal or, without one, the first node on or after the place's line. Empty when
    // nothing was reached. When the element has the attribute the place names,
    // `attributeName` receives its qualified name as written: the reader lists namespace
    // declarations before other attributes, so only the name finds it in the tree.
    static std::vector<int> ChildIndexPath(const QByteArray& text,
                                           const ValidationErrorPlace& place,
                                           QString* attributeName = nullptr);

    // The same for many places in one pass; a place not reached gets an empty path.
    static std::vector<std::vector<int>>
    ChildIndexPaths(const QByteArray& text, const std::vector<ValidationErrorPlace>& places,
                    std::vector<QString>* attributeNames = nullptr);
    // ChildIndexPaths followed into the document: the node (or deepest node reached) of each.
    static std::vector<NodeIdPath> NodeIdPaths(const XmlDocument& document, const QByteArray& text,
                                               const std::vector<ValidationErrorPlace>& places);
    // The lines of the first `elementCount` start tags of the text, in document order.
    static std::vector<int> ElementLines(const QByteArray& text, int elementCount);
    // libxml2 names an attribute only in its message: "Element 'e', attribute '{uri}name': ..."
    // puts that attribute into the place.
    static void ParseAttributeName(const QString& message, ValidationErrorPlace& place);

    // Follows child indices from the root holder, stopping early at an index out of range,
    // then steps to the attribute of that name when the whole path was followed.
    static NodeIdPath ToNodeIdPath(const XmlDocument& document, const std::vector<int>& indices,
                                   const QString& attributeName = {});
};
