#pragma once

#include "document/NodeIdPath.h"
#include "document/XmlStatus.h"
#include "tools/ValidationWalk.h"

#include <QByteArray>
#include <QString>

class XmlDocument;

// The document is not valid against the schema; always reported with the validator's text.
constexpr XmlStatus XE_VALIDATION_FAILED = 0xC00CF020u;

// One validation of a document, in its in-memory state, against an XML schema file.
// Outcomes: 0 (valid), XE_SCHEMA_LOAD_FAILED, XE_VALIDATION_FAILED with ErrorText() and
// ErrorNodePath(), or the serialising failure status (report it as a failed save).
class SchemaValidator {
public:
    XmlStatus RunValidation(const XmlDocument& document, const QString& schemaPath);
    // The same on text already serialised from `document`; the path refers to its nodes.
    XmlStatus RunValidationOnText(const XmlDocument& document, const QByteArray& text,
                                  const QString& schemaPath);

    // The validator's reason for the first error, empty when there was none.
    const QString& ErrorText() const { return m_errorText; }
    // 1-based line and column in the serialised text; -1 when the validator gave none
    // (libxml2 gives the line of the element's start tag and no column).
    int32_t ErrorLine() const { return m_place.line; }
    int32_t ErrorColumn() const { return m_place.column; }
    // Whether the validator said where the error is.
    bool PositionKnown() const { return m_place.IsKnown(); }
    // The node to select: the attribute the validator named, else the element it checked.
    // Shorter than the tree's depth when the path left the tree; empty when nothing matched.
    const NodeIdPath& ErrorNodePath() const { return m_errorNodePath; }
    const ValidationErrorPlace& ErrorPlace() const { return m_place; }

private:
    void Clear();

    QString m_errorText;
    ValidationErrorPlace m_place;
    NodeIdPath m_errorNodePath;
};
