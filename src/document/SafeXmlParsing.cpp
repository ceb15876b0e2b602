#include "document/SafeXmlParsing.h"

#include <QByteArray>
#include <QString>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

namespace {

std::atomic<int> g_refused{0};
xmlExternalEntityLoader g_defaultLoader = nullptr;
thread_local int t_dtdModules = 0;

// The local paths libxml2's file input may open for a URL: it strips "file://localhost",
// "file://" or "file:" before an absolute path, and tries the name as given and then with its
// %-escapes decoded.
std::vector<QByteArray> LocalCandidates(const char* url)
{
    QByteArray name(url);
    for (const char* prefix : {"file://localhost/", "file:///", "file:/"}) {
        const qsizetype length = qsizetype(std::strlen(prefix));
        if (name.left(length).compare(prefix, Qt::CaseInsensitive) == 0) {
            name.remove(0, length - 1); // keep the slash
            break;
        }
    }
    std::vector<QByteArray> candidates{name};
    const QByteArray decoded = QByteArray::fromPercentEncoding(name);
    if (decoded != name)
        candidates.push_back(decoded);
    return candidates;
}

// A local file that exists but is no regular file (a FIFO, a device, a folder), after
// symbolic links: opening it would wait for a writer forever or read without end.
bool IsUnreadableKind(const char* url)
{
    if (!url || !*url)
        return false;
    for (const QByteArray& candidate : LocalCandidates(url)) {
        std::error_code error;
        const std::filesystem::file_status status =
            std::filesystem::status(std::filesystem::path(candidate.toStdString()), error);
        // Missing or not reachable: the default loader reports it.
        if (!error && status.type() != std::filesystem::file_type::regular)
            return true;
    }
    return false;
}

xmlParserInputPtr RefusingLoader(const char* url, const char* id, xmlParserCtxtPtr context)
{
    // A context that already has input open is inside a document: this is an external
    // entity or DTD subset. libxml2 parses an external entity in a fresh context of its own,
    // which has no input yet but a higher input_id. Only a fresh top-level context is a
    // document opened on purpose.
    // The modules of a DTD read on purpose are parameter entities, part of that DTD.
    const bool insideDocument =
        context && (context->inputNr > 0 || context->input_id > 1) && t_dtdModules == 0;
    if (insideDocument || SafeXmlParsing::IsNetworkUrl(url) || IsUnreadableKind(url)) {
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

SafeXmlParsing::DtdModules::DtdModules()
{
    ++t_dtdModules;
}

SafeXmlParsing::DtdModules::~DtdModules()
{
    --t_dtdModules;
}

int SafeXmlParsing::RefusedCount()
{
    return g_refused.load();
}

bool SafeXmlParsing::IsNetworkUrl(const char* url)
{
    if (!url)
        return false;
    const char* colon = std::strstr(url, "://");
    if (!colon)
        return false;
    return std::strncmp(url, "file://", 7) != 0;
}
