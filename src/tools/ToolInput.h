#pragma once

#include "document/XmlStatus.h"
#include "tools/ToolRequest.h"

#include <QByteArray>
#include <QString>

class XmlDocument;

// The text a validation or transformation reads. Normally the document as its tree serialises
// it. A transformation of a document that is unmodified, and whose file still holds what was
// loaded, reads the file's own bytes instead: the tree keeps no indentation between elements,
// and a style sheet that copies or counts text would otherwise see the writer's layout rather
// than the file's, unlike any other XSLT processor given that file. Validation keeps the
// serialisation, since its errors are mapped back to nodes through it.
XmlStatus ToolInputText(const XmlDocument& document, ToolKind kind, const QString& filePath,
                        QByteArray& text);
