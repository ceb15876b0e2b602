#include "document/LibxmlErrorMap.h"

#include <libxml/xmlerror.h>

#include <cstring>

namespace {

bool Contains(const char* message, const char* part)
{
    return message && std::strstr(message, part);
}

// libxml2 quotes the offending QName in its message: "Failed to parse QName 'a:b:'".
bool QuotedNameHasTwoColons(const char* message)
{
    const char* open = message ? std::strchr(message, '\'') : nullptr;
    if (!open)
        return false;
    int colons = 0;
    for (const char* c = open + 1; *c && *c != '\''; ++c)
        colons += *c == ':';
    return colons > 1;
}

XmlStatus NamespaceStatus(int code, const char* message)
{
    switch (code) {
    case XML_NS_ERR_XML_NAMESPACE:
        // One code for every reserved-name rule; the message says which.
        if (Contains(message, "redefinition of the xmlns prefix"))
            return 0xC00CEE68u;
        if (Contains(message, "reuse of the xmlns namespace"))
            return 0xC00CEE6Au;
        if (Contains(message, "xml namespace prefix mapped to wrong URI"))
            return 0xC00CEE67u;
        if (Contains(message, "xml namespace URI") ||
            Contains(message, "reuse of the xml namespace"))
            return 0xC00CEE69u;
        if (Contains(message, "Empty XML namespace"))
            return 0xC00CEE66u;
        return 0xC00CEE67u;
    case XML_NS_ERR_UNDEFINED_NAMESPACE:
        return XmlError::UndeclaredPrefix;
    case XML_NS_ERR_QNAME:
        return QuotedNameHasTwoColons(message) ? XmlError::MultipleColons : 0xC00CEE61u;
    case XML_NS_ERR_ATTRIBUTE_REDEFINED:
        return 0xC00CEE3Cu;
    case XML_NS_ERR_EMPTY:
        return 0xC00CEE66u;
    case XML_NS_ERR_COLON:
        return 0xC00CEE63u;
    default:
        return 0xC00CEE61u;
    }
}

XmlStatus ParserStatus(int code, const char* message)
{
    switch (code) {
    case XML_ERR_INTERNAL_ERROR:
        // libxml2's nesting limit arrives as an internal error.
        if (Contains(message, "Excessive depth"))
            return XmlError::MaxElementDepth;
        // "internal error: detected an error in ..." follows a syntax fault libxml2 had no
        // code of its own for.
        return 0xC00CEE2Du;
    case XML_ERR_NO_MEMORY:
        return E_OUTOFMEMORY_STATUS;
    case XML_ERR_DOCUMENT_START:
    case XML_ERR_DOCUMENT_EMPTY:
    case XML_ERR_DOCUMENT_END: // the reader reports a truncated document this way too
    case XML_ERR_CHARREF_AT_EOF:
    case XML_ERR_ENTITYREF_AT_EOF:
    case XML_ERR_PEREF_AT_EOF:
    case XML_ERR_TAG_NOT_FINISHED:
        return XmlError::UnexpectedEndOfInput;
    case XML_ERR_INVALID_HEX_CHARREF:
        return 0xC00CE01Eu;
    case XML_ERR_INVALID_DEC_CHARREF:
        return 0xC00CE01Du;
    case XML_ERR_INVALID_CHARREF:
        return 0xC00CE01Fu;
    case XML_ERR_INVALID_CHAR:
        if (Contains(message, "xmlParseCharRef") || Contains(message, "CharRef"))
            return 0xC00CE01Fu;
        return XmlError::IllegalXmlCharacter;
    case XML_ERR_INVALID_ENCODING:
        return XmlError::IllegalXmlCharacter;
    case XML_ERR_CHARREF_IN_PROLOG:
    case XML_ERR_CHARREF_IN_EPILOG:
    case XML_ERR_CHARREF_IN_DTD:
    case XML_ERR_ENTITYREF_IN_PROLOG:
    case XML_ERR_ENTITYREF_IN_EPILOG:
    case XML_ERR_PEREF_IN_PROLOG:
    case XML_ERR_PEREF_IN_EPILOG:
    case XML_ERR_LT_REQUIRED:
    case XML_ERR_EXT_SUBSET_NOT_FINISHED:
    case XML_ERR_NO_DTD:
    case XML_ERR_NOT_STANDALONE:
    case XML_ERR_EXT_ENTITY_STANDALONE:
    case XML_ERR_NS_DECL_ERROR:
        return 0xC00CEE2Du;
    case XML_ERR_ENTITYREF_IN_DTD:
    case XML_ERR_PEREF_IN_INT_SUBSET:
    case XML_ERR_ENTITY_PE_INTERNAL:
        return 0xC00CEE43u;
    case XML_ERR_ENTITYREF_NO_NAME:
    case XML_ERR_PEREF_NO_NAME:
    case XML_ERR_NMTOKEN_REQUIRED:
        return 0xC00CEE39u;
    case XML_ERR_NAME_REQUIRED:
        if (Contains(message, "invalid element name") || Contains(message, "invalid name"))
            return XmlError::IllegalNameCharacter;
        return 0xC00CEE39u;
    case XML_ERR_NAME_TOO_LONG:
        return XmlError::IllegalNameCharacter;
    case XML_ERR_ENTITYREF_SEMICOL_MISSING:
    case XML_ERR_PEREF_SEMICOL_MISSING:
        return 0xC00CEE22u;
    case XML_ERR_UNDECLARED_ENTITY:
    case XML_WAR_UNDECLARED_ENTITY:
    case XML_ERR_ENTITY_IS_PARAMETER:
        return XmlError::UndeclaredEntity;
    case XML_ERR_UNPARSED_ENTITY:
        return 0xC00CEE48u;
    case XML_ERR_ENTITY_IS_EXTERNAL:
        return XmlError::NoExternalEntityReferences;
    case XML_ERR_UNKNOWN_ENCODING:
    case XML_ERR_UNSUPPORTED_ENCODING:
        return XmlError::UnrecognizedEncoding;
    case XML_ERR_ATTRIBUTE_NOT_FINISHED:
        // A value grown past libxml2's length limit, typically by entity expansion.
        if (Contains(message, "too long"))
            return XmlError::MaxEntityExpansion;
        return 0xC00CEE24u;
    case XML_ERR_STRING_NOT_STARTED:
    case XML_ERR_STRING_NOT_CLOSED:
    case XML_ERR_ENTITY_NOT_STARTED:
    case XML_ERR_ENTITY_NOT_FINISHED:
    case XML_ERR_ATTRIBUTE_NOT_STARTED:
    case XML_ERR_LITERAL_NOT_STARTED:
    case XML_ERR_LITERAL_NOT_FINISHED:
        return 0xC00CEE24u;
    case XML_ERR_LT_IN_ATTRIBUTE:
        return 0xC00CEE26u;
    case XML_ERR_ATTRIBUTE_WITHOUT_VALUE:
    case XML_ERR_EQUAL_REQUIRED:
        return 0xC00CEE25u;
    case XML_ERR_ATTRIBUTE_REDEFINED:
        return 0xC00CEE3Cu;
    case XML_ERR_COMMENT_NOT_FINISHED:
    case XML_ERR_HYPHEN_IN_COMMENT:
        return 0xC00CEE2Fu;
    case XML_ERR_PI_NOT_STARTED:
    case XML_ERR_PI_NOT_FINISHED:
        return 0xC00CEE4Au;
    case XML_ERR_NOTATION_NOT_STARTED:
    case XML_ERR_NOTATION_NOT_FINISHED:
    case XML_ERR_NOTATION_PROCESSING:
        return 0xC00CEE35u;
    case XML_ERR_ATTLIST_NOT_STARTED:
    case XML_ERR_ATTLIST_NOT_FINISHED:
    case XML_ERR_VALUE_REQUIRED:
        return 0xC00CEE31u;
    case XML_ERR_MIXED_NOT_STARTED:
    case XML_ERR_MIXED_NOT_FINISHED:
    case XML_ERR_ELEMCONTENT_NOT_STARTED:
    case XML_ERR_ELEMCONTENT_NOT_FINISHED:
    case XML_ERR_SEPARATOR_REQUIRED:
    case XML_ERR_PCDATA_REQUIRED:
        return 0xC00CEE33u;
    case XML_ERR_XMLDECL_NOT_STARTED:
    case XML_ERR_XMLDECL_NOT_FINISHED:
    case XML_ERR_STANDALONE_VALUE:
    case XML_ERR_VERSION_MISSING:
    case XML_ERR_UNKNOWN_VERSION:
    case XML_ERR_VERSION_MISMATCH:
        return 0xC00CEE40u;
    case XML_ERR_CONDSEC_NOT_STARTED:
    case XML_ERR_CONDSEC_NOT_FINISHED:
    case XML_ERR_CONDSEC_INVALID:
    case XML_ERR_CONDSEC_INVALID_KEYWORD:
        return 0xC00CEE30u;
    case XML_ERR_DOCTYPE_NOT_FINISHED:
        return 0xC00CEE32u;
    case XML_ERR_MISPLACED_CDATA_END:
        return 0xC00CEE4Du;
    case XML_ERR_CDATA_NOT_FINISHED:
        return 0xC00CEE2Eu;
    case XML_ERR_RESERVED_XML_NAME:
        if (Contains(message, "XML declaration allowed only"))
            return 0xC00CEE3Du;
        return 0xC00CEE3Eu;
    case XML_ERR_SPACE_REQUIRED:
        return 0xC00CEE21u;
    case XML_ERR_URI_REQUIRED:
    case XML_ERR_INVALID_URI:
    case XML_ERR_URI_FRAGMENT:
        return 0xC00CEE4Bu;
    case XML_ERR_PUBID_REQUIRED:
        return 0xC00CEE42u;
    case XML_ERR_GT_REQUIRED:
        return 0xC00CEE23u;
    case XML_ERR_LTSLASH_REQUIRED:
    case XML_ERR_TAG_NAME_MISMATCH:
        return 0xC00CEE3Bu;
    case XML_ERR_ENCODING_NAME:
    case XML_ERR_MISSING_ENCODING:
        return 0xC00CEE41u;
    case XML_ERR_NOT_WELL_BALANCED:
    case XML_ERR_EXTRA_CONTENT:
    case XML_ERR_ENTITY_BOUNDARY:
    case XML_ERR_ENTITY_PROCESSING:
        return 0xC00CEE46u;
    case XML_ERR_ENTITY_CHAR_ERROR:
        return 0xC00CEE34u;
    case XML_ERR_ENTITY_LOOP:
        // The reader tells recursion from a mere blow-up; alone, the code means a loop.
        return XmlError::NoRecursion;
    case XML_ERR_USER_STOP:
        return XE_NO_READER;
    default:
        return 0xC00CEE2Du;
    }
}

} // namespace

XmlStatus LibxmlErrorMap::StatusOf(int domain, int code, const char* message)
{
    switch (domain) {
    case XML_FROM_NAMESPACE:
        return NamespaceStatus(code, message);
    case XML_FROM_PARSER:
        return ParserStatus(code, message);
    case XML_FROM_I18N:
        return code == XML_I18N_CONV_FAILED ? XmlError::IllegalXmlCharacter
                                            : XmlError::UnrecognizedEncoding;
    case XML_FROM_IO:
        if (code == XML_IO_ENCODER)
            return XmlError::UnrecognizedEncoding;
        // Input comes from memory; an I/O error can only be a refused external load.
        return XmlError::NoExternalEntityReferences;
    case XML_FROM_MEMORY:
        return E_OUTOFMEMORY_STATUS;
    default:
        return ParserStatus(code, message);
    }
}

bool LibxmlErrorMap::IsFatal(int domain, int code, int level)
{
    if (level == XML_ERR_FATAL)
        return true;
    if (domain == XML_FROM_PARSER && code == XML_WAR_UNDECLARED_ENTITY)
        return true; // never drop a reference silently
    if (level != XML_ERR_ERROR)
        return false;
    // A system literal or a namespace name that is no strict URI (an IRI, a space in it) is
    // well-formed XML; libxml2 only grumbles.
    if ((domain == XML_FROM_PARSER && code == XML_ERR_INVALID_URI) ||
        (domain == XML_FROM_NAMESPACE && code == XML_WAR_NS_URI))
        return false;
    // Validity errors do not concern a non-validating load.
    return domain == XML_FROM_PARSER || domain == XML_FROM_NAMESPACE || domain == XML_FROM_I18N;
}

bool LibxmlErrorMap::IsVague(int domain, int code, const char* message)
{
    return domain == XML_FROM_PARSER && code == XML_ERR_INTERNAL_ERROR &&
           !Contains(message, "Excessive depth");
}
