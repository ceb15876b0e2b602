#include "tools/LibxmlErrorCapture.h"

#include <libxml/globals.h>
#include <libxml/xmlerror.h>
#include <libxslt/xsltutils.h>

#include <QRegularExpression>

#include <cstdarg>
#include <cstdio>

LibxmlErrorCapture::LibxmlErrorCapture()
{
    m_previousStructured = reinterpret_cast<void*>(xmlStructuredError);
    m_previousStructuredContext = xmlStructuredErrorContext;
    m_previousGeneric = reinterpret_cast<void*>(xmlGenericError);
    m_previousGenericContext = xmlGenericErrorContext;
    m_previousXsltGeneric = reinterpret_cast<void*>(xsltGenericError);
    m_previousXsltGenericContext = xsltGenericErrorContext;

    xmlSetStructuredErrorFunc(this, &LibxmlErrorCapture::OnStructuredError);
    xmlSetGenericErrorFunc(this, &LibxmlErrorCapture::OnGenericError);
    xsltSetGenericErrorFunc(this, &LibxmlErrorCapture::OnGenericError);
}

LibxmlErrorCapture::~LibxmlErrorCapture()
{
    xmlSetStructuredErrorFunc(m_previousStructuredContext,
                              reinterpret_cast<xmlStructuredErrorFunc>(m_previousStructured));
    xmlSetGenericErrorFunc(m_previousGenericContext,
                           reinterpret_cast<xmlGenericErrorFunc>(m_previousGeneric));
    xsltSetGenericErrorFunc(m_previousXsltGenericContext,
                            reinterpret_cast<xmlGenericErrorFunc>(m_previousXsltGeneric));
}

void LibxmlErrorCapture::OnStructuredError(void* self, _xmlError* error)
{
    if (!self || !error)
        return;
    const bool isError = error->level == XML_ERR_ERROR || error->level == XML_ERR_FATAL;
    // libxml2 uses 0 for "no line" and "no column".
    const int line = error->line > 0 ? error->line : -1;
    const int column = error->int2 > 0 ? error->int2 : -1;
    static_cast<LibxmlErrorCapture*>(self)->Record(
        QString::fromUtf8(error->message ? error->message : "?"), isError,
        error->file ? QString::fromUtf8(error->file) : QString(), line, column, error->node);
}

void LibxmlErrorCapture::OnGenericError(void* self, const char* format, ...)
{
    if (!self || !format)
        return;
    char buffer[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    auto* capture = static_cast<LibxmlErrorCapture*>(self);
    capture->AddGeneric(buffer, capture->m_genericIsError);
}

void LibxmlErrorCapture::AddGeneric(const char* text, bool isError)
{
    m_pendingGeneric += QString::fromUtf8(text);
    // libxslt builds one report from several calls; a report is complete at its line break.
    for (qsizetype end = m_pendingGeneric.indexOf(u'\n'); end >= 0;
         end = m_pendingGeneric.indexOf(u'\n')) {
        const QString complete = m_pendingGeneric.left(end);
        m_pendingGeneric.remove(0, end + 1);
        // Every error of libxslt opens with a line of its own naming its kind and place
        // ("runtime error: file F line L element E"); xsl:message output has none.
        static const QRegularExpression context(QStringLiteral(
            "^(?:runtime error|compilation error|error)(?:: (?:file (.*?))?(?: line (\\d+))?"
            "(?: element \\S+)?)?$"));
        const QRegularExpressionMatch match = context.match(complete);
        if (match.hasMatch()) {
            m_inErrorReport = true;
            m_contextFile = match.captured(1);
            m_contextLine = match.captured(2).isEmpty() ? -1 : match.captured(2).toInt();
            continue;
        }
        Record(complete, isError || m_inErrorReport, m_contextFile, m_contextLine, -1, nullptr);
        m_inErrorReport = false;
        m_contextFile.clear();
        m_contextLine = -1;
    }
}

QList<ToolMessage> LibxmlErrorCapture::ErrorMessages() const
{
    QList<ToolMessage> messages;
    messages.reserve(qsizetype(m_errors.size()));
    for (const Error& error : m_errors) {
        ToolMessage message;
        message.text = error.text;
        message.file = error.file;
        message.place.line = error.line;
        message.place.column = error.column;
        messages.append(message);
    }
    return messages;
}

void LibxmlErrorCapture::Record(const QString& message, bool isError, const QString& file, int line,
                                int column, const void* node)
{
    QString text = message;
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    m_messages.append(text);
    if (!isError)
        return;
    if (m_errorCount++ < m_errorLimit)
        m_errors.push_back({text, file, line, column, node});
    if (m_hasError)
        return;
    m_hasError = true;
    m_firstMessage = text;
    m_firstLine = line;
    m_firstColumn = column;
    m_firstNode = node;
}
