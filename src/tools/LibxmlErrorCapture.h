#pragma once

#include <QString>
#include <QStringList>

struct _xmlError;

// Collects what libxml2 and libxslt report while it is in scope, instead of letting them print
// to stderr, and keeps the first error (warnings do not count) with its position and node.
// Restores the previous handlers on destruction; use it on the thread that parses.
class LibxmlErrorCapture {
public:
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

    // Entry points libxml2 and libxslt call; public so the per-context setters can use them.
    static void OnStructuredError(void* self, _xmlError* error);
    static void OnGenericError(void* self, const char* format, ...);

private:
    void Record(const QString& message, bool isError, int line, int column, const void* node);

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
    QString m_pendingGeneric; // generic messages arrive in pieces until a line break
};
