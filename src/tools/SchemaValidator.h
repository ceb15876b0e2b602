#pragma once

#include "document/NodeIdPath.h"
#include "document/XmlStatus.h"
#include "tools/ToolRequest.h"
#include "tools/ValidationWalk.h"

#include <QByteArray>
#include <QList>
#include <QString>

class XmlDocument;

// The document is not valid against the schema; always reported with the validator's text.
constexpr XmlStatus XE_VALIDATION_FAILED = 0xC00CF020u;
// The validator could not finish (no memory, an internal error): neither valid nor invalid.
constexpr XmlStatus XE_VALIDATION_NOT_RUN = 0xC00CF021u;

// One validation of serialised document text against an XML Schema, a RELAX NG schema, a DTD
// file or the document's own document type declaration, collecting every error.
// Outcomes: 0 (valid), XE_SCHEMA_LOAD_FAILED (Messages() say why), XE_VALIDATION_FAILED
// (Messages() are the errors), XE_VALIDATION_NOT_RUN, or the serialising failure status.
class SchemaValidator {
public:
    // `documentPath` names the document in messages and is the base of its document type's
    // relative system identifier; empty for an untitled document.
    XmlStatus Run(ToolKind kind, const QByteArray& text, const QString& schemaPath,
                  const QString& documentPath = {});
    // An XML Schema run on the document as it is in memory, its first error mapped to a node.
    XmlStatus RunValidation(const XmlDocument& document, const QString& schemaPath);
    // The same on text already serialised from `document`; the path refers to its nodes.
    XmlStatus RunValidationOnText(const XmlDocument& document, const QByteArray& text,
                                  const QString& schemaPath);

    // The errors in the order reported, at most ToolOutcome::MaxMessages; then how many more.
    const QList<ToolMessage>& Messages() const { return m_messages; }
    qint64 Omitted() const { return m_omitted; }

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

    QList<ToolMessage> m_messages;
    qint64 m_omitted = 0;
    QString m_errorText;
    ValidationErrorPlace m_place;
    NodeIdPath m_errorNodePath;
};
