#pragma once

// Guards every libxml2 parse of the program against external entities and the network.
//
// The documents the program opens on purpose (the edited file, a schema with its includes, a
// style sheet with its imports, files read by document()) are top-level loads and still open
// from local disk. An external entity or external DTD referenced from inside a document is
// refused, so a hostile file cannot pull another local file into the editor.
class SafeXmlParsing {
public:
    // Installs the refusing entity loader once per process; idempotent.
    static void Install();
    // libxml2 parser options for every parse: no network, internal entities substituted,
    // no DTD loading or attribute defaulting, and never the "huge" option.
    static int ParseOptions();
    // How many external loads were refused since start (for tests and diagnostics).
    static int RefusedCount();
};
