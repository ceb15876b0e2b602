#pragma once

#include <cstdint>

// HRESULT-style status of every model and tool operation: 0 is success.
using XmlStatus = uint32_t;

constexpr XmlStatus XE_OK = 0;
// The reader's end-tag-without-open-element and empty-document failure; reported as internal error.
constexpr XmlStatus XE_INTERNAL = 1;
constexpr XmlStatus XE_CANNOT_OPEN_FILE = 0xC00CF000u;
constexpr XmlStatus XE_NO_STREAM = 0xC00CF001u;
constexpr XmlStatus XE_NO_READER = 0xC00CF002u;
constexpr XmlStatus XE_NO_WRITER = 0xC00CF003u;
// The user stopped a load or save; never reported as a failure.
constexpr XmlStatus XE_CANCELLED = 0xC00CF004u;
constexpr XmlStatus XE_SCHEMA_LOAD_FAILED = 0xC00CF010u;
constexpr XmlStatus XE_XSLT_LOAD_FAILED = 0xC00CF030u;
constexpr XmlStatus XE_XSLT_TRANSFORM_FAILED = 0xC00CF031u;

// Internal invariant failures carried by XmlException.
constexpr XmlStatus E_INVALIDARG_STATUS = 0x80070057u;
constexpr XmlStatus E_OUTOFMEMORY_STATUS = 0x8007000Eu;

// Reader and writer failures used by name in the code (the full set is in StatusMessageTable).
namespace XmlError {
constexpr XmlStatus UnexpectedEndOfInput = 0xC00CEE01u;
constexpr XmlStatus UnrecognizedEncoding = 0xC00CEE02u;
constexpr XmlStatus UnableToSwitchEncoding = 0xC00CEE03u;
constexpr XmlStatus IllegalXmlCharacter = 0xC00CEE2Bu;
constexpr XmlStatus IllegalNameCharacter = 0xC00CEE2Cu;
constexpr XmlStatus NoRecursion = 0xC00CEE45u;
constexpr XmlStatus UndeclaredEntity = 0xC00CEE47u;
constexpr XmlStatus NoExternalEntityReferences = 0xC00CEE49u;
constexpr XmlStatus MultipleColons = 0xC00CEE62u;
constexpr XmlStatus UndeclaredPrefix = 0xC00CEE65u;
constexpr XmlStatus MaxElementDepth = 0xC00CEE81u;
constexpr XmlStatus MaxEntityExpansion = 0xC00CEE82u;
constexpr XmlStatus DuplicateAttribute = 0xC00CEF04u;
constexpr XmlStatus XmlnsPrefixRedefined = 0xC00CEF05u;
constexpr XmlStatus XmlPrefixUri = 0xC00CEF06u;
constexpr XmlStatus XmlUriPrefix = 0xC00CEF07u;
constexpr XmlStatus XmlnsUriReserved = 0xC00CEF08u;
constexpr XmlStatus NamespaceNotDeclared = 0xC00CEF09u;
constexpr XmlStatus InvalidSurrogatePair = 0xC00CEF0Cu;
} // namespace XmlError

inline bool IsFailure(XmlStatus status)
{
    return static_cast<int32_t>(status) < 0;
}
