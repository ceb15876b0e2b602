#pragma once

// While in scope, refuses every external entity and external DTD referenced from inside a
// document that libxml2 or libxslt parses, and lets documents opened on purpose (a schema and
// its includes, a style sheet and its imports, files read by document()) through to the
// loader that was installed before.
//
// libxml2 parses an external general entity in a fresh parser context of its own, so a
// context without open input is not enough to tell a document from an entity inside one;
// the context's input counter is (an entity context continues its parent's count).
class ToolEntityGuard {
public:
    ToolEntityGuard();
    ~ToolEntityGuard();
    ToolEntityGuard(const ToolEntityGuard&) = delete;
    ToolEntityGuard& operator=(const ToolEntityGuard&) = delete;

    // How many loads this guard refused.
    int RefusedCount() const { return m_refused; }

private:
    friend struct ToolEntityGuardAccess;

    void* m_previousLoader = nullptr;
    ToolEntityGuard* m_outer = nullptr;
    int m_refused = 0;
};
