#pragma once

#include "tools/ValidationWalk.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What a validation or transformation run is asked to do and what it gives back. Both cross
// the boundary to the worker process, so they are plain values with a byte form.

enum class ToolKind : quint8 {
    XmlSchema,    // an XML Schema file
    RelaxNg,      // a RELAX NG schema in XML syntax
    Dtd,          // a DTD file chosen by the user
    DocumentType, // the document's own document type declaration
    Transform,    // an XSLT 1.0 style sheet
};

// The kind of schema a file is, by its extension: .rng RELAX NG, .dtd DTD, else XML Schema.
ToolKind SchemaKindOf(const QString& path);

struct ToolRequest {
    ToolKind kind = ToolKind::XmlSchema;
    QString toolPath;        // schema, DTD or style sheet; empty for DocumentType
    QString documentPath;    // the edited file, base of relative references; empty: untitled
    QByteArray documentText; // the serialised document
    // The text says what the file at documentPath says (an unmodified tab, a batch file), so
    // errors can be given the lines of that file.
    bool documentIsFile = false;
    qint64 memoryLimitBytes = 0; // address-space limit of the worker; 0: none

    QByteArray ToBytes() const;
    static bool FromBytes(const QByteArray& bytes, ToolRequest& request);
};

// One error of a run: the text libxml2 or libxslt gave, the file it names (the document, a
// schema or a style sheet) and where in it.
struct ToolMessage {
    QString text; // libxml2's own words, or the argument of textId
    QString file;
    ValidationErrorPlace place; // line and, for the document, the element and attribute
    int textId = 0;             // a reason of ours: the string table's text, filled with `text`
    // For a validation error in the document, worked out in the worker so the editor only
    // follows them: the child indices of its node in the tree (ValidationWalk), the attribute
    // named, and the line of its element in the document's file (-1 when not known).
    QList<int> treePath;
    QString attributeName;
    int fileLine = -1;

    // A reason of ours: string `textId` filled with `argument`.
    static ToolMessage Reason(int textId, const QString& argument);
    // The text to show, in the user's language where it is ours.
    QString DisplayText() const;
};

enum class ToolStatus : quint8 {
    Done,       // valid, or transformed (the result is in the outcome)
    Invalid,    // the document is not valid; the errors say why
    LoadFailed, // the schema, DTD or style sheet cannot be used; the errors say why
    Failed,     // the run itself failed (runtime error, no memory, refused access)
    Cancelled,  // stopped by the user
    TimedOut,   // stopped at the time limit
    Aborted,    // the worker ended without an answer (killed, crashed, out of memory)
};

struct ToolOutcome {
    static constexpr int MaxMessages = 10000;

    ToolStatus status = ToolStatus::Failed;
    QList<ToolMessage> messages; // at most MaxMessages, in the order they were reported
    qint64 omitted = 0;          // errors past MaxMessages
    QByteArray result;           // the transformation result as UTF-8 file bytes

    QByteArray ToBytes() const;
    static bool FromBytes(const QByteArray& bytes, ToolOutcome& outcome);
};
