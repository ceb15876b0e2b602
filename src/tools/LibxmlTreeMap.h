#pragma once

#include <functional>

class XmlNode;
struct _xmlNode;

// Pairs our nodes with libxml2's nodes of the tree libxml2 parses from our own serialisation
// (XmlDocument::SerializeDocument, read with XML_PARSE_NOCDATA and blanks kept), walking both
// trees side by side in document order. The trees differ in known ways only: libxml2 has text
// nodes for the indentation our writer adds, one text node where we hold a run of adjacent
// texts (CDATA merged, empty texts left by edits), no node for a namespace declaration, and
// a node for the document type.
namespace LibxmlTreeMap {

// Called for each of our nodes the walk reaches with what libxml2 holds for it: the node
// itself (an xmlAttr for an attribute), the declaring element for a namespace declaration
// (libxml2 keeps it in that element's nsDef), the run's one text node for each text of a
// run, or null where libxml2 has nothing. Returning false ends the walk.
using Visit = std::function<bool(const XmlNode* ours, _xmlNode* theirs)>;
// Whether to walk an element's attributes and content; unset walks everything.
using Enter = std::function<bool(_xmlNode* theirs)>;

// Walks the children of `ours` against those of `theirs` (our root holder against the
// xmlDoc, or an element against its element). False when `visit` ended the walk.
bool Walk(const XmlNode* ours, _xmlNode* theirs, const Visit& visit, const Enter& enter = {});

} // namespace LibxmlTreeMap
