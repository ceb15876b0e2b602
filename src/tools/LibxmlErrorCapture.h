#pragma once

#include "tools/ToolRequest.h"

#include <QString>
#include <QStringList>

#include <vector>

struct _xmlError;

// Collects what libxml2 and libxslt report while it is in scope, instead of letting them print
// to stderr, and keeps every error (warnings do not count) with its file, position and node, up
// to a limit past which errors are only counted.
// Restores the previous handlers on destruction; use it on the thread that parses.
class LibxmlErrorCapture {
public:
    struct Error {
        QString text;
        QString file;               // the file libxml2 or libxslt named, empty when none
        int line = -1;              // 1-based, -1 when none
        int column = -1;            // 1-based, -1 when none
        const void* node = nullptr; // the libxml2 node named (valid while its document lives)
    };

    LibxmlErrorCapture();
    ~LibxmlErrorCapture();
    LibxmlErrorCapture(const LibxmlErrorCapture&) = delete;
    LibxmlErrorCapture& operator=(const LibxmlErrorCapture&) = delete;

    bool HasError() const { return m_hasError; }
    // The first error's text without the trailing line break.
    const QString& FirstMessage() const { return m_firstMessage; }
    // 1-based line of the first error, or -1 when libxml2 gave none.
    int FirstLine() const { return m_firstLine; }
    // 1-based column of the first error, or -1 when libxml2 gave none.
    int FirstColumn() const { return m_firstColumn; }
    // The libxml2 node the first error names (valid while its document lives), or null.
    const void* FirstNode() const { return m_firstNode; }
    // Every message received, warnings included, in order.
    const QStringList& Messages() const { return m_messages; }
    // The errors received, at most `limit` (SetErrorLimit); ErrorCount counts them all.
    const std::vector<Error>& Errors() const { return m_errors; }
    // The same as messages of a run.
    QList<ToolMessage> ErrorMessages() const;
    qint64 ErrorCount() const { return m_errorCount; }
    void SetErrorLimit(int limit) { m_errorLimit = limit; }
    // Messages of libxslt's generic channel count as errors unless this is off: while a
    // transformation runs, xsl:message speaks on that channel too, so only reports that open
    // with libxslt's error line ("runtime error: ...") count then.
    void SetGenericIsError(bool isError) { m_genericIsError = isError; }

    // Entry points libxml2 and libxslt call; public so the per-context setters can use them.
    static void OnStructuredError(void* self, _xmlError* error);
    static void OnGenericError(void* self, const char* format, ...);

private:
    void Record(const QString& message, bool isError, const QString& file, int line, int column,
                const void* node);
    void AddGeneric(const char* text, bool isError);

    void* m_previousStructured = nullptr;
    void* m_previousStructuredContext = nullptr;
    void* m_previousGeneric = nullptr;
    void* m_previousGenericContext = nullptr;
    void* m_previousXsltGeneric = nullptr;
    void* m_previousXsltGenericContext = nullptr;

    bool m_hasError = false;
    QString m_firstMessage;
    int m_firstLine = -1;
    int m_firstColumn = -1;
    const void* m_firstNode = nullptr;
    QStringList m_messages;
    std::vector<Error> m_errors;
    qint64 m_errorCount = 0;
    int m_errorLimit = 1000000;
    bool m_genericIsError = true;
    QString m_pendingGeneric; // generic messages arrive in pieces until a line break
    // libxslt puts "runtime error: file F line L element E" on a line of its own before the
    // message it belongs to.
    bool m_inErrorReport = false;
    QString m_contextFile;
    int m_contextLine = -1;
};
