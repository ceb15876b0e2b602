#include "tools/ToolEntityGuard.h"

#include <libxml/parser.h>
#include <libxml/xmlIO.h>

struct ToolEntityGuardAccess {
    static thread_local ToolEntityGuard* current;

    static xmlParserInputPtr Load(const char* url, const char* id, xmlParserCtxtPtr context) {
        ToolEntityGuard* guard = current;
        if (!guard)
            return nullptr;
        const bool insideDocument = context && (context->inputNr > 0 || context->input_id > 1);
        if (insideDocument) {
            for (ToolEntityGuard* each = guard; each; each = each->m_outer)
                ++each->m_refused;
            return nullptr;
        }
        auto previous = reinterpret_cast<xmlExternalEntityLoader>(guard->m_previousLoader);
        return previous ? previous(url, id, context) : nullptr;
    }
};

thread_local ToolEntityGuard* ToolEntityGuardAccess::current = nullptr;

ToolEntityGuard::ToolEntityGuard() {
    m_outer = ToolEntityGuardAccess::current;
    ToolEntityGuardAccess::current = this;
    // A nested guard shares the outermost one's loader; only that one installs and restores.
    if (m_outer) {
        m_previousLoader = m_outer->m_previousLoader;
        return;
    }
    m_previousLoader = reinterpret_cast<void*>(xmlGetExternalEntityLoader());
    xmlSetExternalEntityLoader(&ToolEntityGuardAccess::Load);
}

ToolEntityGuard::~ToolEntityGuard() {
    ToolEntityGuardAccess::current = m_outer;
    if (!m_outer)
        xmlSetExternalEntityLoader(reinterpret_cast<xmlExternalEntityLoader>(m_previousLoader));
}
