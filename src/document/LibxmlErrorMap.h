#pragma once

#include "document/XmlStatus.h"

// libxml2's error codes (domain and xmlParserErrors code) mapped onto the rows of our status
// table, so a malformed file gets the message the user would expect from the original reader.
class LibxmlErrorMap {
public:
    // The closest status for one libxml2 error. `message` (libxml2's text, may be null)
    // tells apart the faults that libxml2 reports under one code.
    // Always a failure (negative) status.
    static XmlStatus StatusOf(int domain, int code, const char* message);
    // libxml2's "internal error" that merely says a construct failed; the error it reports
    // next, if any, names the fault better.
    static bool IsVague(int domain, int code, const char* message);
    // Whether the error ends a load. libxml2 goes on after namespace errors and treats an
    // undeclared entity as a warning when a DTD might have declared it; we do not.
    static bool IsFatal(int domain, int code, int level);
};
