#pragma once

#include "document/XmlStatus.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class XmlDocument;

// One XSLT 1.0 transformation of a document, in its in-memory state, by a style sheet file.
// A style sheet is code from outside: it may read local files (document(), xsl:include,
// xsl:import) but not write files, create folders or use the network, and every document it
// loads is parsed with the editor's safe options. A run that tries any of that fails.
// Outcomes: 0 with ResultText(), XE_XSLT_LOAD_FAILED, XE_XSLT_TRANSFORM_FAILED, or the
// serialising failure status.
class XslTransformer {
public:
    XmlStatus RunTransformation(const XmlDocument& document, const QString& styleSheetPath);
    // The same on text already serialised from a document.
    XmlStatus RunTransformationOnText(const QByteArray& text, const QString& styleSheetPath);

    // The result as text. It was serialised as UTF-8 whatever xsl:output names, so an XML
    // declaration or HTML meta tag in it names UTF-8 as well.
    const QString& ResultText() const { return m_resultText; }
    // The result as the bytes of a UTF-8 file, without byte-order mark.
    QByteArray ResultUtf8() const { return m_resultText.toUtf8(); }
    // What libxml2 and libxslt reported during the last run (xsl:message output included).
    const QStringList& Diagnostics() const { return m_diagnostics; }
    // Whether the last run was stopped for trying to write, create a folder, use the network
    // or pull in an external entity.
    bool SecurityRefused() const { return m_securityRefused; }

private:
    void Clear();

    QString m_resultText;
    QStringList m_diagnostics;
    bool m_securityRefused = false;
};
