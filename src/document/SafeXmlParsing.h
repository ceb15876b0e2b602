#pragma once

// Guards every libxml2 parse of the program against external entities and the network.
//
// The documents the program opens on purpose (the edited file, a schema with its includes, a
// style sheet with its imports, files read by document()) are top-level loads and still open
// from local disk. An external entity or external DTD referenced from inside a document is
// refused, so a hostile file cannot pull another local file into the editor. Whatever the
// loader lets through must be a regular file once its URL is read as libxml2 reads it
// (file://localhost, %-escapes, symbolic links): FIFOs, devices and folders are refused.
class SafeXmlParsing {
public:
    // Installs the refusing entity loader once per process; idempotent.
    static void Install();
    // libxml2 parser options for every parse: no network, internal entities substituted,
    // no DTD loading or attribute defaulting, and never the "huge" option.
    static int ParseOptions();
    // Whether the URL names another host (anything with a scheme other than file:).
    static bool IsNetworkUrl(const char* url);
    // While one lives on this thread, the external parameter entities of a DTD being read on
    // purpose (its modules) load from local disk too.
    class DtdModules {
    public:
        DtdModules();
        ~DtdModules();
        DtdModules(const DtdModules&) = delete;
        DtdModules& operator=(const DtdModules&) = delete;
    };
    // How many external loads were refused since start (for tests and diagnostics).
    static int RefusedCount();
};
