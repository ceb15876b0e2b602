#include "document/SafeXmlParsing.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

std::atomic<int> g_refused{0};
xmlExternalEntityLoader g_defaultLoader = nullptr;

bool IsNetworkUrl(const char* url)
{
    if (!url)
        return false;
    const char* colon = std::strstr(url, "://");
    if (!colon)
        return false;
    return std::strncmp(url, "file://", 7) != 0;
}

// A local file that exists but is no regular file (a FIFO, a device, a folder): opening it
// would wait for a writer forever or read without end.
bool IsUnreadableKind(const char* url)
{
    if (!url || !*url)
        return false;
    QString local;
    if (std::strncmp(url, "file:", 5) == 0)
        local = QUrl::fromEncoded(QByteArray(url)).toLocalFile();
    else
        local = QString::fromUtf8(url);
    if (local.isEmpty())
        return false;
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::status(std::filesystem::path(local.toStdU16String()), error);
    if (error)
        return false; // missing or not reachable: the default loader reports it
    return status.type() != std::filesystem::file_type::regular;
}

xmlParserInputPtr RefusingLoader(const char* url, const char* id, xmlParserCtxtPtr context)
{
    // A context that already has input open is inside a document: this is an external
    // entity or DTD subset. libxml2 parses an external entity in a fresh context of its own,
    // which has no input yet but a higher input_id. Only a fresh top-level context is a
    // document opened on purpose.
    const bool insideDocument = context && (context->inputNr > 0 || context->input_id > 1);
    if (insideDocument || IsNetworkUrl(url) || IsUnreadableKind(url)) {
        // Callers compare RefusedCount before and after a parse to fail it, since libxml2
        // reports a missing entity only as a warning.
        ++g_refused;
        return nullptr;
    }
    return g_defaultLoader ? g_defaultLoader(url, id, context) : nullptr;
}

} // namespace

void SafeXmlParsing::Install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        g_defaultLoader = xmlGetExternalEntityLoader();
        xmlSetExternalEntityLoader(RefusingLoader);
    });
}

int SafeXmlParsing::ParseOptions()
{
    return XML_PARSE_NONET | XML_PARSE_NOENT;
}

int SafeXmlParsing::RefusedCount()
{
    return g_refused.load();
}
