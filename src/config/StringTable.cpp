#include "config/StringTable.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace {

const QHash<int, QString>& Table()
{
    static const QHash<int, QString> table = {
    {128, u"TOVI XMLEditor"_s},
    {210, u"#Comment"_s},
    {211, u"New_Element"_s},
    {212, u"New_Attribute"_s},
    {215, u"Error processing file: %s.\n%s.\nLine: %d, position: %d."_s},
    {216, u"Can not save file: %s.\nError: %s."_s},
    {225, u"#Text"_s},
    {40100, u"\"%s\" is not valid name"_s},
    {40000, u"Unexpected end of input"_s},
    {40001, u"Unrecognized encoding"_s},
    {40002, u"Unable to switch the encoding"_s},
    {40003, u"Unrecognized input signature"_s},
    {40004, u"Whitespace expected"_s},
    {40005, u"Semicolon expected"_s},
    {40006, u"'>' expected"_s},
    {40007, u"Quote expected"_s},
    {40008, u"Equal expected"_s},
    {40009, u"Well-formedness constraint: no '<' in attribute value"_s},
    {40010, u"Hexadecimal digit expected"_s},
    {40011, u"Decimal digit expected"_s},
    {40012, u"'[' expected"_s},
    {40013, u"'(' expected"_s},
    {40014, u"Illegal xml character"_s},
    {40015, u"Illegal name character"_s},
    {40016, u"Incorrect document syntax"_s},
    {40017, u"Incorrect CDATA section syntax"_s},
    {40018, u"Incorrect comment syntax"_s},
    {40019, u"Incorrect conditional section syntax"_s},
    {40020, u"Incorrect ATTLIST declaration syntax"_s},
    {40021, u"Incorrect DOCTYPE declaration syntax"_s},
    {40022, u"Incorrect ELEMENT declaration syntax"_s},
    {40023, u"Incorrect ENTITY declaration syntax"_s},
    {40024, u"Incorrect NOTATION declaration syntax"_s},
    {40025, u"NDATA expected"_s},
    {40026, u"PUBLIC expected"_s},
    {40027, u"SYSTEM expected"_s},
    {40028, u"Name expected"_s},
    {40029, u"One root element"_s},
    {40030, u"Well-formedness constraint: element type match"_s},
    {40031, u"Well-formedness constraint: unique attribute spec"_s},
    {40032, u"Text/xmldecl not at the beginning of input"_s},
    {40033, u"Leading \"xml\""_s},
    {40034, u"Incorrect text declaration syntax"_s},
    {40035, u"Incorrect xml declaration syntax"_s},
    {40036, u"Incorrect encoding name syntax"_s},
    {40037, u"Incorrect public identifier syntax"_s},
    {40038, u"Well-formedness constraint: pes in internal subset"_s},
    {40039, u"Well-formedness constraint: pes between declarations"_s},
    {40040, u"Well-formedness constraint: no recursion"_s},
    {40041, u"Entity content not well formed"_s},
    {40042, u"Well-formedness constraint: undeclared entity"_s},
    {40043, u"Well-formedness constraint: parsed entity"_s},
    {40044, u"Well-formedness constraint: no external entity references"_s},
    {40045, u"Incorrect processing instruction syntax"_s},
    {40046, u"Incorrect system identifier syntax"_s},
    {40047, u"'?' expected"_s},
    {40048, u"No ']]>' in element content"_s},
    {40049, u"Not all chunks of value have been read"_s},
    {40050, u"DTD was found but is prohibited"_s},
    {40051, u"xml:space attribute with invalid value"_s},
    {40052, u"Illegal qualified name character"_s},
    {40053, u"Multiple colons in qualified name"_s},
    {40054, u"Colon in name"_s},
    {40055, u"Declared prefix"_s},
    {40056, u"Undeclared prefix"_s},
    {40057, u"Non default namespace with empty uri"_s},
    {40058, u"\"xml\" prefix is reserved and must have the http://www.w3.org/XML/1998/namespace URI"_s},
    {40059, u"\"xmlns\" prefix is reserved for use by XML"_s},
    {40060, u"xml namespace URI (http://www.w3.org/XML/1998/namespace) must be assigned only to prefix \"xml\""_s},
    {40061, u"xmlns namespace URI (http://www.w3.org/2000/xmlns/) is reserved and must not be used"_s},
    {40062, u"Element depth exceeds limit in XmlReaderProperty_MaxElementDepth"_s},
    {40063, u"Entity expansion exceeds limit in MaxEntityExpansion value"_s},
    {40064, u"Specified string is not whitespace"_s},
    {40065, u"Namespace prefix is already declared with a different namespace"_s},
    {40066, u"It is not allowed to declare a namespace prefix with empty URI (for example xmlns:p=Ô”)."_s},
    {40067, u"Duplicate attribute"_s},
    {40068, u"Can not redefine the xmlns prefix"_s},
    {40069, u"xml prefix must have the http://www.w3.org/XML/1998/namespace URI"_s},
    {40070, u"xml namespace URI (http://www.w3.org/XML/1998/namespace) must be assigned only to prefix \"xml\""_s},
    {40071, u"xmlns namespace URI (http://www.w3.org/2000/xmlns/) is reserved and must not be used"_s},
    {40072, u"Namespace is not declared"_s},
    {40073, u"Invalid value of xml:space attribute (allowed values are \"default\" and \"preserve\")"_s},
    {40074, u"Performing the requested action would result in invalid XML document"_s},
    {40075, u"Input contains invalid or incomplete surrogate pair"_s},
    {40076, u"Character in character entity is not a decimal digit as was expected."_s},
    {40077, u"Character in character entity is not a hexadecimal digit as was expected."_s},
    {40078, u"Character entity has invalid Unicode value."_s},
    {40079, u"Can not open file"_s},
    {40080, u"Internal error"_s},
    {40081, u"Internal error"_s},
    {40082, u"Internal error"_s},
    {40083, u"Can't load scheme."_s},
    {40084, u"Can't load XSLT file."_s},
    {40085, u"Error occures then transform the active document by selected XSLT file."_s},
    };
    return table;
}

} // namespace

QString StringTable::Text(int id)
{
    return Table().value(id);
}

bool StringTable::Contains(int id)
{
    return Table().contains(id);
}
