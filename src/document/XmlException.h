#pragma once

#include "document/XmlStatus.h"

#include <exception>

// A broken internal invariant (index out of range, failed growth); never a user message.
class XmlException : public std::exception {
public:
    explicit XmlException(XmlStatus status) : m_status(status) {}
    XmlStatus Status() const { return m_status; }
    const char* what() const noexcept override
    {
        return m_status == E_OUTOFMEMORY_STATUS ? "out of memory" : "invalid argument";
    }

private:
    XmlStatus m_status;
};
