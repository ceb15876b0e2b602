#pragma once

#include "document/XmlStatus.h"
#include "tools/ToolRequest.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class XmlDocument;

// One XSLT 1.0 transformation of a document, in its in-memory state, by a style sheet file.
// A style sheet is code from outside: it may read local files (document(), xsl:include,
// xsl:import) but not write files, create folders or use the network, and every document it
// loads is parsed with the editor's safe options. A run that tries any of that fails, and so
// does a run in which document() cannot read its file or libxml2 or libxslt report any error
// (a failed allocation among them). Relative references of the document resolve against its
// own path; an untitled document has none, so they fail.
// Outcomes: 0 with ResultText(), XE_XSLT_LOAD_FAILED, XE_XSLT_TRANSFORM_FAILED, or the
// serialising failure status.
class XslTransformer {
public:
    XmlStatus RunTransformation(const XmlDocument& document, const QString& styleSheetPath,
                                const QString& documentPath = {});
    // The same on text already serialised from a document.
    XmlStatus RunTransformationOnText(const QByteArray& text, const QString& styleSheetPath,
                                      const QString& documentPath = {});

    // The result as text. It was serialised as UTF-8 whatever xsl:output names, so an XML
    // declaration or HTML meta tag in it names UTF-8 as well.
    QString ResultText() const { return QString::fromUtf8(m_result); }
    // The result as the bytes of a UTF-8 file, without byte-order mark.
    const QByteArray& ResultUtf8() const { return m_result; }
    // Why a failed run failed: libxml2's and libxslt's errors with file and line, and what was
    // refused.
    const QList<ToolMessage>& Errors() const { return m_errors; }
    // What libxml2 and libxslt reported during the last run (xsl:message output included).
    const QStringList& Diagnostics() const { return m_diagnostics; }
    // Whether the last run was stopped for trying to write, create a folder, use the network
    // or pull in an external entity.
    bool SecurityRefused() const { return m_securityRefused; }

private:
    void Clear();

    QByteArray m_result;
    QStringList m_diagnostics;
    QList<ToolMessage> m_errors;
    bool m_securityRefused = false;
};
